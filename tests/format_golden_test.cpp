// Real workbooks that use many number formats, their text compared with
// expected outputs in tests/golden/ that were checked cell by cell against the
// workbooks' format codes. Regional settings are pinned to the defaults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "xls/convert_workbook.h"

namespace tabulox {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FormatGolden : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_P(FormatGolden, TextMatchesTheCheckedOutput) {
  const std::filesystem::path source =
      std::filesystem::path(TABULOX_CORPUS_DIR) / "xls" / (std::string(GetParam()) + ".xls");
  if (!std::filesystem::exists(source)) GTEST_SKIP() << source << " is not available";
  const std::filesystem::path expected =
      std::filesystem::path(TABULOX_GOLDEN_DIR) / (std::string(GetParam()) + ".txt");
  std::string text;
  const ResultCode code = ExtractWorkbookText(source.string(), text);
  EXPECT_EQ(code, static_cast<ResultCode>(text.size()));
  EXPECT_EQ(text, ReadAll(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, FormatGolden,
    ::testing::Values("parseexcel__FmtTest",         // built-in and custom number formats
                      "parseexcel__Dates",           // date codes
                      "xlrd__Formate",               // upper-case codes, currency sections
                      "readxl__dates-1904",          // 1904 date system
                      "readxl__datetime-rounding",   // times near whole seconds
                      "calamine__date_1904",         // 1904 system, bracketed elapsed time
                      "parseexcel__Test1904"));      // 1904 system, mixed cells

// A one-sheet workbook in a compound file: FORMAT 164 with `code`, one XF
// naming it, and one NUMBER cell with `value` in that XF.
std::vector<std::uint8_t> WorkbookWithFormat(std::u16string_view code, double value,
                                             bool dateSystem1904 = false) {
  testing::BiffWriter w;
  w.Bof(testing::kBofGlobals);
  if (dateSystem1904) w.DateMode(1);
  w.Format(164, code);
  w.XF(164);
  const auto sheet = w.BoundSheet(u"S");
  w.Eof();
  w.StartSheet(sheet);
  w.Number(0, 0, 0, value);
  w.Eof();
  const std::span<const std::uint8_t> stream = w.bytes();
  return testing::WriteCompoundFile({{u"Workbook", {stream.begin(), stream.end()}}});
}

std::string Converted(const std::vector<std::uint8_t>& file, std::int32_t codePage,
                      ResultCode& code) {
  OutputBlock block;
  code = ConvertWorkbookBuffer(file, block, codePage);
  if (code < 0) return {};
  return std::string(block.begin(), block.begin() + code);
}

class FormatConversion : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_F(FormatConversion, NumberCodeLongerThan224BytesGivesGeneralForm) {
  ResultCode code = 0;
  const std::u16string longest(224, u'0');
  EXPECT_EQ(Converted(WorkbookWithFormat(longest, 5), 65001, code),
            "\xEF\xBB\xBFS\r\n" + std::string(224, '0').replace(223, 1, "5") + "\r\n\r\n");
  EXPECT_EQ(Converted(WorkbookWithFormat(longest + u"0", 5), 65001, code),
            "\xEF\xBB\xBFS\r\n5\r\n\r\n");
}

TEST_F(FormatConversion, DatesOf1904WorkbooksAreNotFourYearsEarly) {
  ResultCode code = 0;
  EXPECT_EQ(Converted(WorkbookWithFormat(u"yyyy-mm-dd", 39448 - 1462, true), 65001, code),
            "\xEF\xBB\xBFS\r\n2008-01-01\r\n\r\n");
  EXPECT_EQ(Converted(WorkbookWithFormat(u"yyyy-mm-dd", 39448, false), 65001, code),
            "\xEF\xBB\xBFS\r\n2008-01-01\r\n\r\n");
}

// Cutting a long date text inside a two-byte character would leave malformed
// text that no code page but UTF-8 accepts.
TEST_F(FormatConversion, CutDateTextStaysConvertible) {
  std::u16string code = u"m";
  code.append(254, u'x');
  code += u"\u00E4";
  ResultCode result = 0;
  const std::string text = Converted(WorkbookWithFormat(code, 39448), 1252, result);
  ASSERT_GT(result, 0);
  std::string expected = "S\r\n1";
  expected.append(254, 'x');
  EXPECT_EQ(text, expected + "\r\n\r\n");
}

TEST_F(FormatConversion, SerialsOutsideTheCalendarAreWrittenInGeneralForm) {
  ResultCode code = 0;
  EXPECT_EQ(Converted(WorkbookWithFormat(u"yyyy-mm-dd", 1e300), 65001, code),
            "\xEF\xBB\xBFS\r\n1E300\r\n\r\n");
  EXPECT_EQ(Converted(WorkbookWithFormat(u"yyyy-mm-dd", -1e6), 65001, code),
            "\xEF\xBB\xBFS\r\n-1000000\r\n\r\n");
}

}  // namespace
}  // namespace tabulox
