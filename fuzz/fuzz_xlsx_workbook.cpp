// The whole .xlsx extraction from the bytes of a file, through the buffer
// entry point, with one converter (its reader, document and string table)
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
  return 0;
}
