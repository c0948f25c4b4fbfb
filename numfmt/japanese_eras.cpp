#include "numfmt/japanese_eras.h"

#include <array>
#include <tuple>

namespace tabulox {
namespace {

constexpr std::array<JapaneseEra, 5> kEras = {{
    {1868, 1, 1, "M", "明", "明治"},
    {1912, 7, 30, "T", "大", "大正"},
    {1926, 12, 25, "S", "昭", "昭和"},
    {1989, 1, 8, "H", "平", "平成"},
    {2019, 5, 1, "R", "令", "令和"},
}};

bool StartsOnOrBefore(const JapaneseEra& era, const CivilDate& date) {
  return std::tie(era.startYear, era.startMonth, era.startDay) <= std::tie(date.year, date.month, date.day);
}

}  // namespace

const JapaneseEra& JapaneseEraOf(const CivilDate& date) {
  for (std::size_t i = kEras.size(); i-- > 1;)
    if (StartsOnOrBefore(kEras[i], date)) return kEras[i];
  return kEras[0];
}

int JapaneseEraYear(const CivilDate& date) { return date.year - JapaneseEraOf(date).startYear + 1; }

}  // namespace tabulox
