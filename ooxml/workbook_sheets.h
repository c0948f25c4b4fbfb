// The worksheets a conversion writes, in the order it writes them, with the
// heading the default layout gives each and the name the as-shown layouts
// give it (see docs/architecture.md for which parts are read).
#pragma once

#include <string>
#include <vector>

#include "ooxml/workbook_parts.h"
#include "tabulox/tabulox.h"
#include "zip/zip_archive.h"

namespace tabulox {

struct WorkbookSheet {
  std::string part;
  std::string heading;  // the default layout's heading without its colon: "sheet2"
  std::string name;     // the sheet's name in the workbook (engine text)
  bool hidden = false;  // hidden or very hidden
};

// The listed worksheets when they are read by the sheets list: when some
// listed part is not named "xl/worksheets/sheetN.xml", those present in the
// archive in the order of the list, headed "sheetK" by their place in it; a
// part listed more than once is written at its first place only. Empty
// otherwise, or when none of them is present.
std::vector<WorkbookSheet> ListedWorkbookSheets(const WorkbookParts& parts, ZipArchive& reader);

// The parts "xl/worksheets/sheetN.xml" in ascending N, headed "sheetN". Each
// takes the name and state the sheets list gives its part; a part the list
// does not name is "SheetN", not hidden.
std::vector<WorkbookSheet> NumberedWorkbookSheets(const WorkbookParts& parts,
                                                  const ZipArchive& reader);

// ListedWorkbookSheets, else NumberedWorkbookSheets.
std::vector<WorkbookSheet> WorkbookSheets(const WorkbookParts& parts, ZipArchive& reader);

// The sheets as a program sees them: names in UTF-8.
std::vector<SheetInfo> SheetInfos(const std::vector<WorkbookSheet>& sheets);

}  // namespace tabulox
