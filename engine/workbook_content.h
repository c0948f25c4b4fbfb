// What a workbook file holds, told by its bytes rather than its name: the
// engine picks its reader from this once the name says it is a workbook, so a
// workbook under another workbook's extension (a web export's ".xls" that is
// an Office Open XML package, a password-protected ".xlsx" that is a compound
// file) still reaches the reader it needs.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "zip/zip_archive.h"

namespace tabulox {

enum class WorkbookContent {
  kOther,           // none of the kinds below: the name decides
  kCompoundFile,    // a compound file (a workbook stream or an encrypted package, or neither)
  kBareBiffStream,  // a BIFF2 to BIFF5 record stream of its own
  kXlsxPackage,     // a ZIP archive with "xl/workbook.xml"
  kXlsbPackage,     // a ZIP archive with "xl/workbook.bin"
  kOdsPackage,      // a ZIP archive with an OpenDocument spreadsheet "mimetype", else "content.xml"
  kFlatOds,         // an XML document whose root element is office:document
};

// The content of the file at `path` from its first bytes. A ZIP archive is
// opened in `archive` to look at its member names, and stays open there for
// the reader that follows (its member list is kept while the file is
// unchanged). A file that cannot be read or opened as an archive is kOther:
// its reader reports what is wrong.
WorkbookContent ContentOfFile(const std::string& path, ZipArchive& archive);

// The same for a file held in memory; the bytes must outlive the archive's use.
WorkbookContent ContentOfBytes(std::span<const std::uint8_t> file, ZipArchive& archive);

}  // namespace tabulox
