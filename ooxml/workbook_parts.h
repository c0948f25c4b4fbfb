// Which parts of a package hold a workbook's worksheets and shared strings.
// The relationships say it (ECMA-376 Part 1 §12.3, Part 2 §9.3): the package's
// "officeDocument" relationship names the workbook part, whose relationships
// name its worksheets and its shared strings, and whose sheets list gives the
// worksheets' order. Most writers name the worksheets "xl/worksheets/sheetN.xml".
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xml/xml_document.h"
#include "zip/zip_archive.h"

namespace tabulox {

// A worksheet of the workbook's sheets list: its part, its name as written
// (engine text) and whether its state is "hidden" or "veryHidden".
struct ListedWorksheet {
  std::string part;
  std::string name;
  bool hidden = false;
};

struct WorkbookParts {
  // The worksheets of the workbook's sheets list, in its order; empty when
  // the relationships cannot be read or list none. Chart and dialog sheets
  // are not worksheets.
  std::vector<ListedWorksheet> worksheets;
  // The shared-string and styles parts the workbook's relationships name;
  // empty when none.
  std::string sharedStrings;
  std::string styles;
  // The workbook's workbookPr says date1904 ("1" or "true").
  bool date1904 = false;
};

// What the relationships of a package and of its workbook part name: the
// workbook part, its shared-string and styles parts (the first of each kind;
// empty when none) and the part of each worksheet relationship id (the first
// relationship of an id). The same for .xlsx and .xlsb packages.
struct WorkbookRelationships {
  std::string workbook;
  std::string sharedStrings;
  std::string styles;
  std::unordered_map<std::string, std::string> worksheetParts;
};

// Reads the package's relationships and the workbook part's, each block by
// block into `document`. False when either relationships part is missing,
// fails its CRC-32 or cannot be read, or the package names no workbook.
// Raises what reading the archive raises.
bool ReadWorkbookRelationships(ZipArchive& reader, XmlDocument& document,
                               WorkbookRelationships& relationships);

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
