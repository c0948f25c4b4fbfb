// Text decoding of .xlsx parts: from the bytes of a part to the engine text of
// a cell and to every output encoding, byte for byte.
#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "ooxml/worksheet_text.h"
#include "ooxml/xlsx_shared_strings.h"
#include "ooxml/xstring_escapes.h"
#include "support/block_source.h"
#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"
#include "xml/xml_document.h"
#include "xml/xml_part_encoding.h"

namespace tabulox {
namespace {

using testing::ZipEntry;

// U+1F600 in UTF-8, and as engine text: its two surrogates, three bytes each.
constexpr std::string_view kEmojiUtf8 = "\xF0\x9F\x98\x80";
constexpr std::string_view kEmojiEngine = "\xED\xA0\xBD\xED\xB8\x80";

std::string SheetPart(std::string_view rootAttributes, std::string_view rows) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<worksheet " + std::string(rootAttributes) +
         "><dimension ref=\"A1:B1\"/><sheetData>" + std::string(rows) + "</sheetData></worksheet>";
}

std::string SharedStringsPart(std::string_view rootAttributes, std::string_view items) {
  return "<?xml version=\"1.0\"?>\n<sst " + std::string(rootAttributes) + ">" +
         std::string(items) + "</sst>";
}

std::string Package(const std::string& sharedStrings, const std::string& sheet) {
  std::vector<ZipEntry> entries = {{"[Content_Types].xml", "<Types/>"},
                                   {"xl/workbook.xml", "<workbook/>"}};
  if (!sharedStrings.empty()) entries.emplace_back("xl/sharedStrings.xml", sharedStrings);
  entries.emplace_back("xl/worksheets/sheet1.xml", sheet);
  return testing::WriteZip(entries);
}

// The engine text of a worksheet part laid out with its shared strings, both
// read block by block as a conversion reads them.
std::string EngineText(const std::string& sharedStrings, const std::string& sheet) {
  XmlDocument document;
  SharedStringTable strings;
  LoadSharedStringsFromSource(document, testing::RandomBlocks(sharedStrings, 3), strings);
  std::string text;
  AppendWorksheetTextFromSource(document, testing::RandomBlocks(sheet, 4), strings, text,
                                1u << 20);
  return text;
}

// The output of a conversion, or the failure code as text.
std::string Output(const std::string& archive, std::int32_t codePage) {
  OutputBlock block;
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(archive), block, codePage);
  if (rc < 0) return "failed with " + std::to_string(rc);
  return std::string(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
}

// ------------------------------------------------- cells of every kind of text

struct DecodingCase {
  const char* what;
  std::string sharedStrings;  // the whole part; none when empty
  std::string sheet;          // the whole part
  std::string engineText;     // the worksheet's engine text
  std::string utf8;           // the UTF-8 output after its mark and "sheet1:" CR LF
};

void PrintTo(const DecodingCase& c, std::ostream* os) { *os << c.what; }

class XlsxTextDecoding : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(XlsxTextDecoding, EngineTextAndUtf8Output) {
  const DecodingCase& c = GetParam();
  EXPECT_EQ(EngineText(c.sharedStrings, c.sheet), c.engineText);
  EXPECT_EQ(Output(Package(c.sharedStrings, c.sheet), 65001),
            "\xEF\xBB\xBF" "sheet1:\r\n" + c.utf8);
}

const std::string kSharedA1 = R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)";

std::string InlineA1(std::string_view is) {
  return R"(<row r="1"><c r="A1" t="inlineStr"><is>)" + std::string(is) + "</is></c></row>";
}

const DecodingCase kDecodingCases[] = {
    {"CDATA in a shared string", SharedStringsPart("", "<si><t><![CDATA[a<b & &amp;]]></t></si>"),
     SheetPart("", kSharedA1), "a<b & &amp;\r\n", "a<b & &amp;\r\n"},
    {"strings after a CDATA section keep their places",
     SharedStringsPart("", "<si><t><![CDATA[x]]></t></si><si><t>y</t></si>"),
     SheetPart("", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"),
     "x\ty\r\n", "x\ty\r\n"},
    {"CDATA in an inline string and a value", "",
     SheetPart("", R"(<row r="1"><c r="A1" t="inlineStr"><is><t><![CDATA[<i>]]></t></is></c>)"
                   R"(<c r="B1"><v><![CDATA[5]]></v></c></row>)"),
     "<i>\t5\r\n", "<i>\t5\r\n"},
    {"character references, one pass",
     SharedStringsPart("", "<si><t>&#20219;&#x4EFB;&apos;&amp;#65;&#0;</t></si>"),
     SheetPart("", kSharedA1), "\xE4\xBB\xBB\xE4\xBB\xBB'&#65;&#0;\r\n",
     "\xE4\xBB\xBB\xE4\xBB\xBB'&#65;&#0;\r\n"},
    {"escapes in a shared string",
     SharedStringsPart("", "<si><t>a_x000D_\nb_x0009_c_x005F_x0041__x0041_</t></si>"),
     SheetPart("", kSharedA1), "a\r\nb\tc_x0041_A\r\n", "a\r\nb\tc_x0041_A\r\n"},
    {"escapes in the runs of a shared string",
     SharedStringsPart("", "<si><r><t>_x0031_</t></r><r><t>_x00</t></r><r><t>32_</t></r></si>"),
     SheetPart("", kSharedA1), "1_x0032_\r\n", "1_x0032_\r\n"},
    {"escapes in an inline string, not in values", "",
     SheetPart("", R"(<row r="1"><c r="A1" t="inlineStr"><is><t>_x0041__x00e9_</t></is></c>)"
                   R"(<c r="B1" t="str"><v>_x0041_</v></c></row>)"),
     "A\xC3\xA9\t_x0041_\r\n", "A\xC3\xA9\t_x0041_\r\n"},
    {"an escaped surrogate pair is one character", "", SheetPart("", InlineA1("<t>_xD83D__xDE00_</t>")),
     std::string(kEmojiEngine) + "\r\n", std::string(kEmojiUtf8) + "\r\n"},
    {"malformed escapes stay", "", SheetPart("", InlineA1("<t>_x41_ _x004G_ _X0041_ _x0041</t>")),
     "_x41_ _x004G_ _X0041_ _x0041\r\n", "_x41_ _x004G_ _X0041_ _x0041\r\n"},
    {"four-byte UTF-8 in a shared string",
     SharedStringsPart("", "<si><t>a" + std::string(kEmojiUtf8) + "b</t></si>"),
     SheetPart("", kSharedA1), "a" + std::string(kEmojiEngine) + "b\r\n",
     "a" + std::string(kEmojiUtf8) + "b\r\n"},
    {"a reference beyond the first plane", "", SheetPart("", InlineA1("<t>&#x1F600;</t>")),
     std::string(kEmojiEngine) + "\r\n", std::string(kEmojiUtf8) + "\r\n"},
    {"preservation on the shared-strings root",
     SharedStringsPart(R"(xml:space="preserve")",
                       "<si><r><t>Example</t></r><r><t> richtext</t></r></si>"),
     SheetPart("", kSharedA1), "Example richtext\r\n", "Example richtext\r\n"},
    {"preservation on a string item and on a run",
     SharedStringsPart("", R"(<si xml:space="preserve"><t> a</t></si>)"
                           R"(<si><r xml:space="preserve"><t>b </t></r><r><t> c</t></r></si>)"),
     SheetPart("", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"),
     " a\tb c\r\n", " a\tb c\r\n"},
    {"preservation on the worksheet root reaches inline strings", "",
     SheetPart(R"(xml:space="preserve")", InlineA1("<r><t>x</t></r><r><t> y</t></r>")),
     "x y\r\n", "x y\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, XlsxTextDecoding, ::testing::ValuesIn(kDecodingCases),
                         [](const ::testing::TestParamInfo<DecodingCase>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.what))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// ------------------------------------------------------- every output encoding

TEST(XlsxTextDecoding, CharactersBeyondTheFirstPlaneInEveryCodePage) {
  std::setlocale(LC_ALL, "C");  // code page 0 writes UTF-8
  const std::string archive = Package(
      SharedStringsPart("", "<si><t>\xC3\xA9" + std::string(kEmojiUtf8) + "</t></si>"),
      SheetPart("", kSharedA1));
  EXPECT_EQ(Output(archive, 65001),
            "\xEF\xBB\xBF" "sheet1:\r\n\xC3\xA9" + std::string(kEmojiUtf8) + "\r\n");
  EXPECT_EQ(Output(archive, 0), "sheet1:\r\n\xC3\xA9" + std::string(kEmojiUtf8) + "\r\n");
  EXPECT_EQ(Output(archive, 1200),
            std::string("\xFF\xFEs\0h\0e\0e\0t\0" "1\0:\0\r\0\n\0\xE9\0\x3D\xD8\x00\xDE\r\0\n\0", 30));
  EXPECT_EQ(Output(archive, 1252), "sheet1:\r\n\xE9?\r\n");
  EXPECT_EQ(Output(archive, 932), "sheet1:\r\n??\r\n");  // Shift-JIS holds no e-acute either
}

TEST(XlsxTextDecoding, TextThatCannotBeReadFailsInEveryCodePageButUtf8) {
  std::setlocale(LC_ALL, "C");
  // A lead byte without its continuation: no output may leave it out and
  // report success.
  const std::string archive =
      Package("", SheetPart("", R"(<row r="1"><c r="A1"><v>a)" "\xC3" "b</v></c></row>)"));
  EXPECT_EQ(Output(archive, 65001), "\xEF\xBB\xBF" "sheet1:\r\na\xC3" "b\r\n");
  for (const std::int32_t codePage : {0, 1200, 1252, 932, 1255})
    EXPECT_EQ(Output(archive, codePage), "failed with -15") << codePage;
  EXPECT_EQ(Output(archive, 99999), "failed with -15");
  // A code page nobody knows gives what it always gave: an empty text.
  EXPECT_EQ(Output(Package("", SheetPart("", kSharedA1)), 99999), "");
}

// ------------------------------------------------------------- UTF-16 parts

std::string Utf16(std::string_view ascii, bool bigEndian, bool mark) {
  std::string out;
  if (mark) out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : ascii) {
    out += bigEndian ? '\0' : c;
    out += bigEndian ? c : '\0';
  }
  return out;
}

TEST(XlsxTextDecoding, Utf16PartsAreReadAsTheirText) {
  const std::string sst = SharedStringsPart("", "<si><t>s\xFF</t></si>");  // \xFF marks U+00FF
  const std::string sheet =
      SheetPart("", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>7</v></c></row>)");
  for (const bool bigEndian : {false, true}) {
    for (const bool mark : {true, false}) {
      SCOPED_TRACE(std::to_string(bigEndian) + std::to_string(mark));
      const std::string archive = Package(Utf16(sst, bigEndian, mark), Utf16(sheet, bigEndian, mark));
      EXPECT_EQ(Output(archive, 65001), "\xEF\xBB\xBF" "sheet1:\r\ns\xC3\xBF\t7\r\n");
    }
  }
}

TEST(XmlPartEncoding, PiecesOfAnySizeGiveTheTextOfTheWhole) {
  // UTF-16 with a surrogate pair and an odd last byte; UTF-8 with four-byte
  // sequences, whole, cut off at the end, malformed and beyond 0x10FFFF.
  const std::string le = std::string("\xFF\xFE<\0a\0\x3D\xD8\x00\xDE\xE9\0z", 13);
  const std::string be = std::string("\0<\0?\0\xE9\xD8\x3D\xDE\x00", 10);
  const std::string utf8 = "<a>" + std::string(kEmojiUtf8) + "\xF0\x80\x80\x80" "\xF4\x90\x80\x80" +
                           "\xF3\xA0\x80\x81" "\xFF" + std::string(kEmojiUtf8).substr(0, 3);
  const std::pair<std::string, std::string> cases[] = {
      {le, "<a" + std::string(kEmojiEngine) + "\xC3\xA9"},
      {be, "<?\xC3\xA9" + std::string(kEmojiEngine)},
      {utf8, "<a>" + std::string(kEmojiEngine) + "\xF0\x80\x80\x80" "\xF4\x90\x80\x80" +
                 "\xED\xAD\x80\xED\xB0\x81" "\xFF" + std::string(kEmojiUtf8).substr(0, 3)},
      {"", ""},
      {"\xFE\xFF", ""},
      {"ab", "ab"},
  };
  for (const auto& [part, expected] : cases) {
    for (unsigned seed = 0; seed < 50; ++seed) {
      // The first round reads the part as one block.
      const BlockSource blocks = testing::RandomBlocks(part, seed, seed == 0 ? part.size() + 1 : 5);
      const BlockSource pieces = EngineTextSource(blocks);
      std::string read;
      while (pieces(read)) {
      }
      ASSERT_EQ(read, expected) << part << " seed " << seed;
    }
  }
}

TEST(XstringEscapes, OnePassFromTheLeft) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"_x000D__x000a_", "\r\n"},
      {"_x005F_x0041_", "_x0041_"},
      {"_x005F__x0041_", "_A"},
      {"__x0041__", "_A_"},
      {"_x0041", "_x0041"},
      {"_x00C9_", "\xC3\x89"},
      {"_xFFFF_", "\xEF\xBF\xBF"},
      // A zero character is written as a space, as the .xls reader writes it.
      {"_x0000_", " "},
      {"a_x0000__x0000_b", "a  b"},
  };
  for (const auto& [text, expected] : cases) {
    std::string out = "<";
    AppendUnescapedXstring(text, out);
    EXPECT_EQ(out, "<" + std::string(expected)) << text;
  }
}

}  // namespace
}  // namespace tabulox
