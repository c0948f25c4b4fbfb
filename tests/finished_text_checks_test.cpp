#include "finished_text_checks.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <string_view>

#include "code_pages.h"

namespace tabulox {
namespace {

constexpr LineBreakStyle kStyles[] = {0, kLineBreakCr, kLineBreakLf};
constexpr std::int32_t kCodePages[] = {kCodePageUtf8, kCodePageSystem, 1252};

// Texts of the pieces that decide the checks: breaks of every style, lone
// halves of CR LF, characters of two and three bytes, a surrogate half, and,
// more rarely, a cut-off sequence, a stray continuation byte and a longer form
// than needed.
std::string RandomText(std::mt19937& random) {
  static constexpr std::string_view kUsual[] = {"a", "\t", "\r\n", "\r", "\n", "\xC3\xA9",
                                                "\xE2\x82\xAC", "\xED\xA0\x80", "xyz"};
  static constexpr std::string_view kRare[] = {"\xC3", "\x80", "\xE0\x80\x80", "\xF0\x9F\x98\x80"};
  std::string text;
  const int pieces = static_cast<int>(random() % 14);
  for (int i = 0; i < pieces; ++i) {
    if (random() % 10 == 0)
      text += kRare[random() % std::size(kRare)];
    else
      text += kUsual[random() % std::size(kUsual)];
  }
  return text;
}

FinishedTextChecks Whole(std::string_view text, LineBreakStyle style, std::int32_t codePage) {
  return {HasOnlyBreaksOfStyle(text, style), EncodesAsItself(text, codePage)};
}

// Wherever the cut point lands, the two parts must answer as the whole does.
TEST(FinishedTextChecks, TwoPartsAnswerAsTheWholeAtEveryCutPoint) {
  std::mt19937 random(11);
  int cutsChecked = 0;
  for (int round = 0; round < 400; ++round) {
    const std::string text = RandomText(random);
    std::set<std::size_t> cuts;
    for (std::size_t from = 0; from <= text.size(); ++from) {
      const std::size_t cut = CheckCutPoint(text, from, text.size());
      if (cut == std::string_view::npos) continue;
      ASSERT_GE(cut, from);
      ASSERT_LT(cut, text.size());
      cuts.insert(cut);
    }
    for (const LineBreakStyle style : kStyles) {
      for (const std::int32_t codePage : kCodePages) {
        const FinishedTextChecks expected = Whole(text, style, codePage);
        for (const std::size_t cut : cuts) {
          const FinishedTextChecks got = CheckFinishedTextInTwoParts(text, cut, style, codePage);
          ASSERT_EQ(got.breaksOfStyle, expected.breaksOfStyle)
              << ::testing::PrintToString(text) << " cut " << cut << " style " << style;
          ASSERT_EQ(got.encodesAsItself, expected.encodesAsItself)
              << ::testing::PrintToString(text) << " cut " << cut << " code page " << codePage;
          ++cutsChecked;
        }
      }
    }
  }
  EXPECT_GT(cutsChecked, 1000);
}

TEST(FinishedTextChecks, CutPointsAreLookedForOnlyWithinTheirReach) {
  EXPECT_EQ(CheckCutPoint("\xC3\xA9\r\n\xC3\xA9x", 0, 4), std::string_view::npos);
  EXPECT_EQ(CheckCutPoint("\xC3\xA9\r\n\xC3\xA9x", 0, 7), 6u);
  EXPECT_EQ(CheckCutPoint("ab", 0, 10), 1u);  // never before the first byte
  EXPECT_EQ(CheckCutPoint("ab", 2, 10), std::string_view::npos);
}

// Large texts are checked in two parts: a fault on either side of the middle,
// or right at it, must still be seen.
TEST(FinishedTextChecks, LargeTextsSeeFaultsOnEitherSideOfTheMiddle) {
  std::string line = "1\t\xC3\xA9t\xC3\xA9\t2,50\r\n";
  std::string text;
  while (text.size() < (std::size_t{5} << 20)) text += line;
  const auto check = [](const std::string& t) { return CheckFinishedText(t, 0, kCodePageUtf8); };
  FinishedTextChecks clean = check(text);
  EXPECT_TRUE(clean.breaksOfStyle);
  EXPECT_TRUE(clean.encodesAsItself);
  for (std::size_t near : {std::size_t{0}, text.size() / 2 - 2, text.size() / 2 - 1,
                           text.size() / 2, text.size() / 2 + 1, text.size() - 12}) {
    // A letter or digit at or after `near`, replaced by the fault.
    const std::size_t at = text.find_first_of("t12", near);
    std::string loneLf = text;
    loneLf[at] = '\n';
    std::string surrogate = text;
    surrogate[at] = '\xED';
    EXPECT_FALSE(check(loneLf).breaksOfStyle) << at;
    EXPECT_TRUE(check(loneLf).encodesAsItself) << at;
    EXPECT_FALSE(check(surrogate).encodesAsItself) << at;
  }
  // Without a place to cut, the whole text is checked at once.
  const std::string breaksOnly((std::size_t{3} << 20), '\n');
  EXPECT_TRUE(CheckFinishedText(breaksOnly, kLineBreakLf, kCodePageUtf8).breaksOfStyle);
  EXPECT_FALSE(CheckFinishedText(breaksOnly, 0, kCodePageUtf8).breaksOfStyle);
}

}  // namespace
}  // namespace tabulox
