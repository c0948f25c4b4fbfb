// One .xlsx converter for all the tests of a program, kept from one
// conversion to the next as a program keeps it.
#pragma once

#include "ooxml/convert_xlsx_workbook.h"
#include "zip/zip_archive.h"

namespace tabulox::testing {

inline XlsxConverter& SharedXlsxConverter() {
  static ZipArchive archive;
  static XlsxConverter converter(archive);
  return converter;
}

}  // namespace tabulox::testing
