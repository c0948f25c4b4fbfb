#include "xlsb/xlsb_records.h"

#include "core/engine_text.h"

namespace tabulox::xlsb {

void AppendWideString(ByteReader& in, std::string& text) {
  const std::uint32_t count = in.u32le();
  if (count == 0xFFFFFFFF) return;
  const std::span<const std::uint8_t> units = in.bytes(std::size_t{count} * 2);
  text.reserve(text.size() + units.size());
  for (std::size_t i = 0; i < units.size(); i += 2) AppendUtf16Unit(text, LoadU16le(units, i));
}

}  // namespace tabulox::xlsb
