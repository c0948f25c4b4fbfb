#include "ods/ods_cell_formats.h"

#include "core/text_encoding.h"

namespace tabulox {
namespace {

// The first slot past the built-in formats.
constexpr int kFirstOwnSlot = 164;

}  // namespace

OdsCellFormats::OdsCellFormats(const OdsStyles& styles, StyleTable& table)
    : styles_(styles), table_(table), nextSlot_(kFirstOwnSlot) {
  InitStyleData(table_);
  // Cell values count days from 1899-12-30 on the calendar, before it too.
  table_.dateSystem = DateSystem::kOpenDocument;
  AddXF(table_, {});
}

void OdsCellFormats::Complete() {
  if (complete_) return;
  complete_ = true;
  Add({});
  for (const std::string& name : styles_.CellStyleNames()) Add(name);
}

std::uint16_t OdsCellFormats::XfOf(std::string_view name) const {
  const auto known = xfOfStyle_.find(name);
  return known == xfOfStyle_.end() ? 0 : known->second;
}

void OdsCellFormats::Add(const std::string& name) {
  if (xfOfStyle_.find(name) != xfOfStyle_.end()) return;
  std::uint16_t xf = 0;
  const std::string code = styles_.CellFormatCode(name);
  if (!code.empty()) {
    std::uint16_t slot = 0;
    const auto seen = slotOfCode_.find(code);
    if (seen != slotOfCode_.end()) {
      slot = seen->second;
    } else if (nextSlot_ < kFormatSlotCount) {
      slot = static_cast<std::uint16_t>(nextSlot_++);
      FormatRecord format;
      format.recordType = kRecordFormat;
      format.formatIndex = slot;
      DecodeEngineText(code, format.code);
      AddFormat(table_, format);
      slotOfCode_.emplace(code, slot);
    }
    if (slot != 0 && table_.xfs.size() < 0xFFFF) xf = static_cast<std::uint16_t>(AddXF(table_, {0, slot}));
  }
  xfOfStyle_.emplace(name, xf);
}

}  // namespace tabulox
