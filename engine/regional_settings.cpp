#include "regional_settings.h"

namespace tabulox {
namespace {

RegionalSettings& Settings() {
  static RegionalSettings settings;
  return settings;
}

}  // namespace

const RegionalSettings& CurrentRegionalSettings() { return Settings(); }

void LoadRegionalSettings() {
  // Locale reading is not wired in yet: every item keeps its default.
  Settings() = RegionalSettings{};
}

void SetRegionalSettings(const RegionalSettings& settings) { Settings() = settings; }

}  // namespace tabulox
