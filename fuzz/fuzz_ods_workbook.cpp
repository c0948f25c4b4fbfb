// The whole OpenDocument spreadsheet extraction from the bytes of a file (a
// package or a flat document), through the buffer entry point, in the default
// and the as-shown layouts (hidden content left out), and the list of its
// sheets, with one converter and archive kept between inputs as a running
// program keeps them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ods/convert_ods_workbook.h"
#include "zip/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  static ZipArchive archive;
  static OdsConverter converter(archive);
  const std::span<const std::uint8_t> file(data, size);
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
