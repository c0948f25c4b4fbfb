// The whole .xlsx extraction from the bytes of a file, through the buffer
// entry point in the default and the as-shown layout, with one converter (its reader, document and string table)
// kept between inputs as a running program keeps it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert_xlsx_workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  static XlsxConverter converter;
  tabulox::OutputBlock block;
  const ResultCode rc = converter.ConvertBuffer(std::span<const std::uint8_t>(data, size), block, 65001);
  if (rc >= 0 && block.size() < static_cast<std::size_t>(rc)) __builtin_trap();
  ConversionOptions shown;
  shown.layout = Layout::kAsShown;
  shown.skipHiddenRows = shown.skipHiddenColumns = (size & 1) != 0;
  const ResultCode shownRc =
      converter.ConvertBuffer(std::span<const std::uint8_t>(data, size), block, 65001, shown);
  if (shownRc >= 0 && block.size() < static_cast<std::size_t>(shownRc)) __builtin_trap();
  return 0;
}
