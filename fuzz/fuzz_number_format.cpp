// Format-code classification and the number and date/time renderers. Input:
// 8 bytes of a double (little-endian), one byte of options (bit 0: 1904 date
// system), then the format code as bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "style_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  constexpr std::size_t kHeader = sizeof(double) + 1;
  if (size < kHeader) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const bool system1904 = (data[sizeof(double)] & 0x01) != 0;
  const std::string code(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

  // First user-defined slot of the table.
  constexpr int kSlot = 164;
  const auto styles = std::make_unique<TStyleData>();
  InitStyleData(*styles);
  styles->dateSystem1904 = system1904;
  ClassifyFormatCode(kSlot, code, *styles);
  const int xf = AddXF(*styles, TXFEntry{0, kSlot});
  std::string out;
  RenderNumber(*styles, xf, value, out);
  FreeStyleData(*styles);
  return 0;
}
