// The text of one worksheet part (ECMA-376 Part 1 §18.3): its cells laid out
// as tab-separated rows.
#pragma once

#include <cstddef>
#include <string>

#include "xml/xml_document.h"

namespace tabulox {

class SharedStringTable;
struct WorksheetHiding;

enum class CellOrder { kAsStored, kSorted };

// Raised when a part read with CellOrder::kAsStored holds a row or cell out
// of order; what it wrote is to be taken back.
struct SheetOutOfOrder {};

// Appends the text of a worksheet part read block by block into `document`
// to `text`: the rows of its sheetData (the first child of that name, else the
// first of that local name, "x:sheetData"), one line each, every row number
// from 1 up to the last row present written, missing ones as empty lines. A
// row is found by its "r"; a row without one is the row after the previous
// one. In a row, each cell's value stands in the column its "r" names (a cell
// without one: the column after the previous cell), tabs before it up to that
// column; the row's trailing tabs are dropped and CR LF follows. Rows and
// cells are laid out in row and column order however they are stored (see
// CellOrder); the values of cells at one place follow one another. The
// text's trailing CRs and LFs are removed and one CR LF is written; a sheet
// without a dimension (or without a "ref" on it) whose rows write nothing
// appends nothing at all. The dimension bounds nothing: writers state "A1"
// for any sheet.
//
// A cell's value is the text of its first "v" child, or the shared string its
// index names when the cell has t="s"; a cell with t="inlineStr" writes the
// text of its "is" child ("x:v", "x:is" when no child has the plain name).
// The cost grows with the rows and cells present and the text written.
//
// Raises ExtractionError when the text would grow beyond `maxBytes` or when a
// row's "r" or a cell reference's row is not a number.
//
// How rows and cells are laid out: kAsStored writes them as they are read and
// not kept, so memory follows the largest row, not the part; a row or cell
// out of order raises SheetOutOfOrder, and the part is to be read again with
// kSorted, which gathers its cells and lays them out in order at the end. A
// part stored in order reads once. The source may be left unfinished when
// this raises.
//
// With a `hiding` that skips rows, a row element with hidden="1" (or "true")
// writes no line and the rows after it move up; one that skips columns fills
// its columns from the hidden col elements of cols (read before sheetData),
// leaves their cells out and moves the later cells left.
void AppendWorksheetTextFromSource(XmlDocument& document, const BlockSource& source,
                                   const SharedStringTable& strings, std::string& text,
                                   std::size_t maxBytes, WorksheetHiding* hiding = nullptr,
                                   CellOrder order = CellOrder::kAsStored);

}  // namespace tabulox
