// The text of one worksheet part (ECMA-376 Part 1 §18.3): its cells laid out
// as tab-separated rows within the area its dimension declares.
#pragma once

#include <cstddef>
#include <string>

#include "xml_document.h"

namespace tabulox {

class SharedStringTable;

// Appends the worksheet text of the root item (the worksheet element) to
// `text`. Without a "ref" on the dimension nothing is appended. Otherwise the
// dimension's last reference gives the last row R and column C; row r of 1..R
// is the sheetData child whose "r" is r, found by a cursor that moves forward
// over children without "r" (a child whose "r" is lower than the row being
// written stays under the cursor, so every later row is empty). A row writes
// for each column k of 1..C the value of its cell in column k, found the same
// way, and a tab; then its trailing tabs are removed and CR LF written. At the
// end trailing CRs and LFs are removed and one CR LF is written.
//
// A cell's value is the text of its first "v" child, or the shared string its
// index names when the cell has t="s"; a cell with t="inlineStr" writes the
// text of its "is" child. The cost grows with the rows and cells present and
// the text written, never with the dimension's area.
//
// Raises ExtractionError when the text would grow beyond `maxBytes` or when a
// row's "r" or a cell reference's row is not a number.
void AppendWorksheetText(TXMLItem& worksheet, const SharedStringTable& strings, std::string& text,
                         std::size_t maxBytes);

// The same text from a worksheet part read block by block into `document`.
// When the first sheetData element follows a dimension, its rows are laid out
// as they are read and not kept, so memory follows the largest row, not the
// part; otherwise the whole tree is read and then walked. The source may be
// left unfinished when this raises.
void AppendWorksheetTextFromSource(TKvXMLParser& document, const TXMLBlockSource& source,
                                   const SharedStringTable& strings, std::string& text,
                                   std::size_t maxBytes);

}  // namespace tabulox
