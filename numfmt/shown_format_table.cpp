#include "numfmt/shown_format_table.h"

namespace tabulox {

void ShownFormatTable::Clear() {
  workbookCodes_.clear();
  builtInFormats_.clear();
}

void ShownFormatTable::SetCode(int id, std::string code) {
  Entry& entry = workbookCodes_[id];
  entry.code = std::move(code);
  entry.format.reset();
}

const ShownFormat& ShownFormatTable::Format(int id) const {
  static const ShownFormat kGeneral("");
  if (const auto found = workbookCodes_.find(id); found != workbookCodes_.end()) {
    Entry& entry = found->second;
    if (!entry.format) entry.format = std::make_unique<const ShownFormat>(entry.code);
    return *entry.format;
  }
  std::unique_ptr<const ShownFormat>& format = builtInFormats_[id];
  if (!format) {
    const std::string code = BuiltInFormatCode(id);
    if (code.empty()) {
      builtInFormats_.erase(id);
      return kGeneral;
    }
    format = std::make_unique<const ShownFormat>(code);
  }
  return *format;
}

}  // namespace tabulox
