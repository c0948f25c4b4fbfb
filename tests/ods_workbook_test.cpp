// The OpenDocument spreadsheet reader: packages and flat documents built
// here element by element, in both layouts, with the options, damaged
// documents, and the corpus's .ods and .fods files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/zip_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {
namespace {

using testing::WriteZip;
using testing::ZipEntry;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

constexpr std::string_view kContentHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" office:version=\"1.3\">";

// A content document: automatic styles, then the tables in the body.
std::string Content(std::string_view tables, std::string_view styles = {}) {
  std::string xml(kContentHead);
  xml += "<office:automatic-styles>";
  xml += styles;
  xml += "</office:automatic-styles><office:body><office:spreadsheet>";
  xml += tables;
  xml += "</office:spreadsheet></office:body></office:document-content>";
  return xml;
}

// The same tables as a flat document.
std::string Flat(std::string_view tables, std::string_view styles = {}) {
  std::string xml = Content(tables, styles);
  xml.replace(xml.find("office:document-content "), 24, "office:document ");
  xml.replace(xml.rfind("office:document-content>"), 24, "office:document>");
  return xml;
}

std::string Package(const std::string& content, const std::string& stylesXml = {}) {
  std::vector<ZipEntry> entries;
  entries.emplace_back("mimetype", "application/vnd.oasis.opendocument.spreadsheet", 0);
  entries.emplace_back("content.xml", content);
  if (!stylesXml.empty()) entries.emplace_back("styles.xml", stylesXml);
  return WriteZip(entries);
}

std::string Table(std::string_view name, std::string_view rows, std::string_view attributes = {}) {
  std::string xml = "<table:table table:name=\"";
  xml += name;
  xml += "\"";
  xml += attributes;
  xml += ">";
  xml += rows;
  xml += "</table:table>";
  return xml;
}

std::string Row(std::string_view cells, std::string_view attributes = {}) {
  return "<table:table-row" + std::string(attributes) + ">" + std::string(cells) + "</table:table-row>";
}

std::string Text(std::string_view text, std::string_view attributes = {}) {
  return "<table:table-cell office:value-type=\"string\"" + std::string(attributes) + "><text:p>" +
         std::string(text) + "</text:p></table:table-cell>";
}

std::string Number(std::string_view value, std::string_view shown, std::string_view attributes = {}) {
  return "<table:table-cell office:value-type=\"float\" office:value=\"" + std::string(value) + "\"" +
         std::string(attributes) + "><text:p>" + std::string(shown) + "</text:p></table:table-cell>";
}

const std::string kEmptyCell = "<table:table-cell/>";

// Converts with UTF-8 output; `text` gets the output without its mark.
ResultCode Convert(const std::string& file, std::string& text, const ConversionOptions& options = {}) {
  static Engine engine;
  OutputBlock block;
  const ResultCode rc = engine.ConvertBuffer(testing::Bytes(file), WorkbookType::kOds, 65001, options, block);
  text.clear();
  if (rc >= 0) {
    const std::string out(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
    EXPECT_TRUE(out.starts_with(kBom));
    text = out.substr(kBom.size());
  }
  return rc;
}

std::string Converted(const std::string& file, const ConversionOptions& options = {}) {
  std::string text;
  EXPECT_GE(Convert(file, text, options), 0);
  return text;
}

ConversionOptions Options(Layout layout) {
  ConversionOptions options;
  options.layout = layout;
  return options;
}

// ------------------------------------------------------------ tables and cells

TEST(OdsWorkbook, TablesInDocumentOrderInBothLayouts) {
  const std::string file = Package(Content(
      Table("First", Row(Text("a") + Number("1.5", "1.5")) + Row(kEmptyCell + Text("b"))) +
      Table("Second", Row(Text("c")))));
  EXPECT_EQ(Converted(file), "First\r\na\t1.5\r\n\tb\r\n\r\nSecond\r\nc\r\n\r\n");
  EXPECT_EQ(Converted(file, Options(Layout::kAsShown)), "First\r\na\t1.5\r\n\tb\r\n\r\nSecond\r\nc\r\n\r\n");
  ConversionOptions csv = Options(Layout::kCsv);
  std::string text;
  EXPECT_EQ(Convert(file, text, csv), kSeveralSheets);
  csv.sheets = {{"", 2}};
  EXPECT_EQ(Converted(file, csv), "c\r\n");
}

TEST(OdsWorkbook, FlatDocumentReadsAsThePackage) {
  const std::string tables = Table("S", Row(Text("x") + Number("2", "2")));
  EXPECT_EQ(Converted(Flat(tables)), Converted(Package(Content(tables))));
  EXPECT_EQ(Converted(Flat(tables)), "S\r\nx\t2\r\n\r\n");
}

TEST(OdsWorkbook, RepeatsAreWrittenOutAndEmptyOnesCostNothing) {
  const std::string rows =
      Row(Text("r", " table:number-columns-repeated=\"3\"") + Text("end")) +
      Row(kEmptyCell, " table:number-rows-repeated=\"2\"") +
      Row(Number("7", "7", " table:number-columns-repeated=\"2\""), " table:number-rows-repeated=\"2\"") +
      Row("<table:table-cell table:number-columns-repeated=\"16384\"/>",
          " table:number-rows-repeated=\"1048576\"");
  const std::string file = Package(Content(Table("S", rows)));
  EXPECT_EQ(Converted(file), "S\r\nr\tr\tr\tend\r\n7\t7\r\n7\t7\r\n\r\n");
  EXPECT_EQ(Converted(file, Options(Layout::kAsShown)), "r\tr\tr\tend\r\n\t\t\t\r\n\t\t\t\r\n7\t7\t\t\r\n7\t7\t\t\r\n");
}

TEST(OdsWorkbook, RepeatsBeyondTheSheetAreCutAtItsEdge) {
  // A text repeated past the last column.
  const std::string wide = Row("<table:table-cell table:number-columns-repeated=\"16382\"/>" +
                               Text("x", " table:number-columns-repeated=\"5\"") + Text("beyond"));
  const std::string wideText = Converted(Package(Content(Table("S", wide))));
  EXPECT_EQ(wideText, "S\r\n" + std::string(16382, '\t') + "x\tx\r\n\r\n");
  // Rows repeated past the last row.
  const std::string tall = Row(kEmptyCell, " table:number-rows-repeated=\"1048575\"") +
                           Row(Text("y"), " table:number-rows-repeated=\"9\"") + Row(Text("beyond"));
  const std::string file = Package(Content(Table("S", tall)));
  EXPECT_EQ(Converted(file), "S\r\ny\r\n\r\n");
  const std::string shown = Converted(file, Options(Layout::kAsShown));
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1048576);
  EXPECT_TRUE(shown.ends_with("\r\n\r\ny\r\n"));
}

TEST(OdsWorkbook, RepeatsBeyondTheBytesThatBackThemAreDamage) {
  // One cell of a 100-byte text, 16,384 columns wide, on 1,048,576 rows.
  const std::string rows = Row(Text(std::string(100, 'z'), " table:number-columns-repeated=\"16384\""),
                               " table:number-rows-repeated=\"1048576\"");
  std::string text;
  EXPECT_EQ(Convert(Package(Content(Table("S", rows))), text), kFormatNotCorrect);
  // 20,000 space counts of 65,536 each in one paragraph.
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "<text:s text:c=\"65536\"/>";
  const std::string spaces = Row(Text(many));
  EXPECT_EQ(Convert(Package(Content(Table("S", spaces))), text), kFormatNotCorrect);
}

TEST(OdsWorkbook, CoveredCellsAreEmpty) {
  const std::string rows =
      Row("<table:table-cell office:value-type=\"string\" table:number-columns-spanned=\"2\"><text:p>wide</text:p>"
          "</table:table-cell><table:covered-table-cell office:value-type=\"string\"><text:p>hidden</text:p>"
          "</table:covered-table-cell>" + Text("c"));
  EXPECT_EQ(Converted(Package(Content(Table("S", rows)))), "S\r\nwide\t\tc\r\n\r\n");
}

TEST(OdsWorkbook, ParagraphsSpacesAndSpansAreTheText) {
  const std::string cell =
      "<table:table-cell office:value-type=\"string\">"
      "<office:annotation><text:p>a note</text:p></office:annotation>"
      "<text:p>  one <text:span text:style-name=\"T1\">two</text:span>  \n three</text:p>"
      "<text:p>a<text:s text:c=\"3\"/>b<text:s/>c<text:tab/>d<text:line-break/>e "
      "<text:a xlink:href=\"http://x\">link</text:a> &amp; &#x263A;</text:p>"
      "</table:table-cell>";
  ConversionOptions shown = Options(Layout::kAsShown);
  EXPECT_EQ(Converted(Package(Content(Table("S", Row(cell)))), shown),
            "\"  one two    three\na   b c\td\ne link & \xE2\x98\xBA\"\r\n");
}

TEST(OdsWorkbook, ValuesWithoutParagraphsAndOfEachType) {
  const std::string rows = Row(
      "<table:table-cell office:value-type=\"float\" office:value=\"0.1\"/>"
      "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>TRUE</text:p>"
      "</table:table-cell>"
      "<table:table-cell office:value-type=\"float\" office:value=\"0\" table:formula=\"of:=1/0\">"
      "<text:p>#DIV/0!</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"float\" office:value=\"3\" table:formula=\"of:=1+2\">"
      "<text:p>3</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"string\" office:string-value=\"attr\"/>"
      "<table:table-cell office:value-type=\"string\" office:string-value=\"a&#x0d;&#x0a;b\"><text:p>a</text:p>"
      "<text:p>b</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"float\" office:value=\"1\" table:formula=\"of:=TRUE()\">"
      "<text:p>TRUE</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"string\" office:string-value=\"\" table:formula=\"of:=1/0\" "
      "calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>");
  const std::string file = Package(Content(Table("S", rows)));
  EXPECT_EQ(Converted(file), "S\r\n0.1\t1\t7\t3\tattr\ta\r\nb\t1\t7\r\n\r\n");
  EXPECT_EQ(Converted(file, Options(Layout::kAsShown)), "0.1\tTRUE\t#DIV/0!\t3\tattr\t\"a\r\nb\"\tTRUE\t#DIV/0!\r\n");
}

// Data styles as the application writes them, in content.xml and styles.xml.
constexpr std::string_view kDataStyles =
    "<number:number-style style:name=\"N1\"><number:number number:decimal-places=\"2\" "
    "number:min-decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/>"
    "</number:number-style>"
    "<number:percentage-style style:name=\"N2\"><number:number number:decimal-places=\"1\" "
    "number:min-integer-digits=\"1\"/><number:text>%</number:text></number:percentage-style>"
    "<number:date-style style:name=\"N3\"><number:year number:style=\"long\"/><number:text>-</number:text>"
    "<number:month number:style=\"long\"/><number:text>-</number:text><number:day number:style=\"long\"/>"
    "</number:date-style>"
    "<number:time-style style:name=\"N4\" number:truncate-on-overflow=\"false\"><number:hours/>"
    "<number:text>:</number:text><number:minutes number:style=\"long\"/></number:time-style>"
    "<number:number-style style:name=\"N5P0\"><number:number number:decimal-places=\"0\" "
    "number:min-integer-digits=\"1\"/></number:number-style>"
    "<number:number-style style:name=\"N5\"><number:text>(</number:text><number:number "
    "number:decimal-places=\"0\" number:min-integer-digits=\"1\"/><number:text>)</number:text>"
    "<style:map style:condition=\"value()&gt;=0\" style:apply-style-name=\"N5P0\"/></number:number-style>"
    "<style:style style:name=\"ce1\" style:family=\"table-cell\" style:data-style-name=\"N1\"/>"
    "<style:style style:name=\"ce2\" style:family=\"table-cell\" style:data-style-name=\"N2\"/>"
    "<style:style style:name=\"ce3\" style:family=\"table-cell\" style:data-style-name=\"N3\"/>"
    "<style:style style:name=\"ce4\" style:family=\"table-cell\" style:data-style-name=\"N4\"/>"
    "<style:style style:name=\"ce5\" style:family=\"table-cell\" style:parent-style-name=\"Signed\"/>";

TEST(OdsWorkbook, NumbersGoThroughTheirDataStyles) {
  const std::string rows = Row(
      Number("1234.5", "-", " table:style-name=\"ce1\"") + Number("0.125", "-", " table:style-name=\"ce2\"") +
      "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-05T12:00:00\" "
      "table:style-name=\"ce3\"><text:p>-</text:p></table:table-cell>"
      "<table:table-cell office:value-type=\"time\" office:time-value=\"PT26H05M00S\" "
      "table:style-name=\"ce4\"><text:p>-</text:p></table:table-cell>" +
      Number("-4", "-", " table:style-name=\"ce5\"") + Number("4", "-", " table:style-name=\"ce5\"") +
      Number("9", "-"));
  // The named style "Signed" lives in styles.xml; the column's default style
  // gives the last cell its format.
  const std::string stylesXml =
      "<office:document-styles><office:styles><style:style style:name=\"Signed\" "
      "style:family=\"table-cell\" style:data-style-name=\"N5\"/></office:styles></office:document-styles>";
  const std::string columns =
      "<table:table-column table:number-columns-repeated=\"6\"/>"
      "<table:table-column table:default-cell-style-name=\"ce1\"/>";
  const std::string file = Package(Content(Table("S", columns + rows), kDataStyles), stylesXml);
  EXPECT_EQ(Converted(file, Options(Layout::kAsShown)), "1,234.50\t12.5%\t2024-03-05\t26:05\t(4)\t4\t9.00\r\n");
}

TEST(OdsWorkbook, DatesAreDaysFrom1899December30) {
  // 1900-01-02T06:00 is 3.25 days: a duration written as a date keeps its
  // length under an elapsed-hours format.
  const std::string rows = Row(
      "<table:table-cell office:value-type=\"date\" office:date-value=\"1900-01-02T06:00:00\" table:style-name=\"ce4\"/>"
      "<table:table-cell office:value-type=\"date\" office:date-value=\"1900-03-01\" table:style-name=\"ce3\"/>"
      "<table:table-cell office:value-type=\"date\" office:date-value=\"1899-12-30T12:00:00\"/>");
  EXPECT_EQ(Converted(Package(Content(Table("S", rows), kDataStyles)), Options(Layout::kAsShown)),
            "78:00\t1900-03-01\t0.5\r\n");
}

// A cell style holding a data style.
std::string CellStyle(std::string_view name, std::string_view dataStyle) {
  return "<style:style style:name=\"" + std::string(name) + "\" style:family=\"table-cell\" style:data-style-name=\"" +
         std::string(dataStyle) + "\"/>";
}

// A cell of the value type with its value attribute ("date", "2024-01-15").
std::string TypedCell(std::string_view type, std::string_view value, std::string_view style) {
  const std::string attribute = type == "date" ? "office:date-value" : "office:value";
  return "<table:table-cell office:value-type=\"" + std::string(type) + "\" " + attribute + "=\"" +
         std::string(value) + "\" table:style-name=\"" + std::string(style) + "\"/>";
}

// The as-shown text of one table "S" of these rows under these styles.
std::string ShownTable(const std::string& rows, std::string_view styles) {
  return Converted(Package(Content(Table("S", rows), styles)), Options(Layout::kAsShown));
}

TEST(OdsWorkbook, EmbeddedTextStandsBetweenTheDigits) {
  // The text comes 4 digits left of the point; digits beyond go left of it.
  const std::string styles =
      "<number:number-style style:name=\"N9\"><number:number number:decimal-places=\"0\" "
      "number:min-integer-digits=\"0\"><number:embedded-text number:position=\"4\">-</number:embedded-text>"
      "</number:number></number:number-style>" +
      CellStyle("ce9", "N9");
  const std::string rows = Row(TypedCell("float", "1", "ce9") + TypedCell("float", "12345.6789", "ce9") +
                               TypedCell("float", "-1234567", "ce9"));
  EXPECT_EQ(ShownTable(rows, styles), "-1\t1-2346\t-123-4567\r\n");
}

TEST(OdsWorkbook, ACurrencySymbolWithoutTextIsTheLocalCurrency) {
  const std::string styles =
      "<number:currency-style style:name=\"N9\"><number:currency-symbol/><number:number "
      "number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/>"
      "</number:currency-style>"
      "<number:currency-style style:name=\"N8\"><number:number number:decimal-places=\"0\" "
      "number:min-integer-digits=\"1\"/><number:text> </number:text><number:currency-symbol "
      "number:language=\"de\" number:country=\"DE\">EUR</number:currency-symbol></number:currency-style>" +
      CellStyle("ce9", "N9") + CellStyle("ce8", "N8");
  const std::string rows = Row(TypedCell("currency", "1234.56", "ce9") + TypedCell("currency", "7", "ce8"));
  // The tests run in the C locale, whose currency is the default "$".
  EXPECT_EQ(ShownTable(rows, styles), "$1,234.56\t7 EUR\r\n");
}

TEST(OdsWorkbook, JapaneseEraFieldsOfTheGengouCalendar) {
  const std::string styles =
      "<number:date-style style:name=\"N9\" number:language=\"ja\" number:country=\"JP\">"
      "<number:era number:calendar=\"gengou\" number:style=\"long\"/><number:year number:calendar=\"gengou\"/>"
      "<number:text>/</number:text><number:month/><number:text>/</number:text><number:day/></number:date-style>"
      "<number:date-style style:name=\"N8\"><number:era number:calendar=\"gengou\"/>"
      "<number:year number:style=\"long\" number:calendar=\"gengou\"/></number:date-style>" +
      CellStyle("ce9", "N9") + CellStyle("ce8", "N8");
  const std::string rows = Row(TypedCell("date", "2021-01-01", "ce9") + TypedCell("date", "1989-01-07", "ce8"));
  EXPECT_EQ(ShownTable(rows, styles),
            "\xE4\xBB\xA4\xE5\x92\x8C" "3/1/1" "\tS64\r\n");  // Reiwa 3; Showa 64
}

TEST(OdsWorkbook, DatesBefore1900MarchAreTheCalendarsOwn) {
  // The .xls count's 1900-02-29 is not among them, and a date before
  // 1899-12-30, as a date or as a negative number under a date style, shows
  // as the date it is.
  const std::string rows =
      Row(TypedCell("date", "1900-01-01", "ce3") + TypedCell("date", "1900-02-28", "ce3") +
          TypedCell("date", "1866-03-12T07:42:00", "ce3") + TypedCell("float", "-1.2", "ce3") +
          TypedCell("float", "2", "ce3"));
  EXPECT_EQ(ShownTable(rows, kDataStyles), "1900-01-01\t1900-02-28\t1866-03-12\t1899-12-28\t1900-01-01\r\n");
}

// ------------------------------------------------------------ structure and options

TEST(OdsWorkbook, RowGroupsAndHeaderRowsStayInPlace) {
  const std::string rows = "<table:table-header-rows>" + Row(Text("head")) + "</table:table-header-rows>" +
                           "<table:table-row-group>" + Row(Text("g1")) + "<table:table-row-group>" +
                           Row(Text("g2")) + "</table:table-row-group></table:table-row-group>" +
                           "<table:table-rows>" + Row(Text("r")) + "</table:table-rows>" + Row(Text("last"));
  EXPECT_EQ(Converted(Package(Content(Table("S", rows)))), "S\r\nhead\r\ng1\r\ng2\r\nr\r\nlast\r\n\r\n");
}

TEST(OdsWorkbook, HiddenRowsColumnsAndTables) {
  const std::string styles =
      "<style:style style:name=\"ta2\" style:family=\"table\"><style:table-properties table:display=\"false\"/>"
      "</style:style>";
  const std::string columns =
      "<table:table-column/><table:table-column table:visibility=\"collapse\"/><table:table-column/>";
  const std::string rows = Row(Text("a") + Text("b") + Text("c")) +
                           Row(Text("hidden"), " table:visibility=\"collapse\"") +
                           Row(Text("filtered"), " table:visibility=\"filter\"") + Row(Text("d"));
  const std::string file =
      Package(Content(Table("Shown", columns + rows) + Table("Off", Row(Text("x")), " table:style-name=\"ta2\""),
                      styles));
  ConversionOptions skip = Options(Layout::kAsShown);
  skip.skipHiddenRows = skip.skipHiddenColumns = skip.skipHiddenSheets = true;
  EXPECT_EQ(Converted(file, skip), "a\tc\r\nd\t\r\n");
  ConversionOptions all;
  all.skipHiddenRows = true;
  EXPECT_EQ(Converted(file, all), "Shown\r\na\tb\tc\r\nd\r\n\r\nOff\r\nx\r\n\r\n");

  Engine engine;
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(engine.ListSheetsInBuffer(testing::Bytes(file), WorkbookType::kOds, sheets), 2);
  EXPECT_EQ(sheets[0].name, "Shown");
  EXPECT_FALSE(sheets[0].hidden);
  EXPECT_EQ(sheets[1].name, "Off");
  EXPECT_TRUE(sheets[1].hidden);
}

TEST(OdsWorkbook, SheetsChosenByNumberAndNameInTheirOrder) {
  const std::string file =
      Package(Content(Table("One", Row(Text("1"))) + Table("Two", Row(Text("2"))) + Table("Three", Row(Text("3")))));
  ConversionOptions options;
  options.sheets = {{"", 3}, {"one", 0}};
  EXPECT_EQ(Converted(file, options), "Three\r\n3\r\n\r\nOne\r\n1\r\n\r\n");
  options.sheets = {{"Four", 0}};
  std::string text;
  EXPECT_EQ(Convert(file, text, options), kSheetNotFound);
}

// ------------------------------------------------------------ damaged input

TEST(OdsWorkbook, DamagedDocumentsGiveFormatNotCorrect) {
  std::string text;
  // No content.xml, no table, a document cut short, bytes that are nothing.
  EXPECT_EQ(Convert(WriteZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", 0}}), text),
            kFormatNotCorrect);
  EXPECT_EQ(Convert(Package(Content("")), text), kFormatNotCorrect);
  const std::string whole = Content(Table("S", Row(Text("a") + Text("b"))));
  EXPECT_EQ(Convert(Flat(whole.substr(0, whole.size() / 2)), text), kFormatNotCorrect);
  const std::string cut = Package(whole);
  EXPECT_LT(Convert(cut.substr(0, cut.size() / 2), text), 0);
  EXPECT_EQ(Convert(std::string("garbage that is not a document"), text), kFormatNotCorrect);
  // Deep nesting and unclosed cells end without harm.
  std::string deep = "<office:document><table:table table:name=\"D\"><table:table-row><table:table-cell><text:p>";
  for (int i = 0; i < 100000; ++i) deep += "<text:span>";
  deep += "deep";
  EXPECT_GT(Convert(deep, text), 0);
  EXPECT_EQ(text, "D\r\ndeep\r\n\r\n");
}

TEST(OdsWorkbook, MissingFileAndListOfFile) {
  Engine engine;
  OutputBlock block;
  EXPECT_EQ(engine.ConvertFile("/nonexistent/book.ods", WorkbookType::kOds, 65001, block), kSourceMissing);
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tabulox_ods_test.fods";
  ASSERT_TRUE(testing::WriteFile(path.string(), Flat(Table("F", Row(Text("f"))))));
  std::vector<SheetInfo> sheets;
  EXPECT_EQ(engine.ListSheets(path.string(), WorkbookType::kOds, sheets), 1);
  const ResultCode rc = engine.ConvertFile(path.string(), WorkbookType::kOds, 65001, block);
  ASSERT_GT(rc, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc)),
            std::string(kBom) + "F\r\nf\r\n\r\n");
  std::filesystem::remove(path);
}

// ------------------------------------------------------------ the corpus

const std::filesystem::path kCorpus = "/work/shared/corpus";

TEST(OdsCorpus, EveryWorkbookConvertsInEveryLayout) {
  if (!std::filesystem::is_directory(kCorpus / "ods")) GTEST_SKIP() << "no corpus at " << kCorpus;
  Engine engine;
  int files = 0;
  for (const char* folder : {"ods", "fods"}) {
    if (!std::filesystem::is_directory(kCorpus / folder)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus / folder)) {
      ++files;
      for (const Layout layout : {Layout::kDefault, Layout::kAsShown}) {
        ConversionOptions options;
        options.layout = layout;
        options.skipHiddenRows = layout == Layout::kAsShown;
        OutputBlock block;
        EXPECT_GT(engine.ConvertFile(entry.path().string(), WorkbookType::kOds, 65001, options, block), 0)
            << entry.path();
      }
    }
  }
  EXPECT_GT(files, 0);
}

// Texts LibreOffice's own reader shows for the same cells.
TEST(OdsCorpus, CellsShowWhatAnIndependentReaderShows) {
  if (!std::filesystem::is_directory(kCorpus / "ods")) GTEST_SKIP() << "no corpus at " << kCorpus;
  struct Expected {
    const char* file;
    const char* fragment;
  };
  const Expected expected[] = {
      {"ods/calamine__date.ods", "01/01/2021\t15\r\n01/01/2021 10:10 AM\t16\r\n10:10:10\t17\r\n10:10:10.12\t18\r\n"},
      {"ods/calamine__number_rows_repeated.ods", "A\tB\r\nC\tD\r\nC\tD\r\n\t\r\n\t\r\nC\tD\r\n"},
      {"ods/phpspreadsheet__OOCalcTest.ods", "Test #3\t2.34\tFALSE\tFALSE"},
      {"ods/sheetjs__rich_text_stress.ods", "bold\tthis text is bold, sure enough\r\n"},
      {"ods/calamine__richtext_issue.ods", "abc"},
  };
  Engine engine;
  for (const Expected& e : expected) {
    OutputBlock block;
    ConversionOptions options = Options(Layout::kAsShown);
    options.sheets = {{"", 1}};
    const ResultCode rc = engine.ConvertFile((kCorpus / e.file).string(), WorkbookType::kOds, 65001, options, block);
    ASSERT_GT(rc, 0) << e.file;
    const std::string text(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
    EXPECT_NE(text.find(e.fragment), std::string::npos) << e.file << " lacks " << e.fragment << " in\n" << text;
  }
}

}  // namespace
}  // namespace tabulox
