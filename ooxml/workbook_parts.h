// Which parts of a package hold a workbook's worksheets and shared strings.
// The relationships say it (ECMA-376 Part 1 §12.3, Part 2 §9.3): the package's
// "officeDocument" relationship names the workbook part, whose relationships
// name its worksheets and its shared strings, and whose sheets list gives the
// worksheets' order. Most writers name the worksheets "xl/worksheets/sheetN.xml".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xml_document.h"
#include "zip_archive.h"

namespace tabulox {

struct WorkbookParts {
  // The worksheet parts of the workbook's sheets list, in its order; empty
  // when the relationships cannot be read or list none.
  std::vector<std::string> worksheets;
  // The shared-string part the workbook's relationships name; empty when none.
  std::string sharedStrings;
};

// Reads the package's relationships, the workbook's relationships and its
// sheets list, each part block by block into `document`. Never raises: a
// part that is missing, fails its CRC-32 or cannot be read leaves the result
// empty from there on.
WorkbookParts FindWorkbookParts(ZipArchive& reader, XmlDocument& document);

// N of a part named "xl/worksheets/sheetN.xml" (ASCII case ignored, "/" and
// "\" alike), N decimal without leading zeros; empty for any other name.
std::string_view NumberedWorksheet(std::string_view part);

// The numbers N of the archive's members named "xl/worksheets/sheetN.xml",
// each once, in ascending order.
std::vector<std::string> NumberedWorksheets(const ZipArchive& reader);

}  // namespace tabulox
