// Which parts of a binary workbook package hold its worksheets, shared
// strings and styles: the package's "officeDocument" relationship names the
// workbook part, whose relationships name the others, and whose BrtBundleSh
// records ([MS-XLSB] 2.4.304) give the sheets' names, states and order.
#pragma once

#include <string>
#include <vector>

#include "xml/xml_document.h"
#include "zip/zip_archive.h"

namespace tabulox {

// A worksheet of the workbook: its part, its name (engine text) and whether
// its state is hidden or very hidden.
struct XlsbSheet {
  std::string part;
  std::string name;
  bool hidden = false;
};

struct XlsbWorkbookParts {
  // The worksheets in the workbook's order; chart, dialog and macro sheets
  // are left out.
  std::vector<XlsbSheet> worksheets;
  // The parts the workbook's relationships name; empty when none.
  std::string sharedStrings;
  std::string styles;
  // BrtWbProp's f1904: day serials count from 1904-01-01.
  bool date1904 = false;
};

// Reads the relationships (into `document`) and the workbook part, block by
// block. A relationships part that is missing or cannot be read leaves the
// result empty. Raises ExtractionError (or what the archive raises) for a
// workbook part that cannot be read.
XlsbWorkbookParts FindXlsbWorkbookParts(ZipArchive& reader, XmlDocument& document);

}  // namespace tabulox
