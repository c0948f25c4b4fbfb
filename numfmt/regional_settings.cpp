#include "numfmt/regional_settings.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "numfmt/locale_patterns.h"

namespace tabulox {
namespace {

RegionalSettings& Settings() {
  static RegionalSettings settings;
  return settings;
}

// A locale object for one locale name, released on scope exit.
class LocaleHandle {
 public:
  explicit LocaleHandle(const char* name) : locale_(newlocale(LC_ALL_MASK, name, nullptr)) {}
  ~LocaleHandle() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  LocaleHandle(const LocaleHandle&) = delete;
  LocaleHandle& operator=(const LocaleHandle&) = delete;

  explicit operator bool() const { return locale_ != nullptr; }
  const char* Item(nl_item item) const { return nl_langinfo_l(item, locale_); }

 private:
  locale_t locale_;
};

// Converts locale text from the locale's character set to UTF-8. Text that the
// conversion rejects is left empty, so the default applies.
class Utf8Converter {
 public:
  explicit Utf8Converter(const char* codeset) {
    const std::string_view name = codeset == nullptr ? "" : codeset;
    if (name != "UTF-8" && name != "ANSI_X3.4-1968" && !name.empty())
      cd_ = iconv_open("UTF-8", codeset);
  }
  ~Utf8Converter() {
    if (cd_ != kNoConversion) iconv_close(cd_);
  }
  Utf8Converter(const Utf8Converter&) = delete;
  Utf8Converter& operator=(const Utf8Converter&) = delete;

  std::string operator()(const char* text) const {
    if (text == nullptr) return {};
    if (cd_ == kNoConversion) return text;
    std::string in(text);
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return {};
    // The character a converter holds back until it knows what follows.
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  static inline const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_ = kNoConversion;
};

void SetIfGiven(std::string& target, std::string value) {
  if (!value.empty()) target = std::move(value);
}

void ReadMonetary(const LocaleHandle& locale, RegionalSettings& settings) {
  const Utf8Converter utf8(locale.Item(CODESET));
  // CRNCYSTR leads with where the symbol goes: '-' before, '+' after, '.' for
  // the radix character.
  std::string symbol = utf8(locale.Item(CRNCYSTR));
  if (!symbol.empty() && std::string_view("-+.").find(symbol.front()) != std::string_view::npos)
    symbol.erase(0, 1);
  SetIfGiven(settings.currencySymbol, std::move(symbol));
}

void ReadNumeric(const LocaleHandle& locale, RegionalSettings& settings) {
  const Utf8Converter utf8(locale.Item(CODESET));
  SetIfGiven(settings.decimalSeparator, utf8(locale.Item(RADIXCHAR)));
  // An empty thousands separator is a convention of its own: no grouping.
  settings.thousandsSeparator = utf8(locale.Item(THOUSEP));
}

std::vector<CalendarEra> ReadEras(const LocaleHandle& locale, const Utf8Converter& utf8) {
  std::vector<CalendarEra> eras;
#ifdef __GLIBC__
  // glibc lists the era segments one after another, each ended by a NUL.
  const auto count = reinterpret_cast<std::uintptr_t>(locale.Item(_NL_TIME_ERA_NUM_ENTRIES));
  const char* segment = locale.Item(ERA);
  for (std::uintptr_t i = 0; i < count && segment != nullptr && *segment != '\0'; ++i) {
    CalendarEra era;
    if (ParseEraSegment(utf8(segment), era)) eras.push_back(std::move(era));
    segment += std::strlen(segment) + 1;
  }
#else
  (void)locale;
  (void)utf8;
#endif
  return eras;
}

EraNameShortForm EraShortFormOf(std::string_view localeName) {
  if (localeName.starts_with("ja")) return EraNameShortForm::kFirstCharacter;
  if (localeName.starts_with("zh_TW") || localeName.starts_with("zh_HK") ||
      localeName.starts_with("zh_MO"))
    return EraNameShortForm::kLastTwoOfFourCharacters;
  return EraNameShortForm::kWhole;
}

void ReadTime(const char* localeName, const LocaleHandle& locale, RegionalSettings& settings) {
  const Utf8Converter utf8(locale.Item(CODESET));
  static constexpr nl_item kShortMonths[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,
                                               ABMON_5, ABMON_6, ABMON_7, ABMON_8,
                                               ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static constexpr nl_item kLongMonths[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                              MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static constexpr nl_item kShortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                            ABDAY_5, ABDAY_6, ABDAY_7};
  static constexpr nl_item kLongDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (std::size_t i = 0; i < 12; ++i) {
    SetIfGiven(settings.shortMonthNames[i], utf8(locale.Item(kShortMonths[i])));
    SetIfGiven(settings.longMonthNames[i], utf8(locale.Item(kLongMonths[i])));
  }
  for (std::size_t i = 0; i < 7; ++i) {
    SetIfGiven(settings.shortDayNames[i], utf8(locale.Item(kShortDays[i])));
    SetIfGiven(settings.longDayNames[i], utf8(locale.Item(kLongDays[i])));
  }
  SetIfGiven(settings.amDesignator, utf8(locale.Item(AM_STR)));
  SetIfGiven(settings.pmDesignator, utf8(locale.Item(PM_STR)));

  const std::string dateFormat = utf8(locale.Item(D_FMT));
  if (!dateFormat.empty()) {
    const TranslatedDateFormat date = TranslateDateFormat(dateFormat);
    SetIfGiven(settings.shortDatePattern, date.pattern);
    if (date.separatorFound) settings.dateSeparator = date.separator;
  }
  const std::string timeFormat = utf8(locale.Item(T_FMT));
  if (!timeFormat.empty()) {
    const TranslatedTimeFormat time = TranslateTimeFormat(timeFormat, utf8(locale.Item(T_FMT_AMPM)));
    if (time.hourFound) {
      settings.shortTimePattern = time.shortPattern;
      settings.longTimePattern = time.longPattern;
    }
    if (time.separatorFound) settings.timeSeparator = time.separator;
  }
  settings.eras = ReadEras(locale, utf8);
  settings.eraShortForm = EraShortFormOf(localeName);
}

bool ReadFromLocales(const char* numericName, const char* timeName, const char* monetaryName,
                     RegionalSettings& settings) {
  RegionalSettings read;
  if (!IsNeutralLocaleName(numericName)) {
    const LocaleHandle numeric(numericName);
    if (!numeric) return false;
    ReadNumeric(numeric, read);
  }
  if (!IsNeutralLocaleName(timeName)) {
    const LocaleHandle time(timeName);
    if (!time) return false;
    ReadTime(timeName, time, read);
  }
  if (!IsNeutralLocaleName(monetaryName)) {
    const LocaleHandle monetary(monetaryName);
    if (!monetary) return false;
    ReadMonetary(monetary, read);
  }
  settings = std::move(read);
  return true;
}

}  // namespace

bool IsNeutralLocaleName(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

const RegionalSettings& CurrentRegionalSettings() { return Settings(); }

void LoadRegionalSettings() {
  // A name that setlocale returns may be overwritten by its next call.
  const auto categoryName = [](int category) {
    const char* name = setlocale(category, nullptr);
    return std::string(name == nullptr ? "" : name);
  };
  const std::string numericName = categoryName(LC_NUMERIC);
  const std::string timeName = categoryName(LC_TIME);
  const std::string monetaryName = categoryName(LC_MONETARY);
  RegionalSettings settings;
  if (!ReadFromLocales(numericName.c_str(), timeName.c_str(), monetaryName.c_str(), settings))
    settings = {};
  Settings() = std::move(settings);
}

bool ReadRegionalSettings(const char* localeName, RegionalSettings& settings) {
  return ReadFromLocales(localeName, localeName, localeName, settings);
}

void SetRegionalSettings(const RegionalSettings& settings) { Settings() = settings; }

}  // namespace tabulox
