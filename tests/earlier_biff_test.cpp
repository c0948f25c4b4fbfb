// Workbooks of BIFF2 to BIFF7. Each is built here record by record, and the
// same cells are built as a BIFF8 workbook with the BIFF8 writer; both are
// converted and their texts must be the same byte for byte, in every output
// code page tried. Then the pieces of their own: 8-bit strings in a code page,
// the sheet name of a worksheet file, encrypted and damaged streams, and the
// earlier-version workbooks of the corpus.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "core/text_encoding.h"
#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "support/earlier_biff_writer.h"
#include "xls/code_page_strings.h"
#include "xls/convert_workbook.h"
#include "xls/worksheet_file_name.h"

namespace tabulox {
namespace {

using testing::Biff2Attributes;
using testing::BiffWriter;
using testing::EarlierBiffWriter;
using testing::kBofGlobals;
using testing::kBofWorksheet;

struct Converted {
  ResultCode code = 0;
  std::string text;
};

Converted ConvertBytes(std::span<const std::uint8_t> file, std::int32_t codePage = 65001) {
  OutputBlock block;
  Converted out;
  out.code = ConvertWorkbookBuffer(file, block, codePage);
  if (out.code >= 0) out.text.assign(block, 0, static_cast<std::size_t>(out.code));
  return out;
}

std::vector<std::uint8_t> InCompoundFile(const BiffWriter& w, std::u16string streamName) {
  const std::span<const std::uint8_t> stream = w.bytes();
  return testing::WriteCompoundFile({{std::move(streamName), {stream.begin(), stream.end()}}});
}

// The BIFF8 workbook in a compound file, as its writers store it.
Converted ConvertBiff8(const BiffWriter& w, std::int32_t codePage = 65001) {
  return ConvertBytes(InCompoundFile(w, u"Workbook"), codePage);
}

std::uint32_t RkInteger(std::int32_t value) {
  return (static_cast<std::uint32_t>(value) << 2) | 0x02;
}
std::uint32_t RkHundredths(std::int32_t hundredths) {
  return (static_cast<std::uint32_t>(hundredths) << 2) | 0x03;
}

class EarlierBiffTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

// Checks that `earlier` (bytes of a file) gives the text `biff8` gives, in
// UTF-8, UTF-16 and `ansi`.
void ExpectSameText(std::span<const std::uint8_t> earlier, const BiffWriter& biff8,
                    std::int32_t ansi) {
  for (const std::int32_t codePage : {65001, 1200, ansi}) {
    const Converted expected = ConvertBiff8(biff8, codePage);
    ASSERT_GE(expected.code, 0);
    const Converted got = ConvertBytes(earlier, codePage);
    EXPECT_EQ(got.code, expected.code) << "code page " << codePage;
    EXPECT_EQ(got.text, expected.text) << "code page " << codePage;
  }
}

// --- BIFF5 and BIFF7 ----------------------------------------------------------

struct Biff5Case {
  const char* name;
  std::uint16_t codePage;
  // Each text as the code page stores it, and as UTF-16.
  std::string sheet1, label, rich, result;
  std::u16string sheet1Wide, labelWide, richWide, resultWide;

  friend void PrintTo(const Biff5Case& c, std::ostream* os) { *os << c.name; }
};

const Biff5Case kBiff5Cases[] = {
    {"Cyrillic1251", 1251, "\xCB\xE8\xF1\xF2 1", "\xCF\xF0\xE8\xE2\xE5\xF2",
     "\xB8\xEB\xEA\xE0 \xB9", "\xC8\xF2\xEE\xE3", u"Лист 1", u"Привет", u"ёлка №", u"Итог"},
    {"Western1252", 1252, "Feuille \xE0", "Caf\xE9 \xBD", "\x80 5 \x96 \x81", "na\xEFve",
     u"Feuille à", u"Café ½", u"€ 5 – \u0081", u"naïve"},
};

class Biff5Workbook : public EarlierBiffTest, public ::testing::WithParamInterface<Biff5Case> {};

// Two sheets and a chart sheet; LABEL, RSTRING, NUMBER, RK, MULRK and a
// FORMULA with a string result; a custom FORMAT, a built-in date format;
// strings in the workbook's code page.
TEST_P(Biff5Workbook, GivesTheTextOfTheSameCellsInBiff8) {
  const Biff5Case& c = GetParam();
  EarlierBiffWriter old;
  old.Bof5(kBofGlobals);
  old.CodePage(c.codePage);
  old.Format5(164, "0.000");
  old.XF5(0);
  old.XF5(164);
  old.XF5(15);
  const auto oldSheet1 = old.BoundSheet5(c.sheet1);
  old.BoundSheet5("Chart", 2);
  const auto oldSheet2 = old.BoundSheet5("Two");
  old.Eof();
  old.StartSheet5(oldSheet1);
  old.Label5(0, 0, 0, c.label);
  old.RString5(0, 2, 0, c.rich, 2);
  old.Number(1, 0, 1, 3.14159);
  old.RK(1, 1, 2, RkInteger(40000));
  old.MulRK(2, 1, {{0, RkHundredths(250)}, {1, RkInteger(-7)}});
  old.FormulaSpecial(3, 0, 0, 0);
  old.String5(c.result);
  old.Eof();
  old.StartSheet5(oldSheet2);
  old.Label5(0, 1, 0, "x");
  old.Number(0, 3, 0, -1.5);
  old.Eof();

  BiffWriter biff8;
  biff8.Bof(kBofGlobals);
  biff8.Sst({c.labelWide, c.richWide});
  biff8.Format(164, u"0.000");
  biff8.XF(0);
  biff8.XF(164);
  biff8.XF(15);
  const auto sheet1 = biff8.BoundSheet(c.sheet1Wide);
  biff8.BoundSheet(u"Chart", 2);
  const auto sheet2 = biff8.BoundSheet(u"Two");
  biff8.Eof();
  biff8.StartSheet(sheet1);
  biff8.LabelSst(0, 0, 0, 0);
  biff8.LabelSst(0, 2, 0, 1);
  biff8.Number(1, 0, 1, 3.14159);
  biff8.RK(1, 1, 2, RkInteger(40000));
  biff8.MulRK(2, 1, {{0, RkHundredths(250)}, {1, RkInteger(-7)}});
  biff8.FormulaSpecial(3, 0, 0, 0);
  biff8.String(c.resultWide);
  biff8.Eof();
  biff8.StartSheet(sheet2);
  biff8.Label(0, 1, u"x");
  biff8.Number(0, 3, 0, -1.5);
  biff8.Eof();

  // As Excel 5.0 and 95 store it ("Book"), and as some writers do.
  ExpectSameText(InCompoundFile(old, u"Book"), biff8, c.codePage);
  ExpectSameText(InCompoundFile(old, u"Workbook"), biff8, c.codePage);
  // Not a test of the writer: the texts must hold what the cells hold.
  EXPECT_NE(ConvertBiff8(biff8).text.find("3.142"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(CodePages, Biff5Workbook, ::testing::ValuesIn(kBiff5Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EarlierBiffTest, Biff5WithoutCodePageReadsItsStringsAsCodePage1252) {
  EarlierBiffWriter w;
  w.Bof5(kBofGlobals);
  const auto sheet = w.BoundSheet5("S\xFC");
  w.Eof();
  w.StartSheet5(sheet);
  w.Label5(0, 0, 0, "\x93q\x94");
  w.Eof();
  EXPECT_EQ(ConvertBytes(InCompoundFile(w, u"Book")).text,
            "\xEF\xBB\xBFS\xC3\xBC\r\n\xE2\x80\x9Cq\xE2\x80\x9D\r\n\r\n");
}

// --- BIFF2 to BIFF4 ------------------------------------------------------------

// One sheet "Sheet1" of the given cells as BIFF8: XF 1 with format 2 ("0.00"),
// XF 2 with a custom "#,##0.000", XF 3 with the built-in "d-mmm-yy".
BiffWriter Biff8Sheet1(const std::function<void(BiffWriter&)>& cells) {
  BiffWriter w;
  w.Bof(kBofGlobals);
  w.Format(164, u"#,##0.000");
  w.XF(0);
  w.XF(2);
  w.XF(164);
  w.XF(15);
  const auto sheet = w.BoundSheet(u"Sheet1");
  w.Eof();
  w.StartSheet(sheet);
  cells(w);
  w.Eof();
  return w;
}

// The FORMAT records of a BIFF2 to BIFF4 file for the same formats: their
// index is their position.
template <typename AddFormat>
void Biff2Formats(AddFormat add) {
  for (const char* code : {"General", "0", "0.00", "#,##0.000", "d-mmm-yy"}) add(code);
}

// BIFF2: INTEGER, NUMBER, LABEL, BOOLERR, BLANK, a FORMULA with a string
// result and one with a number, IXFE, FORMAT records numbered by their order;
// with XF records, and without (the cell attributes give the format index).
TEST_F(EarlierBiffTest, Biff2WorksheetGivesTheTextOfTheSameCellsInBiff8) {
  for (const bool withXfs : {true, false}) {
    SCOPED_TRACE(withXfs ? "XF records" : "format index in the cell attributes");
    // XF index and format index of the cell attributes for each XF of the
    // BIFF8 workbook.
    const auto attributes = [&](std::uint8_t xf) {
      constexpr std::uint8_t kFormatOfXf[] = {0, 2, 3, 4};
      return withXfs ? Biff2Attributes{xf, 0} : Biff2Attributes{0, kFormatOfXf[xf]};
    };
    EarlierBiffWriter old;
    old.Bof2(kBofWorksheet);
    Biff2Formats([&](const char* code) { old.Format2(code); });
    if (withXfs) {
      for (const std::uint8_t format : {0, 2, 3, 4}) old.XF2(format);
    }
    old.Integer2(0, 0, attributes(2), 1234);
    old.Number2(0, 1, attributes(1), 3.14159);
    old.Label2(1, 0, attributes(0), "Caf\xE9");
    old.Number2(1, 2, attributes(3), 40000);
    if (withXfs) {
      old.Ixfe2(2);
      old.Number2(2, 0, Biff2Attributes{63, 0}, 0.5);
    } else {
      old.Number2(2, 0, attributes(2), 0.5);
    }
    old.BoolErr2(2, 1, attributes(0), 1, false);
    old.Blank2(2, 2, attributes(0));
    old.FormulaString2(3, 0, attributes(0));
    old.String2("ab");
    old.FormulaNumber2(3, 1, attributes(1), 2.5);
    old.Eof();

    const BiffWriter biff8 = Biff8Sheet1([](BiffWriter& w) {
      w.Number(0, 0, 2, 1234);
      w.Number(0, 1, 1, 3.14159);
      w.Label(1, 0, u"Café");
      w.Number(1, 2, 3, 40000);
      w.Number(2, 0, 2, 0.5);
      w.BoolErr(2, 1, 1, false);
      w.Blank(2, 2, 0);
      w.FormulaSpecial(3, 0, 0, 0);
      w.String(u"ab");
      w.FormulaNumber(3, 1, 2.5);
    });
    ExpectSameText(old.bytes(), biff8, 1252);
  }
}

// BIFF3 and BIFF4 worksheets: their XF and FORMAT records, RK, NUMBER,
// LABEL, BOOLERR and their own FORMULA record type with a STRING.
TEST_F(EarlierBiffTest, Biff3AndBiff4WorksheetsGiveTheTextOfTheSameCellsInBiff8) {
  const BiffWriter biff8 = Biff8Sheet1([](BiffWriter& w) {
    w.RK(0, 0, 2, RkInteger(1234));
    w.Number(0, 1, 1, 3.14159);
    w.Label(1, 0, u"Café");
    w.Number(1, 2, 3, 40000);
    w.BoolErr(2, 1, 7, true);
    w.FormulaSpecial(3, 0, 0, 0);
    w.String(u"ab");
  });
  for (const int version : {3, 4}) {
    SCOPED_TRACE("BIFF" + std::to_string(version));
    EarlierBiffWriter old;
    if (version == 3) {
      old.Bof3(kBofWorksheet);
      old.CodePage(32769);
      Biff2Formats([&](const char* code) { old.Format2(code); });
      for (const std::uint8_t format : {0, 2, 3, 4}) old.XF3(format);
    } else {
      old.Bof4(kBofWorksheet);
      old.CodePage(1252);
      Biff2Formats([&](const char* code) { old.Format4(code); });
      for (const std::uint8_t format : {0, 2, 3, 4}) old.XF4(format);
    }
    old.RK(0, 0, 2, RkInteger(1234));
    old.Number(0, 1, 1, 3.14159);
    old.Label5(1, 0, 0, "Caf\xE9");
    old.Number(1, 2, 3, 40000);
    old.BoolErr(2, 1, 7, true);
    old.FormulaString34(version == 3 ? 0x0206 : 0x0406, 3, 0, 0);
    old.String5("ab");
    old.Eof();
    ExpectSameText(old.bytes(), biff8, 1252);
  }
}

// The FORMAT records of BIFF2 to BIFF4 number the formats otherwise than
// BIFF8's built-in ones: a code that renders in General form ("@", the text
// format) takes its slot whole, whatever BIFF8 keeps there.
TEST_F(EarlierBiffTest, EarlierFormatTakesItsSlotWhole) {
  EarlierBiffWriter old;
  old.Bof4(kBofWorksheet);
  for (const char* code : {"General", "0", "@"}) old.Format4(code);
  old.XF4(0);
  old.XF4(2);
  old.Number(0, 0, 1, 1234.5);
  old.Eof();
  const BiffWriter biff8 = Biff8Sheet1([](BiffWriter& w) { w.Number(0, 0, 0, 1234.5); });
  ExpectSameText(old.bytes(), biff8, 1252);
}

// A BIFF4 workbook: its sheets named by its BOUNDSHEET records, each after a
// SHEETHDR, each with XF and FORMAT records of its own.
TEST_F(EarlierBiffTest, Biff4WorkbookGivesTheTextOfTheSameCellsInBiff8) {
  EarlierBiffWriter old;
  old.Bof4(testing::kBofBiff4Workbook);
  old.CodePage(1251);
  old.BoundSheet4("\xCF\xE5\xF0\xE2\xFB\xE9");
  old.BoundSheet4("Two");
  old.Eof();
  old.StartSheet4("\xCF\xE5\xF0\xE2\xFB\xE9");
  old.Format4("General");
  old.Format4("0.0");
  old.XF4(0);
  old.XF4(1);
  old.Number(0, 0, 1, 2.25);
  old.Label5(0, 1, 0, "\xE0");
  old.FormulaString34(0x0406, 1, 0, 0);
  old.String5("s");
  old.Eof();
  old.StartSheet4("Two");
  old.Format4("General");
  old.Format4("0.000");
  old.XF4(0);
  old.XF4(1);
  old.RK(0, 0, 1, RkInteger(3));
  old.Eof();

  BiffWriter biff8;
  biff8.Bof(kBofGlobals);
  biff8.Format(164, u"0.0");
  biff8.Format(165, u"0.000");
  biff8.XF(0);
  biff8.XF(164);
  biff8.XF(165);
  const auto first = biff8.BoundSheet(u"Первый");
  const auto second = biff8.BoundSheet(u"Two");
  biff8.Eof();
  biff8.StartSheet(first);
  biff8.Number(0, 0, 1, 2.25);
  biff8.Label(0, 1, u"а");
  biff8.FormulaSpecial(1, 0, 0, 0);
  biff8.String(u"s");
  biff8.Eof();
  biff8.StartSheet(second);
  biff8.RK(0, 0, 2, RkInteger(3));
  biff8.Eof();
  ExpectSameText(old.bytes(), biff8, 1251);
}

// A worksheet file converted from its path is headed by the file's name,
// whether its stream stands bare or in a compound file; bytes given without a
// name are headed "Sheet1".
TEST_F(EarlierBiffTest, WorksheetFileIsHeadedByItsFileName) {
  EarlierBiffWriter w;
  w.Bof2(kBofWorksheet);
  w.Integer2(0, 0, {}, 5);
  w.Eof();
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "earlier biff";
  std::filesystem::create_directories(dir);
  const std::filesystem::path path = dir / "Quarterly Säles.2.xls";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(w.bytes().data()),
              static_cast<std::streamsize>(w.size()));
  }
  OutputBlock block;
  const ResultCode rc = ConvertWorkbook(path.string(), block, 65001);
  ASSERT_GE(rc, 0);
  EXPECT_EQ(std::string(block, 0, static_cast<std::size_t>(rc)),
            "\xEF\xBB\xBFQuarterly S\xC3\xA4les.2\r\n5\r\n\r\n");
  EXPECT_EQ(ConvertBytes(w.bytes()).text, "\xEF\xBB\xBFSheet1\r\n5\r\n\r\n");

  // The same stream inside a compound file: the same heading from the path,
  // "Sheet1" from bytes given without a name.
  const std::vector<std::uint8_t> compound =
      testing::WriteCompoundFile({{u"Book", {w.bytes().begin(), w.bytes().end()}}});
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(compound.data()),
              static_cast<std::streamsize>(compound.size()));
  }
  const ResultCode inCompound = ConvertWorkbook(path.string(), block, 65001);
  ASSERT_GE(inCompound, 0);
  EXPECT_EQ(std::string(block, 0, static_cast<std::size_t>(inCompound)),
            "\xEF\xBB\xBFQuarterly S\xC3\xA4les.2\r\n5\r\n\r\n");
  EXPECT_EQ(ConvertBytes(compound).text, "\xEF\xBB\xBFSheet1\r\n5\r\n\r\n");
  std::filesystem::remove_all(dir);
}

TEST(WorksheetNameFromPath, IsTheFileNameWithoutFolderAndExtension) {
  const struct {
    const char* path;
    std::u16string name;
  } cases[] = {
      {"/data/in/Book 1.xls", u"Book 1"},
      {"relative.XLS", u"relative"},
      {"a.b.c", u"a.b"},
      {"/no/extension", u"extension"},
      {"dir.x/plain", u"plain"},
      {"/x/.hidden", u".hidden"},
      {"/x/.hidden.xls", u".hidden"},
      {"Gr\xC3\xBC\xC3\x9F\x65.xls", u"Grüße"},
      {"\xF0\x9F\x98\x80.xls", u"\xD83D\xDE00"},
      // Bytes that are not UTF-8 (a Latin-1 name, a lone continuation byte,
      // an overlong form, a cut-off sequence) are code units of their value.
      {"caf\xE9.xls", u"caf\u00E9"},
      {"a\x80z", u"a\u0080z"},
      {"\xC0\xAF.xls", u"\u00C0\u00AF"},
      {"x\xE2\x82", u"x\u00E2\u0082"},
  };
  for (const auto& c : cases) EXPECT_EQ(WorksheetNameFromPath(c.path), c.name) << c.path;
}

// --- 8-bit strings ---------------------------------------------------------------

TEST(CodePageStrings, ReadsTheBytesInTheWorkbooksCodePage) {
  const struct {
    std::uint16_t codePage;
    std::string bytes;
    std::u16string units;
  } cases[] = {
      {1252, "A\x80\xE9", u"A€é"},
      // Bytes 1252 leaves undefined keep their value, as Windows reads them.
      {1252, "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
      {1251, "\xC0\xFF", u"Ая"},
      {1250, "\x8A\xB9", u"Šą"},
      {10000, "\x80\xA5", u"Ä•"},
      // The values BIFF2 to BIFF4 write for Apple Roman and Windows Latin 1.
      {32768, "\x80", u"Ä"},
      {32769, "\x80", u"€"},
      {367, "Az", u"Az"},
      // Double-byte: a lead byte and its trail make one character; a lead
      // byte cut off by the end of the string keeps its value.
      {932, "\x8A\xBF\x8E\x9A", u"漢字"},
      {932, "a\x8A", u"a\u008A"},
      {936, "\xD6\xD0", u"中"},
      // 16-bit strings.
      {1200, std::string("A\0\x24\x04", 4), u"AФ"},
      {1200, std::string("A\0\x24", 3), u"A"},
      // A code page iconv does not know: each byte as its own value.
      {12345, "\xE9", u"é"},
      {0, "\xE9", u"é"},
  };
  for (const auto& c : cases) {
    const CodePageStrings strings(c.codePage);
    std::u16string units = u">";
    strings.AppendUnits(std::span(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                  c.bytes.size()),
                        units);
    EXPECT_EQ(units, u">" + c.units) << c.codePage;
  }
}

// Converters of some code pages hold a character back until they know what
// follows (a letter that may combine with a mark in 1255 and 1258, a shift
// back to ASCII in the ISO-2022 family): every conversion ends by taking it,
// in both directions. Each code page the engine names: a text written in it
// and read back is the text.
TEST(CodePageStrings, EveryNamedCodePageKeepsTheLastCharacter) {
  const std::int32_t codePages[] = {
      437,   737,   775,   850,   852,   855,   856,   857,   858,   860,   861,   862,
      863,   864,   865,   866,   869,   874,   932,   936,   949,   950,   1125,  1250,
      1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  1361,  10000, 10007, 10029,
      20127, 20866, 21866, 20932, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598,
      28599, 28603, 28605, 50220, 50225, 51932, 51936, 51949, 52936, 54936, 65000};
  for (const std::int32_t codePage : codePages) {
    std::vector<std::string> texts = {"Implied"};
    if (codePage == 1258) texts.push_back("Vi\xC3\xAA");        // e with circumflex
    if (codePage == 1255) texts.push_back("\xD7\xA9");          // shin
    if (codePage == 50220) texts.push_back("a\xE6\x97\xA5");   // a Japanese character
    if (codePage == 50225) texts.push_back("a\xED\x95\x9C");   // a Korean character
    if (codePage == 65000) texts.push_back("1+1 (x)");          // UTF-7 shifts at '+'
    for (const std::string& text : texts) {
      std::string bytes;
      ASSERT_EQ(EncodeText(text, codePage, bytes), 0) << codePage;
      if (bytes.empty()) continue;  // a code page this C library does not know (HZ)
      std::string read;
      CodePageStrings(static_cast<std::uint16_t>(codePage))
          .AppendText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), read);
      EXPECT_EQ(read, text) << codePage;
    }
  }
}

TEST(CodePageStrings, WritesCodeUnitZeroAsASpaceInEngineText) {
  const CodePageStrings strings(1252);
  const std::uint8_t bytes[] = {'a', 0, 0xE9};
  std::string text;
  strings.AppendText(bytes, text);
  EXPECT_EQ(text, "a \xC3\xA9");
}

TEST(CountedChars, TakesTheCharactersPresent) {
  const std::uint8_t bytes[] = {3, 0, 'a', 'b', 'c', 'd'};
  const auto span = std::span<const std::uint8_t>(bytes);
  EXPECT_EQ(CountedChars(span, 2, 1)->size(), 3u);
  EXPECT_EQ(CountedChars(span, 1, 1)->size(), 3u);  // length 3, then "\0ab"
  EXPECT_EQ(CountedChars(span, 1, 2)->size(), 5u);  // 6 bytes asked, 5 there
  EXPECT_EQ(CountedChars(span.first(1), 2, 1), std::nullopt);
  EXPECT_EQ(CountedChars(span.first(0), 1, 1), std::nullopt);
}

// --- encrypted and damaged streams ----------------------------------------------------

// BIFF5 is read with XOR obfuscation (this FILEPASS's verifier is no
// password's); the encryption of BIFF2 to BIFF4 is a method not read.
TEST_F(EarlierBiffTest, FilePassIsEncryptedInEveryVersion) {
  EarlierBiffWriter biff5;
  biff5.Bof5(kBofGlobals);
  biff5.FilePass();
  const auto sheet = biff5.BoundSheet5("S");
  biff5.Eof();
  biff5.StartSheet5(sheet);
  biff5.Eof();
  EXPECT_EQ(ConvertBytes(InCompoundFile(biff5, u"Book")).code, kSourceEncrypted);

  EarlierBiffWriter biff2;
  biff2.Bof2(kBofWorksheet);
  biff2.FilePass();
  biff2.Integer2(0, 0, {}, 1);
  biff2.Eof();
  EXPECT_EQ(ConvertBytes(biff2.bytes()).code, kEncryptionMethodUnknown);

  // In a BIFF4 workbook a sheet's substream may hold it.
  EarlierBiffWriter biff4;
  biff4.Bof4(testing::kBofBiff4Workbook);
  biff4.BoundSheet4("S");
  biff4.Eof();
  biff4.StartSheet4("S");
  biff4.FilePass();
  biff4.Eof();
  EXPECT_EQ(ConvertBytes(biff4.bytes()).code, kEncryptionMethodUnknown);
}

// Strings whose count asks for more bytes than their record holds keep the
// bytes present; cell records too short for their fields add nothing.
TEST_F(EarlierBiffTest, CountsAreHeldToTheBytesOfTheirRecord) {
  EarlierBiffWriter w;
  w.Bof2(kBofWorksheet);
  testing::Bytes label2;
  label2.u16(0).u16(0).u8(0).u8(0).u8(0).u8(200).u8('a').u8('b');
  w.Record(0x0004, label2);
  testing::Bytes label5;
  label5.u16(0).u16(1).u16(0).u16(0xFFFF).u8('c');
  w.Record(0x0204, label5);
  testing::Bytes shortInteger;
  shortInteger.u16(1).u16(0).u8(0).u8(0).u8(0).u8(7);  // one value byte of two
  w.Record(0x0002, shortInteger);
  testing::Bytes shortLabel;
  shortLabel.u16(1).u16(1).u8(0);  // cut inside its attributes
  w.Record(0x0004, shortLabel);
  w.Integer2(2, 0, {}, 9);
  w.Eof();
  EXPECT_EQ(ConvertBytes(w.bytes()).text, "\xEF\xBB\xBFSheet1\r\nab\tc\r\n9\r\n\r\n");
}

// Every prefix of each kind of earlier stream, bare and in a compound file,
// converts or fails with kFormatNotCorrect; none crashes or hangs (the
// sanitizer build checks the reads).
TEST_F(EarlierBiffTest, CutOffStreamsNeverFailOtherwise) {
  std::vector<EarlierBiffWriter> streams(3);
  EarlierBiffWriter& biff2 = streams[0];
  biff2.Bof2(kBofWorksheet);
  biff2.CodePage(32768);
  biff2.Format2("0.0");
  biff2.XF2(0);
  biff2.Ixfe2(0);
  biff2.Label2(0, 0, Biff2Attributes{63, 0}, "\x80\x81");
  biff2.FormulaString2(0, 1, {});
  biff2.String2("s");
  biff2.Eof();
  EarlierBiffWriter& biff4 = streams[1];
  biff4.Bof4(testing::kBofBiff4Workbook);
  biff4.BoundSheet4("A");
  biff4.BoundSheet4("B");
  biff4.Eof();
  biff4.StartSheet4("A");
  biff4.Format4("0");
  biff4.XF4(0);
  biff4.Label5(0, 0, 0, "x");
  biff4.Eof();
  EarlierBiffWriter& biff5 = streams[2];
  biff5.Bof5(kBofGlobals);
  biff5.CodePage(932);
  const auto sheet = biff5.BoundSheet5("\x8A\xBF");
  biff5.Eof();
  biff5.StartSheet5(sheet);
  biff5.RString5(0, 0, 0, "\x8A\xBF\x8E\x9A", 1);
  biff5.FormulaSpecial(0, 1, 0, 0);
  biff5.String5("\x8A");
  biff5.Eof();
  for (const EarlierBiffWriter& w : streams) {
    const std::span<const std::uint8_t> whole = w.bytes();
    ASSERT_GE(ConvertBytes(whole).code, 0);
    for (std::size_t size = 0; size < whole.size(); ++size) {
      const ResultCode bare = ConvertBytes(whole.first(size)).code;
      EXPECT_TRUE(bare >= 0 || bare == kFormatNotCorrect) << size << ": " << bare;
      const std::vector<std::uint8_t> file = testing::WriteCompoundFile(
          {{u"Book", std::vector<std::uint8_t>(whole.begin(), whole.begin() + size)}});
      const ResultCode stored = ConvertBytes(file).code;
      EXPECT_TRUE(stored >= 0 || stored == kFormatNotCorrect) << size << ": " << stored;
    }
  }
}

// A bare stream that opens with a BIFF8 BOF is not taken for a workbook: only
// compound files hold BIFF8.
TEST_F(EarlierBiffTest, BareBiff8StreamIsStillRefused) {
  BiffWriter w;
  w.Bof(kBofGlobals);
  w.Eof();
  EXPECT_EQ(ConvertBytes(w.bytes()).code, kFormatNotCorrect);
}

// --- the corpus -----------------------------------------------------------------------

// Every workbook of BIFF2 to BIFF7 in the corpus converts (the encrypted one
// with the default password); a few lines show the code pages and the names.
TEST_F(EarlierBiffTest, CorpusWorkbooksOfEarlierVersionsConvert) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xls";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  const struct {
    const char* name;
    const char* contains;
  } cases[] = {
      {"calamine__OOM_alloc2", nullptr},
      {"calamine__biff5_write", "SheetJS\r\n1\t2\t3\r\n"},
      {"calamine__issue_643_biff5_formula", nullptr},
      {"calamine__misc_biff5_parsing", nullptr},
      {"calamine__ptgexp-truncated-operand", nullptr},
      {"exceldatareader__Test_git_issue_224_simple_95", nullptr},
      {"exceldatareader__Test_git_issue_231_NoCodePage", nullptr},
      {"exceldatareader__Test_git_issue_283_TimeSpan", nullptr},
      {"exceldatareader__Test_git_issue_368_header", "BIFF2\t1234.5678\t1234\r\n"},
      {"exceldatareader__Test_git_issue_466_biff3", "7\t42\t15\t29\t23\r\n"},
      {"exceldatareader__as3xls_BIFF2", "\r\n1\tHi\t10.22\t"},
      {"exceldatareader__as3xls_BIFF3", nullptr},
      {"exceldatareader__as3xls_BIFF5", nullptr},
      {"exceldatareader__biff3", nullptr},
      {"parseexcel__AuthorK95", nullptr},
      {"parseexcel__Test95J", "\xE6\xBC\xA2\xE5\xAD\x97\xE5\x90\x8D\r\n"},  // 漢字名
      {"phpspreadsheet__30templatebiff5", nullptr},
      {"phpspreadsheet__maccentraleurope.biff5", "\xC3\x84rkusz1\r\n"},   // Ärkusz1
      {"poi__59074", nullptr},
      {"poi__60284", "Pipad\r\n"},
      {"poi__64130", nullptr},  // a chart sheet only: no text
      {"poi__testEXCEL_4", nullptr},
      {"poi__testEXCEL_5", "Feuil1\r\n"},
      {"readxl__biff5-label-records", nullptr},
      {"xlrd__biff4_no_format_no_window2", nullptr},
  };
  for (const auto& c : cases) {
    std::string text;
    const ResultCode rc = ExtractWorkbookText((dir / (std::string(c.name) + ".xls")).string(), text);
    EXPECT_GE(rc, 0) << c.name;
    if (c.contains) {
      EXPECT_NE(text.find(c.contains), std::string::npos) << c.name << "\n" << text;
    }
  }
}

}  // namespace
}  // namespace tabulox
