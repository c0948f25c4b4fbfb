// The same cells written as .xls, .xlsx, .xlsb and .ods give the same as-shown text,
// through the public interface: numbers through built-in and custom formats,
// formula results of every type, booleans, errors, texts that need quotes,
// empty rows, hidden rows, columns and sheets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "support/xlsb_writer.h"
#include "support/zip_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {
namespace {

using testing::BiffWriter;

// The styles both workbooks share: XF i has format kFormats[i].
constexpr int kFormats[] = {0, 164, 165, 166, 10, 14};
const char* const kCustomCodes[] = {"0.00", "yyyy-mm-dd", "#,##0.00 \"EUR\""};

std::vector<std::uint8_t> XlsWorkbook() {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.Format(164, u"0.00");
  w.Format(165, u"yyyy-mm-dd");
  w.Format(166, u"#,##0.00 \"EUR\"");
  for (int format : kFormats) w.XF(static_cast<std::uint16_t>(format));
  const auto sales = w.BoundSheet(u"Sales");
  const auto notes = w.BoundSheet(u"Notes", 0, /*visibility=*/1);
  w.Eof();

  w.StartSheet(sales);
  w.ColInfo(4, 4, true);
  w.Row(5, true);
  w.Label(0, 0, u"Region");
  w.Label(0, 1, u"Amount");
  w.Label(0, 2, u"Share");
  w.Label(0, 3, u"When");
  w.Label(1, 0, u"North");
  w.Number(1, 1, 3, 1234567.891);
  w.Number(1, 2, 4, 0.625);
  w.Number(1, 3, 5, 45292);
  w.Label(1, 4, u"hidden column");
  w.Label(3, 0, u"tab\there, \"quoted\"");
  w.BoolErr(3, 1, 1, false);
  w.BoolErr(3, 2, 0x07, true);  // #DIV/0!
  double serial = 40293.737871331;
  std::uint8_t result[8];
  std::memcpy(result, &serial, 8);
  w.Formula(3, 3, 2, result);
  w.FormulaSpecial(4, 1, 0, 0);  // a text result, in the STRING after it
  w.String(u"two\nlines");
  w.FormulaSpecial(4, 2, 1, 0);     // FALSE
  w.FormulaSpecial(4, 3, 2, 0x2A);  // #N/A
  w.Label(5, 0, u"hidden row");
  w.Eof();

  w.StartSheet(notes);
  w.Label(0, 0, u"note");
  w.Eof();
  return testing::WriteCompoundFile({{u"Workbook", {w.bytes().begin(), w.bytes().end()}}});
}

std::string XlsxWorkbook() {
  std::string numFmts;
  for (int i = 0; i < 3; ++i) {
    std::string code = kCustomCodes[i];
    std::string escaped;
    for (char c : code) escaped += c == '"' ? std::string("&quot;") : std::string(1, c);
    numFmts += "<numFmt numFmtId=\"" + std::to_string(164 + i) + "\" formatCode=\"" + escaped + "\"/>";
  }
  std::string xfs;
  for (int format : kFormats) xfs += "<xf numFmtId=\"" + std::to_string(format) + "\"/>";
  const std::string types = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  const std::string sales =
      R"(<worksheet><cols><col min="5" max="5" hidden="1"/></cols><sheetData>)"
      R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Region</t></is></c><c r="B1" t="inlineStr"><is><t>Amount</t></is></c>)"
      R"(<c r="C1" t="inlineStr"><is><t>Share</t></is></c><c r="D1" t="inlineStr"><is><t>When</t></is></c></row>)"
      R"(<row r="2"><c r="A2" t="inlineStr"><is><t>North</t></is></c><c r="B2" s="3"><v>1234567.891</v></c>)"
      R"(<c r="C2" s="4"><v>0.625</v></c><c r="D2" s="5"><v>45292</v></c>)"
      R"(<c r="E2" t="inlineStr"><is><t>hidden column</t></is></c></row>)"
      R"(<row r="4"><c r="A4" t="inlineStr"><is><t>tab	here, "quoted"</t></is></c>)"
      R"(<c r="B4" t="b"><v>1</v></c><c r="C4" t="e"><v>#DIV/0!</v></c>)"
      R"(<c r="D4" s="2"><f>NOW()</f><v>40293.737871331</v></c></row>)"
      R"(<row r="5"><c r="B5" t="str"><f>A1</f><v>two
lines</v></c><c r="C5" t="b"><f>FALSE()</f><v>0</v></c>)"
      R"(<c r="D5" t="e"><f>NA()</f><v>#N/A</v></c></row>)"
      R"(<row r="6" hidden="1"><c r="A6" t="inlineStr"><is><t>hidden row</t></is></c></row>)"
      R"(</sheetData></worksheet>)";
  return testing::WriteZip({
      {"_rels/.rels", "<Relationships><Relationship Id=\"r1\" Type=\"" + types +
                          "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook xmlns:r=\"" + types.substr(0, types.size() - 1) + "\"><sheets>"
       "<sheet name=\"Sales\" sheetId=\"1\" r:id=\"r1\"/>"
       "<sheet name=\"Notes\" sheetId=\"2\" state=\"hidden\" r:id=\"r2\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"r1\" Type=\"" + types + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
       "<Relationship Id=\"r2\" Type=\"" + types + "worksheet\" Target=\"worksheets/sheet2.xml\"/>"
       "<Relationship Id=\"r3\" Type=\"" + types + "styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/styles.xml", "<styleSheet><numFmts>" + numFmts + "</numFmts><cellXfs>" + xfs +
                            "</cellXfs></styleSheet>"},
      {"xl/worksheets/sheet1.xml", sales},
      {"xl/worksheets/sheet2.xml",
       R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>note</t></is></c></row></sheetData></worksheet>)"},
  });
}

// The same cells as records of a binary workbook.
std::string XlsbWorkbook() {
  using namespace testing::xlsb;
  Book book;
  for (int i = 0; i < 3; ++i) book.formats.emplace_back(static_cast<std::uint16_t>(164 + i), kCustomCodes[i]);
  for (int format : kFormats) book.cellFormats.push_back(static_cast<std::uint16_t>(format));
  const auto text = [](std::uint32_t column, std::string_view value) {
    return Record(6, Cell(column).wide(value));  // BrtCellSt
  };
  const std::string sales =
      Columns(4, 4, true) + Row(0) + text(0, "Region") + text(1, "Amount") + text(2, "Share") + text(3, "When") +
      Row(1) + text(0, "North") + Record(5, Cell(1, 3).f64(1234567.891)) + Record(5, Cell(2, 4).f64(0.625)) +
      Record(5, Cell(3, 5).f64(45292)) + text(4, "hidden column") +
      Row(3) + text(0, "tab\there, \"quoted\"") + Record(4, Cell(1).u8(1)) + Record(3, Cell(2).u8(0x07)) +
      Record(9, Cell(3, 2).f64(40293.737871331).u16(0).u32(0)) +                    // a formula's number
      Row(4) + Record(8, Cell(1).wide("two\nlines").u16(0).u32(0)) +                // its text
      Record(10, Cell(2).u8(0).u16(0).u32(0)) + Record(11, Cell(3).u8(0x2A).u16(0).u32(0)) +  // FALSE, #N/A
      Row(5, true) + text(0, "hidden row");
  book.sheets = {{"Sales", sales}, {"Notes", Row(0) + text(0, "note"), 1}};
  return Package(book);
}

// The same cells as the application writes them in an OpenDocument package.
std::string OdsWorkbook() {
  const std::string content =
      R"x(<office:document-content><office:automatic-styles>)x"
      R"x(<number:number-style style:name="N1"><number:number number:decimal-places="2" )x"
      R"x(number:min-decimal-places="2" number:min-integer-digits="1" number:grouping="true"/>)x"
      R"x(<number:text> EUR</number:text></number:number-style>)x"
      R"x(<number:percentage-style style:name="N2"><number:number number:decimal-places="2" )x"
      R"x(number:min-decimal-places="2" number:min-integer-digits="1"/><number:text>%</number:text>)x"
      R"x(</number:percentage-style>)x"
      R"x(<number:date-style style:name="N3"><number:month/><number:text>/</number:text><number:day/>)x"
      R"x(<number:text>/</number:text><number:year/></number:date-style>)x"
      R"x(<number:date-style style:name="N4"><number:year number:style="long"/><number:text>-</number:text>)x"
      R"x(<number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/>)x"
      R"x(</number:date-style>)x"
      R"x(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>)x"
      R"x(<style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>)x"
      R"x(<style:style style:name="ce3" style:family="table-cell" style:data-style-name="N3"/>)x"
      R"x(<style:style style:name="ce4" style:family="table-cell" style:data-style-name="N4"/>)x"
      R"x(<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/>)x"
      R"x(</style:style></office:automatic-styles><office:body><office:spreadsheet>)x"
      R"x(<table:table table:name="Sales"><table:table-column table:number-columns-repeated="4"/>)x"
      R"x(<table:table-column table:visibility="collapse"/>)x"
      R"x(<table:table-row><table:table-cell office:value-type="string"><text:p>Region</text:p></table:table-cell>)x"
      R"x(<table:table-cell office:value-type="string"><text:p>Amount</text:p></table:table-cell>)x"
      R"x(<table:table-cell office:value-type="string"><text:p>Share</text:p></table:table-cell>)x"
      R"x(<table:table-cell office:value-type="string"><text:p>When</text:p></table:table-cell></table:table-row>)x"
      R"x(<table:table-row><table:table-cell office:value-type="string"><text:p>North</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:style-name="ce1" office:value-type="float" office:value="1234567.891">)x"
      R"x(<text:p>1,234,567.89 EUR</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:style-name="ce2" office:value-type="percentage" office:value="0.625">)x"
      R"x(<text:p>62.50%</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:style-name="ce3" office:value-type="date" office:date-value="2024-01-01">)x"
      R"x(<text:p>1/1/24</text:p></table:table-cell>)x"
      R"x(<table:table-cell office:value-type="string"><text:p>hidden column</text:p></table:table-cell>)x"
      R"x(</table:table-row><table:table-row><table:table-cell table:number-columns-repeated="5"/></table:table-row>)x"
      R"x(<table:table-row><table:table-cell office:value-type="string"><text:p>tab<text:tab/>here, "quoted"</text:p>)x"
      R"x(</table:table-cell><table:table-cell office:value-type="boolean" office:boolean-value="true">)x"
      R"x(<text:p>TRUE</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0" )x"
      R"x(calcext:value-type="error"><text:p>#DIV/0!</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:style-name="ce4" table:formula="of:=NOW()" office:value-type="date" )x"
      R"x(office:date-value="2010-04-25T17:42:32.988"><text:p>2010-04-25</text:p></table:table-cell>)x"
      R"x(</table:table-row><table:table-row><table:table-cell/>)x"
      R"x(<table:table-cell table:formula="of:=[.A1]" office:value-type="string" office:string-value="two&#10;lines">)x"
      R"x(<text:p>two</text:p><text:p>lines</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:formula="of:=FALSE()" office:value-type="boolean" office:boolean-value="false">)x"
      R"x(<text:p>FALSE</text:p></table:table-cell>)x"
      R"x(<table:table-cell table:formula="of:=NA()" office:value-type="float" office:value="0" )x"
      R"x(calcext:value-type="error"><text:p>#N/A</text:p></table:table-cell></table:table-row>)x"
      R"x(<table:table-row table:visibility="collapse"><table:table-cell office:value-type="string">)x"
      R"x(<text:p>hidden row</text:p></table:table-cell></table:table-row>)x"
      R"x(<table:table-row table:number-rows-repeated="1048570"><table:table-cell table:number-columns-repeated="1024"/>)x"
      R"x(</table:table-row></table:table>)x"
      R"x(<table:table table:name="Notes" table:style-name="ta2"><table:table-row>)x"
      R"x(<table:table-cell office:value-type="string"><text:p>note</text:p></table:table-cell></table:table-row>)x"
      R"x(</table:table></office:spreadsheet></office:body></office:document-content>)x";
  return testing::WriteZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", 0},
                            {"content.xml", content}});
}

class AsShownParity : public ::testing::Test {
 protected:
  // The text of the workbooks, which must be the same; "rc N" for a failure.
  std::string Text(const ConversionOptions& options) {
    const std::vector<std::uint8_t> xls = XlsWorkbook();
    const std::string xlsx = XlsxWorkbook();
    const std::string xlsb = XlsbWorkbook();
    const std::string ods = OdsWorkbook();
    const std::string fromXls = Convert(xls, WorkbookType::kXls, options);
    const std::string fromXlsb =
        Convert({reinterpret_cast<const std::uint8_t*>(xlsb.data()), xlsb.size()}, WorkbookType::kXlsb, options);
    const std::string fromXlsx =
        Convert({reinterpret_cast<const std::uint8_t*>(xlsx.data()), xlsx.size()}, WorkbookType::kXlsx, options);
    const std::string fromOds =
        Convert({reinterpret_cast<const std::uint8_t*>(ods.data()), ods.size()}, WorkbookType::kOds, options);
    EXPECT_EQ(fromXls, fromXlsx);
    EXPECT_EQ(fromXls, fromXlsb);
    EXPECT_EQ(fromXls, fromOds);
    return fromXls;
  }

  std::string Convert(std::span<const std::uint8_t> file, WorkbookType type, const ConversionOptions& options) {
    OutputBlock block;
    const ResultCode rc = engine_.ConvertBuffer(file, type, 65001, options, block);
    if (rc < 0) return "rc " + std::to_string(rc);
    return block.substr(3, static_cast<std::size_t>(rc) - 3);  // without the mark
  }

  Engine engine_;
};

ConversionOptions Options(Layout layout) {
  ConversionOptions options;
  options.layout = layout;
  return options;
}

TEST_F(AsShownParity, EveryKindOfCellShowsTheSameFromBothFormats) {
  EXPECT_EQ(Text(Options(Layout::kAsShown)),
            "Sales\r\n"
            "Region\tAmount\tShare\tWhen\t\r\n"
            "North\t1,234,567.89 EUR\t62.50%\t1/1/24\thidden column\r\n"
            "\t\t\t\t\r\n"
            "\"tab\there, \"\"quoted\"\"\"\tTRUE\t#DIV/0!\t2010-04-25\t\r\n"
            "\t\"two\nlines\"\tFALSE\t#N/A\t\r\n"
            "hidden row\t\t\t\t\r\n"
            "\r\n"
            "Notes\r\n"
            "note\r\n"
            "\r\n");
}

TEST_F(AsShownParity, HiddenContentLeftOutTheSameWay) {
  ConversionOptions options = Options(Layout::kCsv);
  options.skipHiddenSheets = options.skipHiddenRows = options.skipHiddenColumns = true;
  EXPECT_EQ(Text(options),
            "Region,Amount,Share,When\r\n"
            "North,\"1,234,567.89 EUR\",62.50%,1/1/24\r\n"
            ",,,\r\n"
            "\"tab\there, \"\"quoted\"\"\",TRUE,#DIV/0!,2010-04-25\r\n"
            ",\"two\nlines\",FALSE,#N/A\r\n");
  options.skipHiddenSheets = false;
  EXPECT_EQ(Text(options), "rc " + std::to_string(kSeveralSheets));
  options.sheets = {{"notes", 0}};
  EXPECT_EQ(Text(options), "note\r\n");
}

TEST_F(AsShownParity, SheetsAreListedAlikeAndChosenByNumberOrName) {
  const std::vector<std::uint8_t> xls = XlsWorkbook();
  const std::string xlsx = XlsxWorkbook();
  const std::string xlsb = XlsbWorkbook();
  const std::string ods = OdsWorkbook();
  std::vector<SheetInfo> fromXls;
  std::vector<SheetInfo> fromXlsx;
  std::vector<SheetInfo> fromXlsb;
  std::vector<SheetInfo> fromOds;
  ASSERT_EQ(engine_.ListSheetsInBuffer(xls, WorkbookType::kXls, fromXls), 2);
  ASSERT_EQ(engine_.ListSheetsInBuffer({reinterpret_cast<const std::uint8_t*>(xlsx.data()), xlsx.size()},
                                       WorkbookType::kXlsx, fromXlsx),
            2);
  ASSERT_EQ(engine_.ListSheetsInBuffer({reinterpret_cast<const std::uint8_t*>(xlsb.data()), xlsb.size()},
                                       WorkbookType::kXlsb, fromXlsb),
            2);
  ASSERT_EQ(engine_.ListSheetsInBuffer({reinterpret_cast<const std::uint8_t*>(ods.data()), ods.size()},
                                       WorkbookType::kOds, fromOds),
            2);
  for (const auto& sheets : {fromXls, fromXlsx, fromXlsb, fromOds}) {
    EXPECT_EQ(sheets[0].name, "Sales");
    EXPECT_FALSE(sheets[0].hidden);
    EXPECT_EQ(sheets[0].number, 1);
    EXPECT_EQ(sheets[1].name, "Notes");
    EXPECT_TRUE(sheets[1].hidden);
    EXPECT_EQ(sheets[1].number, 2);
  }
  ConversionOptions options = Options(Layout::kAsShown);
  options.sheets = {{"", 2}, {"Sales", 0}};
  const std::string both = Text(options);
  EXPECT_TRUE(both.starts_with("Notes\r\nnote\r\n\r\nSales\r\n")) << both;
  options.sheets = {{"Missing", 0}};
  EXPECT_EQ(Text(options), "rc " + std::to_string(kSheetNotFound));
}

}  // namespace
}  // namespace tabulox
