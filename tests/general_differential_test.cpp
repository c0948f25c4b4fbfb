// The digits and the General form held byte for byte to the independent
// reference (support/general_reference.h: exact decimal expansions rounded by
// hand) over families of doubles chosen to reach every branch of the engine:
// all bit patterns, every decade, ties and carries at each digit position, and
// the edges where the General form changes shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numfmt/decimal_digits.h"
#include "numfmt/general_format.h"
#include "numfmt/regional_settings.h"
#include "support/general_reference.h"

namespace tabulox {
namespace {

using Values = std::vector<double>;

double Parse(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The value and its neighbours up to `ulps` steps away on either side.
void AddWithNeighbours(Values& values, double v, int ulps) {
  values.push_back(v);
  double below = v;
  double above = v;
  for (int i = 0; i < ulps; ++i) {
    below = std::nextafter(below, -INFINITY);
    above = std::nextafter(above, INFINITY);
    values.push_back(below);
    values.push_back(above);
  }
}

std::string RandomDigits(std::mt19937_64& random, int count) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::string s;
  for (int i = 0; i < count; ++i) s.push_back(static_cast<char>('0' + digit(random)));
  return s;
}

// "d.ddd…e±X" with a first digit that is not 0.
std::string Scientific(const std::string& digits, int exponent) {
  return digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(exponent);
}

Values RandomBitPatterns() {
  std::mt19937_64 random(101);
  Values values;
  for (int i = 0; i < 200000; ++i) values.push_back(std::bit_cast<double>(random()));
  // Subnormals, which random bits reach only rarely.
  for (int i = 0; i < 5000; ++i) values.push_back(std::bit_cast<double>(random() >> 12));
  return values;
}

// Uniform in the last place across [10^k, 10^(k+1)) and uniform in value.
Values EveryDecade() {
  std::mt19937_64 random(103);
  Values values;
  for (int k = -20; k <= 20; ++k) {
    const double low = Parse("1e" + std::to_string(k));
    const double high = Parse("1e" + std::to_string(k + 1));
    const auto lowBits = std::bit_cast<std::uint64_t>(low);
    const auto highBits = std::bit_cast<std::uint64_t>(high);
    std::uniform_int_distribution<std::uint64_t> bits(lowBits, highBits - 1);
    std::uniform_real_distribution<double> spread(low, high);
    for (int i = 0; i < 2500; ++i) {
      values.push_back(std::bit_cast<double>(bits(random)));
      values.push_back(spread(random));
    }
  }
  // Two decimals, as amounts of money are typed.
  std::uniform_int_distribution<std::int64_t> cents(1, 9999999999);
  for (int i = 0; i < 10000; ++i) values.push_back(static_cast<double>(cents(random)) / 100);
  return values;
}

// n random significant digits followed by a 5 (a tie at digit n when the rest
// is zero) or by 49…9 / 50…01, at every decade, with the doubles around them.
Values RoundingBoundaries() {
  std::mt19937_64 random(107);
  std::uniform_int_distribution<int> decade(-20, 20);
  std::uniform_int_distribution<int> first(1, 9);
  Values values;
  for (int n = 1; n <= 19; ++n) {
    for (int i = 0; i < 600; ++i) {
      const std::string head = std::to_string(first(random)) + RandomDigits(random, n - 1);
      const int x = decade(random);
      for (const char* tail : {"5", "49999", "50001", "4", "6"})
        AddWithNeighbours(values, Parse(Scientific(head + tail, x)), 2);
    }
  }
  return values;
}

// Runs of nines that carry into a new first digit when rounded at any
// position, e.g. 9.99999999999999 5 × 10^X.
Values CarriesThroughNines() {
  std::mt19937_64 random(109);
  Values values;
  for (int nines = 1; nines <= 19; ++nines) {
    for (int x = -22; x <= 22; ++x) {
      const std::string run(static_cast<std::size_t>(nines), '9');
      for (const char* tail : {"", "5", "4", "49", "51", "9"})
        AddWithNeighbours(values, Parse(Scientific(run + tail, x)), 2);
      AddWithNeighbours(values, Parse(Scientific(run + RandomDigits(random, 3), x)), 1);
    }
  }
  return values;
}

// Where the General form changes shape (10^-4, 10^15), where the digit routes
// change (10^-4, 10^17), and the ends of the double range.
Values FormBoundaries() {
  Values values;
  for (double edge : {1e-5, 1e-4, 1e-3, 0.1, 1.0, 10.0, 1e14, 1e15, 1e16, 1e17, 1e18})
    AddWithNeighbours(values, edge, 40);
  for (int x : {-6, -5, -4, -3, 13, 14, 15, 16, 17})
    for (int last = 0; last <= 9; ++last)
      for (const char* tail : {"", "5", "9"})
        AddWithNeighbours(values, Parse(Scientific("99999999999999" + std::to_string(last) + tail, x)), 2);
  const double ends[] = {0.0,
                         -0.0,
                         std::numeric_limits<double>::denorm_min(),
                         DBL_MIN,
                         std::nextafter(DBL_MIN, 0.0),
                         DBL_MAX,
                         std::nextafter(DBL_MAX, 0.0),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()};
  values.insert(values.end(), std::begin(ends), std::end(ends));
  return values;
}

// Integers of every length, around 2^53 and 10^15, and dyadic fractions
// j / 2^m whose exact decimal forms end on a 5.
Values IntegersAndDyadics() {
  std::mt19937_64 random(113);
  Values values;
  for (int digits = 1; digits <= 20; ++digits) {
    const double top = std::pow(10.0, digits);
    std::uniform_real_distribution<double> spread(top / 10, top);
    for (int i = 0; i < 2000; ++i) values.push_back(std::floor(spread(random)));
    AddWithNeighbours(values, top, 3);
    AddWithNeighbours(values, top - 1, 3);
  }
  AddWithNeighbours(values, 9007199254740992.0, 8);
  AddWithNeighbours(values, 4503599627370496.0, 8);
  std::uniform_int_distribution<std::uint64_t> j(1, std::uint64_t{1} << 53);
  std::uniform_int_distribution<int> m(1, 70);
  for (int i = 0; i < 40000; ++i) values.push_back(std::ldexp(static_cast<double>(j(random)), -m(random)));
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<double>(j(random) >> 20) + 0.5);
  return values;
}

struct Family {
  const char* name;
  std::function<Values()> make;
};

void PrintTo(const Family& family, std::ostream* os) { *os << family.name; }

class Differential : public ::testing::TestWithParam<Family> {
 protected:
  void SetUp() override {
    values_ = GetParam().make();
    const std::size_t count = values_.size();
    for (std::size_t i = 0; i < count; ++i) values_.push_back(-values_[i]);
  }
  void TearDown() override { SetRegionalSettings(RegionalSettings{}); }

  Values values_;
};

std::string Show(const DecimalDigits& d) {
  return (d.negative ? "-0." : "0.") + std::string(d.digits, static_cast<std::size_t>(d.count)) +
         "e" + std::to_string(d.exponent);
}

// The reference itself, against expansions and roundings worked out apart
// from it, so that a fault it shared with the engine would still show.
TEST(GeneralReference, ExactExpansions) {
  struct Case {
    long double value;
    std::size_t length;
    const char* head;
    const char* tail;
    int exponent;
  };
  const Case cases[] = {
      {0.1, 55, "10000000000000000555", "1231257827021181583404541015625", 0},
      {0.1L, 67, "10000000000000000000135525", "4271392822265625", 0},
      {123.456, 49, "12345600000000000306", "36328029632568359375", 3},
      {1e23, 23, "99999999999999991611392", "1611392", 23},
      {std::numeric_limits<double>::denorm_min(), 751, "49406564584124654417", "19718265533447265625", -323},
      {DBL_MIN, 715, "22250738585072013830", "10924625396728515625", -307},
      {DBL_MAX, 309, "17976931348623157081", "50404026184124858368", 309},
      {-0.5, 1, "5", "5", 0},
  };
  for (const Case& c : cases) {
    const testing::ExactDecimal exact = c.value == static_cast<double>(c.value)
                                            ? testing::ExactDecimalOf(static_cast<double>(c.value))
                                            : testing::ExactDecimalOf(c.value);
    EXPECT_EQ(exact.digits.size(), c.length) << c.head;
    EXPECT_EQ(exact.digits.rfind(c.head, 0), 0u) << exact.digits;
    EXPECT_TRUE(exact.digits.ends_with(c.tail)) << exact.digits;
    EXPECT_EQ(exact.exponent, c.exponent) << c.head;
    EXPECT_EQ(exact.negative, c.value < 0) << c.head;
  }
}

TEST(GeneralReference, Rounding) {
  struct Case {
    double value;
    int significant;
    int decimals;
    const char* want;
  };
  const Case cases[] = {
      // Ties at the 19th digit of the exact value go to the even 18th.
      {2099.0 / 2097152, 18, kNoDecimalLimit, "0.100088119506835938e-2"},  // ...375
      {2101.0 / 2097152, 18, kNoDecimalLimit, "0.100183486938476562e-2"},  // ...625
      // The limit rounds the 18-digit form half away from zero: 0.556 is
      // 0.55600000000000004973…, whose 18 digits end in 50.
      {0.556, 16, kNoDecimalLimit, "0.5560000000000001e0"},
      {0.556, 15, kNoDecimalLimit, "0.556e0"},
      {2.5, 1, kNoDecimalLimit, "0.3e1"},
      {-2.5, 1, kNoDecimalLimit, "-0.3e1"},
      {0.125, 18, 2, "0.13e0"},
      {9.96, 18, 1, "0.1e2"},  // carried into a new first digit
      {0.5, 0, kNoDecimalLimit, "0.1e1"},
      // Nothing kept: not negative, and the exponent stays unless the
      // decimal limit ends before the first digit.
      {-0.004, 18, 2, "0.e-2"},
      {0.49, 0, kNoDecimalLimit, "0.e0"},
      {-1e-5, 18, 2, "0.e0"},
      {0.0, 15, kNoDecimalLimit, "0.e0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Show(testing::ReferenceToDecimalDigits(c.value, c.significant, c.decimals)), c.want)
        << c.value << " limits " << c.significant << " " << c.decimals;
}

TEST_P(Differential, GeneralFormIsByteIdenticalWithEachSeparator) {
  // The reference texts with a "." as the separator, worked out once: the
  // General form has at most one separator and no other ".".
  std::vector<std::string> pointTexts;
  for (const double v : values_) {
    pointTexts.emplace_back();
    testing::ReferenceAppendGeneral(v, ".", pointTexts.back());
  }
  // One byte, another byte, a two-byte UTF-8 separator (U+066B), and one
  // longer than any locale's, which the text on the stack has no room for.
  for (const char* separator : {".", ",", "\xD9\xAB", "<a long separator>"}) {
    RegionalSettings settings;
    settings.decimalSeparator = separator;
    SetRegionalSettings(settings);
    std::string got;
    std::string want;
    for (std::size_t i = 0; i < values_.size(); ++i) {
      // Appending to what is already there, as a row is built.
      got.assign("cell\t");
      AppendGeneral(values_[i], got);
      want = "cell\t" + pointTexts[i];
      if (const auto point = want.find('.'); point != std::string::npos) want.replace(point, 1, separator);
      ASSERT_EQ(got, want) << std::hexfloat << values_[i] << std::defaultfloat << " = " << values_[i];
    }
  }
}

// Every significant-digit limit of the General form and the scientific
// patterns, and the decimal-place limits of the fixed patterns.
TEST_P(Differential, DigitsAreIdenticalAtEveryLimit) {
  constexpr std::size_t kGridValues = 12000;  // per sign; keeps the run short
  const std::size_t half = values_.size() / 2;
  const std::size_t step = std::max<std::size_t>(1, half / kGridValues);
  for (std::size_t i = 0; i < values_.size(); i += step) {
    const double v = values_[i];
    // Infinities and NaNs have no digits, as zeros have none.
    const testing::ExactDecimal exact = std::isfinite(v) ? testing::ExactDecimalOf(v) : testing::ExactDecimal{};
    for (int significant = 0; significant <= 20; ++significant) {
      for (int decimals : {0, 1, 2, 3, 10, 20, kNoDecimalLimit}) {
        const DecimalDigits got = ToDecimalDigits(v, significant, decimals);
        const DecimalDigits want = testing::ReferenceDigits(exact, significant, decimals);
        ASSERT_EQ(Show(got), Show(want))
            << std::hexfloat << v << std::defaultfloat << " = " << v << " limits " << significant
            << " " << decimals;
      }
    }
  }
}

// Long doubles that are not doubles (a percent pattern's value × 100) take the
// conversion route into the same rounding.
TEST_P(Differential, LongDoubleDigitsAreIdentical) {
  constexpr std::size_t kLongValues = 5000;
  const std::size_t step = std::max<std::size_t>(1, values_.size() / kLongValues);
  for (std::size_t i = 0; i < values_.size(); i += step) {
    for (const long double v : {static_cast<long double>(values_[i]) * 100.0L,
                                static_cast<long double>(values_[i]) / 3.0L}) {
      for (int significant : {0, 1, 2, 15, 18, 20}) {
        for (int decimals : {0, 2, kNoDecimalLimit}) {
          ASSERT_EQ(Show(ToDecimalDigits(v, significant, decimals)),
                    Show(testing::ReferenceToDecimalDigits(v, significant, decimals)))
              << v << " limits " << significant << " " << decimals;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, Differential,
                         ::testing::Values(Family{"RandomBitPatterns", RandomBitPatterns},
                                           Family{"EveryDecade", EveryDecade},
                                           Family{"RoundingBoundaries", RoundingBoundaries},
                                           Family{"CarriesThroughNines", CarriesThroughNines},
                                           Family{"FormBoundaries", FormBoundaries},
                                           Family{"IntegersAndDyadics", IntegersAndDyadics}),
                         [](const ::testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tabulox
