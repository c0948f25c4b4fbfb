// Format-code classification and the number and date/time renderers. Input:
// 8 bytes of a double (little-endian), one byte of options (its two low bits:
// the date system, 0 and 3 the 1900 one, 1 the 1904 one, 2 OpenDocument's), then the format code as bytes. The code goes through the style
// table (classification, then the route it picks) and, as it is, straight to
// both pattern interpreters and to the as-shown renderer (number and text).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/extraction_error.h"
#include "numfmt/date_time_pattern.h"
#include "numfmt/number_pattern.h"
#include "numfmt/regional_settings.h"
#include "numfmt/shown_format.h"
#include "xls/style_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  static const bool settingsLoaded = (LoadRegionalSettings(), true);
  (void)settingsLoaded;
  constexpr std::size_t kHeader = sizeof(double) + 1;
  if (size < kHeader) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const std::uint8_t systemBits = data[sizeof(double)] & 0x03;
  const DateSystem system = systemBits == 1   ? DateSystem::k1904
                            : systemBits == 2 ? DateSystem::kOpenDocument
                                              : DateSystem::k1900;
  const std::string code(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

  // First user-defined slot of the table.
  constexpr int kSlot = 164;
  const auto styles = std::make_unique<StyleTable>();
  InitStyleData(*styles);
  styles->dateSystem = system;
  ClassifyFormatCode(kSlot, code, *styles);
  const int xf = AddXF(*styles, XfEntry{0, kSlot});
  std::string out;
  // A code longer than the interpreter accepts raises ExtractionError, which
  // ends a conversion with -5.
  try {
    RenderNumber(*styles, xf, value, out);
  } catch (const ExtractionError&) {
  }

  out.clear();
  try {
    FormatNumberPattern(code, value, out);
  } catch (const ExtractionError&) {
  }
  out.clear();
  FormatDateTimePattern(code, value, out, system);
  if (out.size() > kMaxDateTimeTextLength) __builtin_trap();

  // The as-shown text grows with the code at most by a small factor (a month
  // or day name, a regional date for "[$-F800]"), plus a number's digits; a
  // text cell's text is written at most kMaxTextValues times.
  const ShownFormat shown(code);
  out.clear();
  shown.AppendNumber(value, system, out);
  if (out.size() > 32 * code.size() + 4096) __builtin_trap();
  out.clear();
  shown.AppendText(code, out);
  if (out.size() > (kMaxTextValues + 1) * code.size() + 4096) __builtin_trap();
  return 0;
}
