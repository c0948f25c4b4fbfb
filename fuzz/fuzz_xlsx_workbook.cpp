// The whole .xlsx extraction from the bytes of a file, through the buffer
// entry point, in the default and the as-shown layouts (hidden content left
// out), and the list of its sheets, with one converter (its reader, document,
// string table and styles) kept between inputs as a running program keeps it.
// A compound file is taken for an encrypted package: it is decrypted with the
// default password, and the package it holds is what the converter reads.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/encrypted_package.h"
#include "ooxml/convert_xlsx_workbook.h"
#include "xls/compound_file.h"
#include "zip/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  static ZipArchive archive;
  static XlsxConverter converter(archive);
  std::span<const std::uint8_t> file(data, size);
  FileBytes package;
  if (HasCompoundFileSignature(file)) {
    try {
      if (DecryptPackageFile(file, std::nullopt, package) != DecryptionOutcome::kDecrypted) return 0;
    } catch (...) {
      return 0;
    }
    file = package;
  }
  ConversionOptions shown;
  shown.layout = Layout::kAsShown;
  shown.skipHiddenSheets = shown.skipHiddenRows = shown.skipHiddenColumns = true;
  for (const ConversionOptions& options : {ConversionOptions{}, shown}) {
    tabulox::OutputBlock block;
    const ResultCode rc = converter.ConvertBuffer(file, block, 65001, options);
    if (rc >= 0 && block.size() < static_cast<std::size_t>(rc)) __builtin_trap();
  }
  std::vector<SheetInfo> sheets;
  const ResultCode count = converter.ListSheetsInBuffer(file, sheets);
  if (count >= 0 && sheets.size() != static_cast<std::size_t>(count)) __builtin_trap();
  return 0;
}
