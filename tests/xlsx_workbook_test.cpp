#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/extraction_error.h"
#include "core/text_encoding.h"
#include "ooxml/cell_ref.h"
#include "ooxml/worksheet_text.h"
#include "ooxml/xlsx_shared_strings.h"
#include "support/block_source.h"
#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"
#include "xml/xml_document.h"

namespace tabulox {
namespace {

using testing::WriteZip;
using testing::ZipEntry;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string Worksheet(std::string_view dimension, std::string_view rows) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
  if (dimension.starts_with('<')) {
    xml += dimension;  // the element as given
  } else if (!dimension.empty()) {
    xml += "<dimension ref=\"" + std::string(dimension) + "\"/>";
  }
  xml += "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetData>";
  xml += rows;
  xml += "</sheetData><pageMargins left=\"0.7\"/></worksheet>";
  return xml;
}

std::string SharedStrings(std::string_view items) {
  return "<?xml version=\"1.0\"?>\n<sst "
         "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
         std::string(items) + "</sst>";
}

// A package with the members every workbook has, plus `parts`.
std::string Package(std::vector<ZipEntry> parts) {
  std::vector<ZipEntry> entries = {
      {"[Content_Types].xml", "<Types/>"},
      {"_rels/.rels", "<Relationships/>"},
      {"xl/workbook.xml", "<workbook/>"},
  };
  for (ZipEntry& part : parts) entries.push_back(std::move(part));
  return WriteZip(entries);
}

// Converts with UTF-8 output; `text` gets the output without its mark.
ResultCode Convert(const std::string& archive, std::string& text) {
  OutputBlock block;
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(archive), block, 65001);
  text.clear();
  if (rc >= 0) {
    const std::string out(reinterpret_cast<const char*>(block.data()),
                          static_cast<std::size_t>(rc));
    EXPECT_TRUE(out.starts_with(kBom));
    text = out.substr(kBom.size());
  }
  return rc;
}

// ------------------------------------------------------------ sheet layout

struct LayoutCase {
  const char* what;
  std::string sharedStrings;  // the si items; none when empty
  std::string dimension;      // no dimension element when empty
  std::string rows;
  std::string text;  // the output after "sheet1:" CR LF
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.what; }

class XlsxSheetLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(XlsxSheetLayout, WritesTheExpectedText) {
  const LayoutCase& c = GetParam();
  std::vector<ZipEntry> parts;
  if (!c.sharedStrings.empty())
    parts.emplace_back("xl/sharedStrings.xml", SharedStrings(c.sharedStrings));
  parts.emplace_back("xl/worksheets/sheet1.xml", Worksheet(c.dimension, c.rows));
  std::string text;
  ASSERT_GE(Convert(Package(std::move(parts)), text), 0);
  EXPECT_EQ(text, "sheet1:\r\n" + c.text);
}

const LayoutCase kLayoutCases[] = {
    {"shared string and number, empty last row dropped", "<si><t>x</t></si>", "A1:C2",
     R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1"><v>5</v></c></row><row r="2"/>)",
     "x\t\t5\r\n"},
    {"missing rows and leading columns", "", "A1:C3", R"(<row r="3"><c r="C3"><v>v</v></c></row>)",
     "\r\n\r\n\t\tv\r\n"},
    {"stored values are written as stored", "", "A1:G1",
     R"(<row r="1"><c r="A1" s="1"><v>39448</v></c><c r="B1" t="b"><v>1</v></c>)"
     R"(<c r="C1"><f>1+1</f><v>2</v></c><c r="D1" t="e"><v>#N/A</v></c>)"
     R"(<c r="E1" t="str"><f>"a"&amp;"bc"</f><v>abc</v></c><c r="F1" t="d"><v>2024-01-01T00:00:00</v></c>)"
     R"(<c r="G1" t="n"><v>1.5</v></c></row>)",
     "39448\t1\t2\t#N/A\tabc\t2024-01-01T00:00:00\t1.5\r\n"},
    {"column BA is the 53rd position", "", "A1:BA1", R"(<row r="1"><c r="BA1"><v>z</v></c></row>)",
     std::string(52, '\t') + "z\r\n"},
    {"lower-case references", "", "a1:c2",
     R"(<row r="1"><c r="b1"><v>x</v></c><c r="c1"><v>y</v></c></row>)", "\tx\ty\r\n"},
    {"formatted runs are joined, phonetic runs left out",
     R"(<si><r><rPr><b/></rPr><t>ab</t></r><r><t xml:space="preserve"> cd</t></r><rPh sb="0" eb="1"><t>PH</t></rPh><phoneticPr fontId="1"/></si>)",
     "A1", R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)", "ab cd\r\n"},
    {"phonetic runs after plain text are left out",
     "<si><t>\xE6\xBC\xA2</t><rPh sb=\"0\" eb=\"1\"><t>\xE3\x81\x8B</t></rPh></si>", "A1",
     R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)", "\xE6\xBC\xA2\r\n"},
    {"an empty string item keeps the later indexes",
     "<si/><si><t>b</t></si><si><t/></si><si><t>d</t></si>", "A1:D1",
     R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
     R"(<c r="C1" t="s"><v>2</v></c><c r="D1" t="s"><v>3</v></c></row>)",
     "\tb\t\td\r\n"},
    {"a shared index that names no string writes nothing", "<si><t>a</t></si>", "A1:D1",
     R"(<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="s"><v>x</v></c><c r="C1" t="s"><v>-1</v></c>)"
     R"(<c r="D1"><v>k</v></c></row>)",
     "\t\t\tk\r\n"},
    {"inline strings, plain and with runs", "", "A1:C1",
     R"(<row r="1"><c r="A1" t="inlineStr"><is><t>in</t></is></c>)"
     R"(<c r="B1" t="inlineStr"><is><r><t>a</t></r><r><rPr/><t>b</t></r></is></c>)"
     R"(<c r="C1" t="inlineStr"><is/></c></row>)",
     "in\tab\r\n"},
    {"entities in values", "<si><t>&lt;&amp;&gt;</t></si>", "A1:B1",
     R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="str"><v>a&amp;amp;b</v></c></row>)",
     "<&>\ta&amp;b\r\n"},
    {"cells without a value and trailing tabs", "", "A1:E2",
     R"(<row r="1"><c r="A1"><v>a</v></c><c r="B1" s="3"/><c r="C1"><v></v></c></row>)"
     R"(<row r="2"><c r="B2"><v>b</v></c><c r="C2"><v xml:space="preserve">	</v></c><c r="D2"><v>d</v></c></row>)",
     "a\r\n\tb\t\td\r\n"},
    {"no dimension: every row present", "", "",
     R"(<row r="2"><c r="B2"><v>a</v></c><c r="D2"><v>b</v></c></row><row r="4"><c r="A4"/></row>)",
     "\r\n\ta\t\tb\r\n"},
    {"no dimension and no value: header only", "", "", R"(<row r="1"><c r="A1"/></row><row r="3"/>)",
     ""},
    {"a dimension without ref is no dimension", "", "<dimension/>",
     R"(<row r="1"><c r="B1"><v>b</v></c></row>)", "\tb\r\n"},
    {"empty sheet with dimension A1", "", "A1", "", "\r\n"},
    {"rows and cells without r follow the previous one", "", "A1:B2",
     R"(<row><c><v>1</v></c><c r="C1"><v>3</v></c><c><v>4</v></c></row>)"
     R"(<row r="3"><c><v>x</v></c></row><row><c r="B4"><v>y</v></c><c/><c><v>z</v></c></row>)",
     "1\t\t3\t4\r\n\r\nx\r\n\ty\t\tz\r\n"},
    {"a reference that names no column is as none", "", "",
     R"(<row r="1"><c r="0"><v>a</v></c><c r="1"><v>b</v></c><c r="D1"><v>d</v></c><c r="$A$1"><v>e</v></c></row>)",
     "a\tb\t\td\te\r\n"},
    {"other elements without r are not rows or cells", "", "",
     R"(<row><extLst><ext/></extLst><c><v>a</v></c></row><x/><row><c><v>b</v></c></row>)",
     "a\r\nb\r\n"},
    // Rows and cells are laid out in order however they are stored; the values
    // of cells at one place follow one another.
    {"a row without r follows the row before it, in order or not", "", "",
     R"(<row r="2"><c><v>a</v></c></row><row r="1"><c><v>b</v></c></row><row><c><v>c</v></c></row>)",
     "b\r\nac\r\n"},
    {"a row out of order is laid out in order", "", "A1:A3",
     R"(<row r="2"><c r="A2"><v>r2</v></c></row><row r="1"><c r="A1"><v>r1</v></c></row>)"
     R"(<row r="3"><c r="A3"><v>r3</v></c></row>)",
     "r1\r\nr2\r\nr3\r\n"},
    {"a cell out of order is laid out in order", "", "A1:D2",
     R"(<row r="1"><c r="C1"><v>c</v></c><c r="A1"><v>a</v></c><c r="D1"><v>d</v></c></row>)"
     R"(<row r="2"><c r="A2"><v>n</v></c></row>)",
     "a\t\tc\td\r\nn\r\n"},
    {"a row stored once per cell is one row", "", "",
     R"(<row r="1"><c r="B1"><v>b</v></c></row><row r="1"><c r="A1"><v>a</v></c></row>)"
     R"(<row r="1"><c r="C1"><v>c</v></c></row><row r="0"><c r="A1"><v>none</v></c></row>)",
     "a\tb\tc\r\n"},
    {"rows and cells beyond the dimension", "", "A1",
     R"(<row r="1"><c r="A1"><v>a</v></c><c r="C1"><v>c</v></c></row><row r="3"><c r="A3"><v>x</v></c></row>)",
     "a\t\tc\r\n\r\nx\r\n"},
    {"line breaks in values", "", "A1:B2",
     "<row r=\"1\"><c r=\"A1\"><v>a\nb</v></c><c r=\"B1\"><v>c\r\nd</v></c></row>"
     "<row r=\"2\"><c r=\"A2\"><v>e\n</v></c></row>",
     "a\r\nb\tcd\r\ne\r\n"},
    {"inner empty lines stay, trailing ones go", "", "A1:A6",
     R"(<row r="1"><c r="A1"><v>a</v></c></row><row r="3"><c r="A3"><v>c</v></c></row><row r="5"/>)",
     "a\r\n\r\nc\r\n"},
    {"blanks before the end of a tag", "<si><t>s</t></si>", R"(<dimension ref="A1:B2" />)",
     R"(<row r="1" ><c r="A1" t="s" ><v>0</v></c><c r="B1" t="s" /></row><row r="2" spans="1:2" >)"
     R"(<c r="B2" ><v>2</v></c></row>)",
     "s\r\n\t2\r\n"},
    {"values in single quotes", "<si><t>s</t></si>", "<dimension ref='A1:B2'/>",
     "<row r='1'><c r='B1' t='s'><v>0</v></c></row><row r='2' ><c r='A2'><v>2</v></c></row>",
     "\ts\r\n2\r\n"},
    {"dimension with an empty last reference", "",
     "A1:", R"(<row r="1"><c r="A1"><v>a</v></c></row>)", "a\r\n"},
    {"a dimension that is not a reference", "", "A1:B2x",
     R"(<row r="1"><c r="A1"><v>a</v></c></row>)", "a\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, XlsxSheetLayout, ::testing::ValuesIn(kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.what)) {
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

// ------------------------------------------- the walk against its definition

// The worksheet text exactly as defined: rows numbered by their "r" or as
// the row after the previous one, cells likewise by column; every cell laid
// out in row and column order (rows numbered below 1 left out), the values of
// cells at one place one after the other; every row number up to the last one
// present, every column up to the last one present in its row, trimming tabs
// at each row end.
std::string DefinedWorksheetText(const XmlNode& worksheet, const SharedStringTable& strings) {
  auto hasRef = [](const XmlNode* item) { return item->Attributes().IndexOfName("r") >= 0; };
  auto isNamed = [](const XmlNode* item, std::string_view name) {
    return item->Name() == name || item->Name() == "x:" + std::string(name);
  };
  std::map<std::pair<std::int64_t, std::int64_t>, std::string> placed;
  std::int64_t lastRow = 0;
  std::int64_t previousRow = 0;
  const XmlNode* sheetData = worksheet.Child("sheetData");
  for (const XmlNode* row = sheetData ? sheetData->FirstChild() : nullptr; row;
       row = row->NextSibling()) {
    std::int64_t number = previousRow + 1;
    if (hasRef(row)) {
      number = ReadDecimal(row->Attributes().Attribute("r"));
    } else if (!isNamed(row, "row")) {
      continue;
    }
    previousRow = number;
    if (number < 1) continue;
    lastRow = std::max(lastRow, number);
    std::int64_t previousColumn = 0;
    for (const XmlNode* cell = row->FirstChild(); cell; cell = cell->NextSibling()) {
      std::int64_t column = previousColumn + 1;
      if (hasRef(cell)) {
        const std::int64_t named = ParseCellRef(cell->Attributes().Attribute("r")).column;
        if (named != 0) column = named;
      } else if (!isNamed(cell, "c")) {
        continue;
      }
      previousColumn = column;
      const XmlNode* v = nullptr;
      const XmlNode* is = nullptr;
      for (const XmlNode* child = cell->FirstChild(); child; child = child->NextSibling()) {
        if (!v && child->Name() == "v") v = child;
        if (!is && child->Name() == "is") is = child;
      }
      std::string& value = placed[{number, column}];
      if (is && cell->Attributes().IndexOfLine("t=inlineStr") >= 0) {
        AppendStringItemText(*is, value);
      } else if (v && cell->Attributes().IndexOfLine("t=s") >= 0) {
        std::int32_t index;
        if (TryReadDecimal(v->Text(), index) && index >= 0 &&
            static_cast<std::size_t>(index) < strings.Count()) {
          value += strings[static_cast<std::size_t>(index)];
        }
      } else if (v) {
        value += v->Text();
      }
    }
  }
  std::string w;
  auto at = placed.begin();
  for (std::int64_t r = 1; r <= lastRow; ++r) {
    std::int64_t column = 1;
    for (; at != placed.end() && at->first.first == r; ++at) {
      for (; column < at->first.second; ++column) w += '\t';
      w += at->second;
      w += '\t';
      ++column;
    }
    while (!w.empty() && w.back() == '\t') w.pop_back();
    w += "\r\n";
  }
  while (!w.empty() && (w.back() == '\r' || w.back() == '\n')) w.pop_back();
  const XmlNode* dimension = worksheet.Child("dimension");
  if (w.empty() && (!dimension || dimension->Attributes().IndexOfName("ref") < 0)) return "";
  return w + "\r\n";
}

std::string ColumnLetters(int column) {
  std::string letters;
  for (; column > 0; column = (column - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
  return letters;
}

// Random rows of up to 8 rows and 6 cells: rows and cells out of order, without
// "r", shared, inline, empty and plain values.
std::string RandomRows(std::mt19937& random) {
  const char* values[] = {"", "a", "\t", "a\t", "x\ny", "\t\tb", "c\r", " "};
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  std::string rows;
  int r = 0;
  for (int rowCount = static_cast<int>(random() % 8); rowCount > 0; --rowCount) {
    r = chance(15) ? static_cast<int>(random() % 4) : r + 1 + static_cast<int>(random() % 3 == 0);
    const std::string rowName = chance(10) ? "x:row" : "row";
    rows += chance(10) ? "<" + rowName + ">" : "<" + rowName + " r=\"" + std::to_string(r) + "\">";
    int k = 0;
    for (int cellCount = static_cast<int>(random() % 6); cellCount > 0; --cellCount) {
      k = chance(10) ? static_cast<int>(random() % 3)
                     : k + 1 + static_cast<int>(random() % 3 == 0);
      const std::string cellName = chance(10) ? "x:c" : "c";
      rows += "<" + cellName;
      if (!chance(10)) rows += " r=\"" + ColumnLetters(k) + std::to_string(r) + "\"";
      const int kind = static_cast<int>(random() % 4);
      if (kind == 0) {
        rows += " t=\"s\"><v>" + std::to_string(random() % 4) + "</v></" + cellName + ">";
      } else if (kind == 1) {
        rows += " t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                std::string(values[random() % 8]) + "</t></is></" + cellName + ">";
      } else if (kind == 2) {
        rows += "/>";
      } else {
        rows += " xml:space=\"preserve\"><v>" + std::string(values[random() % 8]) + "</v></" +
                cellName + ">";
      }
    }
    rows += "</" + rowName + ">";
  }
  return rows;
}

SharedStringTable SmallStringTable() {
  SharedStringTable strings;
  strings.Add("s0");
  strings.Add("\t");
  strings.Add("");
  return strings;
}

// The default text of a package holding the worksheet part and the strings of
// SmallStringTable, as a conversion writes it (without its byte-order mark).
std::string ConvertedWorksheet(const std::string& worksheet, const SharedStringTable&) {
  const std::string archive = WriteZip(
      {{"xl/sharedStrings.xml",
        "<sst><si><t>s0</t></si><si><t xml:space=\"preserve\">&#9;</t></si><si><t/></si></sst>"},
       {"xl/worksheets/sheet1.xml", worksheet}});
  OutputBlock block;
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(archive), block, 65001);
  if (rc < 3) return "failed " + std::to_string(rc);
  return block.substr(3, static_cast<std::size_t>(rc) - 3);
}

TEST(WorksheetText, MatchesItsDefinitionOnRandomSheets) {
  const SharedStringTable strings = SmallStringTable();
  std::mt19937 random(7);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  for (int round = 0; round < 1500; ++round) {
    const int lastRow = static_cast<int>(random() % 9);
    const int lastColumn = static_cast<int>(random() % 7);
    const std::string rows = RandomRows(random);
    const std::string dimension =
        chance(30) ? "" : "A1:" + ColumnLetters(lastColumn) + std::to_string(lastRow);
    XmlDocument doc;
    LoadWholeDocument(doc, Worksheet(dimension, rows));
    const std::string expected = DefinedWorksheetText(doc.Root(), strings);
    // A conversion writes every line break of the text as CR LF.
    std::string breaks;
    AppendCrLfLineBreaks(expected, breaks);
    ASSERT_EQ(ConvertedWorksheet(Worksheet(dimension, rows), strings), "sheet1:\r\n" + breaks)
        << dimension << "\n" << rows;
  }
}

// Wherever the dimension stands, or with none, rows are laid out as they are
// read and given back; the children of other elements are not kept either.
TEST(WorksheetText, RowsReadFromASourceAreNotKept) {
  std::string rows;
  for (int r = 1; r <= 20000; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
            std::to_string(r) + "</v></c></row>";
  const std::string sheetData = "<sheetData>" + rows + "</sheetData>";
  const std::string parts[] = {
      Worksheet("A1:A20000", rows),
      Worksheet("", rows),
      "<worksheet>" + sheetData + "<dimension ref=\"A1\"/></worksheet>",
      "<x:worksheet><x:sheetData>" + rows + "</x:sheetData></x:worksheet>",
      "<worksheet><mergeCells>" + rows + "</mergeCells>" + sheetData + "</worksheet>",
  };
  for (const std::string& part : parts) {
    XmlDocument document;
    std::string text;
    AppendWorksheetTextFromSource(document, testing::RandomBlocks(part, 2, 32768),
                                  SharedStringTable(), text, 1 << 30);
    EXPECT_TRUE(text.starts_with("1\r\n2\r\n")) << part.substr(0, 80);
    EXPECT_TRUE(text.ends_with("\r\n20000\r\n")) << part.substr(0, 80);
    EXPECT_LT(document.StorageBytes(), 64u * 1024) << part.substr(0, 80);
  }
}

TEST(WorksheetText, SparseHugeDimensionCostsWhatIsPresent) {
  // 1,000 cells in A1:XFD100000; walking the area would be 1.6e9 positions.
  std::string rows;
  std::string expected;
  int lastWritten = 0;
  for (int i = 1; i <= 1000; ++i) {
    const int row = i * 100;
    const int column = i % 100 == 0 ? 16384 : 1 + (i * 37) % 300;
    rows += "<row r=\"" + std::to_string(row) + "\"><c r=\"" + ColumnLetters(column) +
            std::to_string(row) + "\"><v>" + std::to_string(i) + "</v></c></row>";
    expected.append(static_cast<std::size_t>(row - lastWritten - 1) * 2, ' ');
    for (std::size_t at = expected.size() - static_cast<std::size_t>(row - lastWritten - 1) * 2;
         at < expected.size(); at += 2) {
      expected[at] = '\r';
      expected[at + 1] = '\n';
    }
    expected.append(static_cast<std::size_t>(column - 1), '\t');
    expected += std::to_string(i) + "\r\n";
    lastWritten = row;
  }
  XmlDocument doc;
  SharedStringTable strings;
  std::string text;
  AppendWorksheetTextFromSource(doc, testing::RandomBlocks(Worksheet("A1:XFD100000", rows), 1, 4096),
                                strings, text, 1 << 30);
  EXPECT_EQ(text, expected);
}

TEST(WorksheetText, TextBeyondTheLimitRaises) {
  const std::string part = Worksheet("A1:XFD3", R"(<row r="3"><c r="XFD3"><v>x</v></c></row>)");
  XmlDocument doc;
  SharedStringTable strings;
  auto append = [&](std::string& text, std::size_t maxBytes) {
    AppendWorksheetTextFromSource(doc, testing::RandomBlocks(part, 2, 64), strings, text, maxBytes);
  };
  // "\r\n\r\n", 16383 tabs, "x", "\r\n": 16390 bytes.
  std::string text;
  append(text, 16390);
  EXPECT_EQ(text.size(), 16390u);
  text.clear();
  EXPECT_THROW(append(text, 16389), ExtractionError);
  text = "12345";
  EXPECT_THROW(append(text, 16394), ExtractionError);
}

TEST(CellRefs, ParseInTheColumnScheme) {
  const std::pair<const char*, CellRef> cases[] = {
      {"A1", {1, 1}},        {"Z9", {9, 26}},  {"AA27", {27, 27}},
      {"AZ1", {1, 52}},      {"BA1", {1, 53}}, {"XFD1048576", {1048576, 16384}},
      {"xfd2", {2, 16384}},  {"1", {0, 0}},    {"A", {0, 0}},
      {"", {0, 0}},          {"$A$1", {0, 0}}, {"A01", {1, 1}},
      {"ZZZZZZZZ1", {0, 0}},  {"A-1", {0, 0}},  {"!1", {0, 0}},
      {"A2147483647", {2147483647, 1}},       {"ZZZZZZZZ1B", {0, 0}},
  };
  for (const auto& [ref, expected] : cases) {
    const CellRef got = ParseCellRef(ref);
    EXPECT_EQ(got.row, expected.row) << ref;
    EXPECT_EQ(got.column, expected.column) << ref;
  }
  EXPECT_THROW(ParseCellRef("A1B"), ExtractionError);
  EXPECT_THROW(ParseCellRef("A99999999999"), ExtractionError);
  EXPECT_THROW(ParseCellRef("A2147483648"), ExtractionError);
  EXPECT_THROW(ParseCellRef("B7-"), ExtractionError);
}

// A row's digits known to be a number are compared, not read again; any other
// digits are read as ParseCellRef reads them.
TEST(CellRefs, ColumnsInAKnownRow) {
  const std::pair<const char*, const char*> cases[] = {
      {"B7", "7"},      {"B7", "8"},      {"xfd12", "12"}, {"A007", "007"}, {"A007", "7"},
      {"1", "1"},       {"A", ""},        {"$A$1", "1"},   {"A-1", "1"},    {"ZZZZZZZZ1B", "1"},
      {"AA27", "27"},   {"", ""},
  };
  for (const auto& [ref, row] : cases)
    EXPECT_EQ(ParseCellColumn(ref, row), ParseCellRef(ref).column) << ref << " in row " << row;
  EXPECT_THROW(ParseCellColumn("A1B", "1"), ExtractionError);
  EXPECT_THROW(ParseCellColumn("A2147483648", "1"), ExtractionError);
}

TEST(CellRefs, DecimalNumbers) {
  std::int32_t v = 0;
  EXPECT_TRUE(TryReadDecimal("2147483647", v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(TryReadDecimal("-2147483648", v));
  EXPECT_EQ(v, -2147483647 - 1);
  EXPECT_TRUE(TryReadDecimal("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(TryReadDecimal("2147483648", v));
  EXPECT_FALSE(TryReadDecimal("", v));
  EXPECT_FALSE(TryReadDecimal("-", v));
  EXPECT_FALSE(TryReadDecimal(" 1", v));
  EXPECT_FALSE(TryReadDecimal("1.0", v));
  EXPECT_FALSE(TryReadDecimal("+", v));
  EXPECT_FALSE(TryReadDecimal("-2147483649", v));
  EXPECT_FALSE(TryReadDecimal("9999999999999999999999", v));
  EXPECT_TRUE(TryReadDecimal("-0", v));
  EXPECT_EQ(v, 0);
}

// ------------------------------------------------------------ the workbook

TEST(XlsxWorkbook, SheetsInMemberNumberOrder) {
  const std::string archive = Package({
      {"xl/worksheets/sheet3.xml",
       Worksheet("A1", R"(<row r="1"><c r="A1"><v>three</v></c></row>)")},
      {"xl/worksheets/sheet1.xml", Worksheet("A1", R"(<row r="1"><c r="A1"><v>one</v></c></row>)")},
      {"xl/worksheets/sheet0.xml",
       Worksheet("A1", R"(<row r="1"><c r="A1"><v>zero</v></c></row>)")},
  });
  std::string text;
  const ResultCode rc = Convert(archive, text);
  EXPECT_EQ(rc, static_cast<ResultCode>(kBom.size() + text.size()));
  EXPECT_EQ(text, "sheet0:\r\nzero\r\nsheet1:\r\none\r\nsheet3:\r\nthree\r\n");
}

TEST(XlsxWorkbook, SheetNumbersFromTheMemberCountOnComeLast) {
  const std::string archive = WriteZip({{"xl/worksheets/sheet2.xml", Worksheet("A1", "")},
                                        {"xl/worksheets/sheet1.xml", Worksheet("A1", "")}});
  std::string text;
  ASSERT_GE(Convert(archive, text), 0);
  EXPECT_EQ(text, "sheet1:\r\n\r\nsheet2:\r\n\r\n");  // two members, sheet2 read too

  ASSERT_GE(
      Convert(WriteZip({{"a.txt", "x"}, {"xl/worksheets/sheet5.xml", Worksheet("A1", "")}}), text),
      0);
  EXPECT_EQ(text, "sheet5:\r\n\r\n");
}

TEST(XlsxWorkbook, EmptyWorksheetMemberCountsButWritesNothing) {
  std::string text;
  EXPECT_EQ(Convert(Package({{"xl/worksheets/sheet1.xml", ""}}), text), 3);
  EXPECT_EQ(text, "");
}

TEST(XlsxWorkbook, MissingOrEmptySharedStringsLeaveTheTableEmpty) {
  const std::string sheet =
      Worksheet("A1:B1", R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>n</v></c></row>)");
  std::string text;
  ASSERT_GE(Convert(Package({{"xl/worksheets/sheet1.xml", sheet}}), text), 0);
  EXPECT_EQ(text, "sheet1:\r\n\tn\r\n");
  ASSERT_GE(
      Convert(Package({{"xl/sharedStrings.xml", ""}, {"xl/worksheets/sheet1.xml", sheet}}), text),
      0);
  EXPECT_EQ(text, "sheet1:\r\n\tn\r\n");
}

TEST(XlsxWorkbook, SharedStringsOfOneConversionDoNotLeakIntoTheNext) {
  const std::string sheet = Worksheet("A1", R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)");
  std::string text;
  ASSERT_GE(Convert(Package({{"xl/sharedStrings.xml", SharedStrings("<si><t>old</t></si>")},
                             {"xl/worksheets/sheet1.xml", sheet}}),
                    text),
            0);
  EXPECT_EQ(text, "sheet1:\r\nold\r\n");
  ASSERT_GE(Convert(Package({{"xl/worksheets/sheet1.xml", sheet}}), text), 0);
  EXPECT_EQ(text, "sheet1:\r\n\r\n");
}

TEST(XlsxWorkbook, StoredMembersAndBackslashNames) {
  std::string text;
  ASSERT_GE(Convert(WriteZip({{"xl\\worksheets\\sheet1.xml",
                               Worksheet("A1", R"(<row r="1"><c r="A1"><v>b</v></c></row>)"), 0},
                              {"x", "y"}}),
                    text),
            0);
  EXPECT_EQ(text, "sheet1:\r\nb\r\n");
}

TEST(XlsxWorkbook, FailuresGiveResultCodes) {
  std::string text;
  // No worksheet member.
  EXPECT_EQ(Convert(Package({}), text), kFormatNotCorrect);
  // Not an archive at all: no end record, no members.
  EXPECT_EQ(Convert("just some text", text), kFormatNotCorrect);
  EXPECT_EQ(Convert("", text), kFormatNotCorrect);
  // A row number that is not a number, a cell reference with a bad row.
  EXPECT_EQ(
      Convert(Package({{"xl/worksheets/sheet1.xml", Worksheet("A1", R"(<row r="x"/>)")}}), text),
      kFormatNotCorrect);
  EXPECT_EQ(Convert(Package({{"xl/worksheets/sheet1.xml",
                              Worksheet("A1:B1", R"(<row r="1"><c r="A1x"><v>1</v></c></row>)")}}),
                    text),
            kFormatNotCorrect);
  // An end record whose directory holds no header and no local header to rebuild from.
  std::string damaged("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2E\0\0\0\0\0\0\0\0\0", 22);
  EXPECT_EQ(Convert(damaged, text), kSourceOpenFailed);
}

TEST(XlsxWorkbook, AMemberThatFailsItsCheckIsSkippedWhateverItsText) {
  // The first sheet's rows would end the conversion, but its CRC-32 is wrong,
  // which is only known after its rows were read: it is left out, not an error.
  ZipEntry damaged("xl/worksheets/sheet1.xml", Worksheet("A1", R"(<row r="x"/>)"));
  damaged.statedCrc = 1234;
  ZipEntry good("xl/worksheets/sheet2.xml", Worksheet("A1", R"(<row r="1"><c r="A1"><v>b</v></c></row>)"));
  std::string text;
  ASSERT_GE(Convert(Package({damaged, good}), text), 0);
  EXPECT_EQ(text, "sheet2:\r\nb\r\n");
  ZipEntry damagedGood("xl/worksheets/sheet1.xml", Worksheet("A1", R"(<row r="1"><c r="A1"><v>a</v></c></row>)"));
  damagedGood.statedCrc = 1234;
  ASSERT_GE(Convert(Package({damagedGood, good}), text), 0);
  EXPECT_EQ(text, "sheet2:\r\nb\r\n");
}

TEST(XlsxWorkbook, EncodingAndTheOutputBlock) {
  const std::string good = Package(
      {{"xl/worksheets/sheet1.xml",
        Worksheet(
            "A1:B1",
            "<row r=\"1\"><c r=\"A1\"><v>\xC3\xA9</v></c><c r=\"B1\"><v>a\nb</v></c></row>")}});
  OutputBlock block;
  // "sheet1:" CR LF, e-acute, tab, "a", CR LF (from the LF), "b", CR LF: 17 units.
  ASSERT_EQ(testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(good), block, 1200), 2 + 2 * 17);
  const std::string utf16(reinterpret_cast<const char*>(block.data()), 6);
  EXPECT_EQ(utf16, std::string("\xFF\xFEs\0h\0", 6));
  EXPECT_EQ(block.size(), 37u);
  EXPECT_EQ(block[2 + 2 * 12], '\r');
  EXPECT_EQ(block[2 + 2 * 13], '\n');
  EXPECT_EQ(block[2 + 2 * 9], '\xE9');  // after "sheet1:" CR LF

  // Text that is not well-formed UTF-8 cannot become UTF-16; the block stays.
  const OutputBlock before = block;
  const std::string bad =
      Package({{"xl/worksheets/sheet1.xml",
                Worksheet("A1", "<row r=\"1\"><c r=\"A1\"><v>\xC3</v></c></row>")}});
  EXPECT_EQ(testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(bad), block, 1200), kTextNotConvertible);
  EXPECT_EQ(block, before);
  EXPECT_EQ(testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(std::string("nope")), block, 65001),
            kFormatNotCorrect);
  EXPECT_EQ(block, before);
}

class XlsxWorkbookFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tabulox_xlsx_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(XlsxWorkbookFile, PathOutcomes) {
  OutputBlock block;
  EXPECT_EQ(testing::SharedXlsxConverter().Convert((dir_ / "missing.xlsx").string(), block, 65001), kSourceMissing);
  EXPECT_EQ(testing::SharedXlsxConverter().Convert(dir_.string(), block, 65001), kSourceMissing);

  const std::string path = (dir_ / "book.xlsx").string();
  ASSERT_TRUE(testing::WriteFile(
      path, Package({{"xl/worksheets/sheet1.xml",
                      Worksheet("A1", R"(<row r="1"><c r="A1"><v>f</v></c></row>)")}})));
  ASSERT_EQ(testing::SharedXlsxConverter().Convert(path, block, 65001), 15);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()) + 3, 12), "sheet1:\r\nf\r\n");

  if (::geteuid() != 0) {  // root reads whatever the mode says
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(testing::SharedXlsxConverter().Convert(path, block, 65001), kSourceOpenFailed);
  }
}

// ------------------------------------------------------------- the corpus

std::string CorpusText(const std::string& name, ResultCode& rc) {
  OutputBlock block;
  rc = testing::SharedXlsxConverter().Convert(std::string(TABULOX_CORPUS_DIR) + "/xlsx/" + name, block, 65001);
  if (rc < 3) return {};
  return std::string(reinterpret_cast<const char*>(block.data()) + 3,
                     static_cast<std::size_t>(rc) - 3);
}

TEST(XlsxCorpus, EveryFileEndsWithAResultCode) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xlsx";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    OutputBlock block;
    const ResultCode rc = testing::SharedXlsxConverter().Convert(entry.path().string(), block, 65001);
    EXPECT_TRUE(rc >= 3 || rc == kSourceOpenFailed || rc == kFormatNotCorrect)
        << entry.path().filename() << " gave " << rc;
    ++files;
  }
  EXPECT_GT(files, 100);
}

TEST(XlsxCorpus, ExpectedOutcomes) {
  if (!std::filesystem::is_directory(std::string(TABULOX_CORPUS_DIR) + "/xlsx")) GTEST_SKIP();
  ResultCode rc;
  // Runs joined, phonetic runs left out.
  EXPECT_EQ(
      CorpusText("calamine__rph.xlsx", rc),
      "sheet1:\r\n\xE8\xAA\xB2\xE3\x81\x8D\xE3\x81\x8F\xE3\x80\x80\xE6\xAF\x9B\xE3\x81\x93\r\n");
  // "&amp;" and "&#xA;": the second string is a line feed, which the trim at
  // the end of the worksheet removes with the empty line it makes.
  EXPECT_EQ(CorpusText("calamine__encoded_entities.xlsx", rc), "sheet1:\r\n&\r\n");
  EXPECT_EQ(CorpusText("xlrd__test_lower_case_cellnames.xlsx", rc), "sheet1:\r\n1\t2\t3\t4\r\n");
  // Character references and "&apos;".
  EXPECT_TRUE(CorpusText("phpspreadsheet__issue.3255.xlsx", rc)
                  .starts_with("sheet1:\r\n#\tTitle\tAuthor\r\n1\tDon Quixote\tMiguel de Cervantes\r\n"
                               "2\tAlice's Adventures in Wonderland\tLewis Carroll\r\n"));
  EXPECT_NE(CorpusText("poi__no_drawing_patriarch.xlsx", rc).find(" Don't stop! "),
            std::string::npos);
  EXPECT_NE(CorpusText("poi__CVLKRA-KYC_Download_File_Structure_V3.1.xlsx", rc)
                .find("\tFormat to be used is dd/mm/yyyy\r\n\r\n01/01/2011\r\n31/07/2011\tAPP_DATE\t"),
            std::string::npos);
  // Characters beyond the first plane, in every code page.
  const std::string greek = CorpusText("poi__54084_-_Greek_-_beyond_BMP.xlsx", rc);
  EXPECT_TRUE(greek.starts_with("sheet1:\r\n\xF0\x9D\x9D\x8A\xF0\x9D\x9D\x8B")) << greek;
  EXPECT_TRUE(greek.ends_with("\xF0\x9D\x9D\xBA\r\nsheet2:\r\n\r\nsheet3:\r\n\r\n")) << greek;
  for (const std::int32_t codePage : {0, 1200, 1252, 932}) {
    OutputBlock block;
    EXPECT_GT(testing::SharedXlsxConverter().Convert(std::string(TABULOX_CORPUS_DIR) +
                                      "/xlsx/poi__54084_-_Greek_-_beyond_BMP.xlsx",
                                  block, codePage),
              40)
        << codePage;
  }
  // The escapes "_xHHHH_" of shared and inline strings.
  EXPECT_EQ(CorpusText("calamine__has_x000D_.xlsx", rc), "sheet1:\r\nABC\r\nDEF\r\n");
  EXPECT_EQ(CorpusText("calamine__has_x000D_inline.xlsx", rc), "sheet1:\r\nABC\r\nDEF\r\n");
  EXPECT_EQ(CorpusText("poi__60289.xlsx", rc), "sheet1:\r\nId\tCampo1\r\n1\tRich Text\r\nTest\r\n");
  EXPECT_EQ(CorpusText("xlsxwriter__escapes09.xlsx", rc),
            "sheet1:\r\nData\x1B[32m1\t10\r\nData\x1B[32m2\t20\r\nData\x1B[32m3\t10\r\n"
            "Data\x1B[32m4\t30\r\n");
  EXPECT_EQ(CorpusText("readxl__new_line_errors.xlsx", rc),
            "sheet1:\r\ncolumn_name\r\nfirst line of text \r\nsecond line of text \r\n"
            "i don't know what type of line feed I've used \r\nlast line\r\n"
            "Will show \"_x000D_\" in every new line in cell above\r\n"
            "sheet2:\r\n\r\nsheet3:\r\n\r\n");
  EXPECT_EQ(CorpusText("phpspreadsheet__issue.4724.xlsx", rc),
            "sheet1:\r\nline\r\nwith\r\nbreaks\r\nA_x0030_B\r\nABC123DEF\r\n\xEC\x87\xAF\r\n"
            "\xF0\x90\x90\x85\r\n\xED\xA0\x81" "8\r\n9\xED\xB0\x85\r\n"
            // A8 lies beyond the stated dimension: two low surrogates, each on its own.
            "\xED\xBC\xB9\xED\xB0\x85\r\n");
  // "_x0000_" is a space, never a NUL byte in the output.
  EXPECT_TRUE(CorpusText("xlsxwriter__shared_strings01.xlsx", rc)
                  .starts_with(std::string("sheet1:\r\n \r\n\x01\r\n", 15)));
  EXPECT_EQ(CorpusText("calamine__empty_s_attribute.xlsx", rc),
            "sheet1:\r\nName\tValue\r\nJohn\t1\r\nSophia\t2\r\nPeter\t3\r\nSam\t4\r\n");
  // Blanks before "/>" (<dimension ref="A1:E3" />, <v />).
  EXPECT_EQ(CorpusText("phpspreadsheet__explicitdate.xlsx", rc),
            "sheet1:\r\n42\r\n1\t2\t3\r\n2021-12-31T23:44:51.894\t2021-12-31\t23:44:51.894\r\n");
  // Worksheets without a dimension, or with one that ends before their
  // cells, rows and cells without references, prefixed element names, parts
  // found through the relationships (checked against an independent reader).
  const std::pair<const char*, const char*> whole[] = {
      {"calamine__nonstandard-xml-ns-prefix.xlsx", "sheet1:\r\na\tb\r\n1\t3\r\n2\t4\r\n"},
      {"xlrd__self_evaluation_report_2014-05-19.xlsx",
       "sheet1:\r\none\ttwo\r\nsheet2:\r\nthree\tfour\r\n"},
      {"xlsx2csv__input-weird.xlsx", "sheet1:\r\n\r\nSome data\r\nsheet2:\r\nsheet3:\r\n"},
      {"phpspreadsheet__PivotTableSimple.xlsx",
       "sheet1:\r\nRegion\tProduct\tAmount\r\nEast\tWidget\t100\r\nWest\tWidget\t150\r\nEast\tGadget\t"
       "200\r\nWest\tGadget\t250\r\nsheet2:\r\n"},
      {"exceldatareader__Test_Issue_11522_OpenXml.xlsx",
       "sheet1:\r\nName\tChina\tIndia\tGermany\tJapan\tMorocco\tBanglore\tItaly\tFrance\tPune\tTest\r\n"
       "TestNewButton\t677\tu77\tu766\ty66\tF\r\n"},
      {"poi__59021.xlsx",
       "sheet1:\r\nDestination\tDial Code\tRate (USD)\tChanges\tEffective Date (GMT)\tEnd Date "
       "(GMT)\tInitial Interval\tRecurring Interval\r\nAbkhazia - Fixed\t7840\t0.134500000\tIncrease\t"
       "10/02/2016\t\t1\t1\r\n"},
      {"xlsx2csv__empty_row.xlsx",
       "sheet1:\r\n\r\nDate\tAgency\tCustomer\tCampaign\tPublisher\tFormat\tInventory\tImpressions\t"
       "Clicks\tCTR (%)\tPrice\tPrice model\tRevenue\r\nAt the moment no data for report\r\n"},
      {"exceldatareader__Test_git_issue_271_InvalidDimension.xlsx",
       "sheet1:\r\n\r\n\r\nqweqwerqwerqwerqwer\r\nclo 1\tcol2\tcol "
       "3\r\n1.00000000\r\n2.00000000\t3.00000000\r\n1.00000000\r\n1.00000000\t2.00000000\r\n"
       "1.00000000\t2.00000000\t3.00000000\r\nsheet2:\r\n\r\nsheet3:\r\n\r\n"},
  };
  for (const auto& [file, text] : whole) EXPECT_EQ(CorpusText(file, rc), text) << file;
  // Larger ones: their headings in order and one of their later lines.
  const struct {
    const char* file;
    const char* headings;
    const char* line;
  } shapes[] = {
      {"exceldatareader__Fillreport.xlsx", "sheet1:",
       "74085\tUser\t412721475\t1\ts\t1\tDA\t72080\t0.7208\t03/01/2016 20:16:38"},
      {"exceldatareader__Test_git_issue_629.xlsx", "sheet1:", "Manager Name"},
      {"readxl__los-angeles-arrests-xlsx.xlsx", "sheet1:", "BKG_NUM\tBKG_DT\tBKG_TM\tARR_DIV\t"},
      {"exceldatareader__Test_Issue_NoStyles_NoRAttribute.xlsx", "sheet1:",
       "\t\t\t\t91\t\t\ts@gmail.com\t\tkishore\t\t\t\treddy\t9666936486"},
      {"exceldatareader__NoDimensionOrCellReferenceAttribute.xlsx", "sheet1:sheet2:",
       "42800\tGPR 250 EUR BRA\t458.391188979243\t0.00383456036004563\t0\t0.00383456036004563\t3\t"
       "37.5355934679813"},
      {"phpspreadsheet__without_cell_reference.xlsx", "sheet1:", "1\t2\t3\t4\t5\t6\t7\t8\t9\t10"},
      {"phpspreadsheet__namespacenonstd.xlsx", "sheet1:sheet2:", "Test #3\t3\t7\t\tC\tG\t\t10\t\tCG"},
      {"calamine__issue_261.xlsx", "sheet1:", "String Value 42\t\t\tString Value 8"},
      {"readxl__iris-google-doc.xlsx", "sheet1:", "5.9\t3.0\t5.1\t1.8\tvirginica"},
      {"poi__54288.xlsx", "sheet1:sheet2:sheet3:",
       "Next week\t\t40\t41.5\t\t43\t46\t\t40\t43\t\t49\t50\t\t7.5\t10\t3\t7\t6\t10\t0\t6\t-3\t1.5"},
      {"poi__56278.xlsx", "sheet1:sheet2:sheet3:sheet4:sheet5:sheet6:sheet7:sheet8:sheet9:sheet10:",
       "5 Years\t3 Month\t0.030000\t0.007100\t0.009449\t0.037100\t0.005500\t0.007850\t0.035500"},
      {"poi__bug66675.xlsx", "sheet1:sheet2:", "Sum:\t\t\t\t0\t\t\t0\t0"},
  };
  for (const auto& shape : shapes) {
    const std::string text = CorpusText(shape.file, rc);
    std::string headings;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(at, end - at);
      if (line.starts_with("sheet") && line.ends_with(':') &&
          line.find_first_not_of("0123456789", 5) == line.size() - 1)
        headings += line;
      at = end + 2;
    }
    EXPECT_EQ(headings, shape.headings) << shape.file;
    EXPECT_NE(text.find("\r\n" + std::string(shape.line)), std::string::npos) << shape.file;
  }
  // Not packages a conversion can read.
  CorpusText("calamine__pass_protected.xlsx", rc);  // compound file: no end record
  EXPECT_EQ(rc, kFormatNotCorrect);
  CorpusText("calamine__date.xlsb", rc);  // binary parts, no worksheet XML
  EXPECT_EQ(rc, kFormatNotCorrect);
  CorpusText("exceldatareader__EmptyZipFile.xlsx", rc);
  EXPECT_EQ(rc, kFormatNotCorrect);
}

}  // namespace
}  // namespace tabulox
