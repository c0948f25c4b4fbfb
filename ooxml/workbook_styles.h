// The number formats of a workbook's styles part (ECMA-376 Part 1 §18.8): the
// workbook's own format codes and the format of each cell format (cellXfs),
// which a cell's "s" names.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "numfmt/shown_format.h"
#include "numfmt/shown_format_table.h"
#include "xml/xml_document.h"

namespace tabulox {

class WorkbookStyles {
 public:
  // No workbook codes and no cell formats: every cell is General.
  void Clear();

  // A numFmt element's code for its id.
  void SetFormatCode(int id, std::string_view code);
  // The next cell format (xf) and its format id.
  void AddCellFormat(int formatId);

  // The format of the cell format `xf` (a cell's "s"; 0 without one); General
  // for an index that names no cell format.
  const ShownFormat& CellFormat(std::int64_t xf) const;


 private:
  ShownFormatTable formats_;
  std::vector<int> cellFormatIds_;
  ShownFormat general_{"General"};
};

// Fills `styles` from a styles part read block by block into `document`: the
// numFmt elements of the first numFmts (numFmtId, formatCode) and the xf
// elements of the first cellXfs (numFmtId, 0 when missing or not a number),
// in order; prefixed names ("x:numFmt") too. Every element of the part hands
// over its children, so none is kept. May raise while reading.
void LoadWorkbookStylesFromSource(XmlDocument& document, const BlockSource& source,
                                  WorkbookStyles& styles);

}  // namespace tabulox
