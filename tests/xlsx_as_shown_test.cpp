// The .xlsx reader's as-shown layout, chosen sheets and hidden content, over
// workbooks built with the ZIP writer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "grid/grid_writer.h"
#include "ooxml/iso_date_time.h"
#include "ooxml/shown_worksheet.h"
#include "ooxml/workbook_styles.h"
#include "ooxml/xlsx_shared_strings.h"
#include "support/block_source.h"
#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"

namespace tabulox {
namespace {

using testing::WriteZip;
using testing::ZipEntry;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kRelationshipTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct Sheet {
  std::string name;
  std::string body;   // the worksheet's elements (cols, sheetData, ...)
  std::string state;  // "", "hidden", "veryHidden"
};

// A workbook as most writers lay it out: the sheets list, its relationships
// to "xl/worksheets/sheetN.xml" in list order, shared strings and styles
// when given.
struct Workbook {
  std::vector<Sheet> sheets;
  std::string sharedStrings;  // the si items; no part when empty
  std::string styles;         // the styleSheet's children; no part when empty
  bool date1904 = false;

  std::string Archive() const {
    std::string list;
    std::string relationships;
    std::vector<ZipEntry> entries = {
        {"[Content_Types].xml", "<Types/>"},
        {"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" +
                            std::string(kRelationshipTypes) +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
    };
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      list += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"";
      if (!sheets[i].state.empty()) list += " state=\"" + sheets[i].state + "\"";
      list += "/>";
      relationships += Relationship("rId" + n, "worksheet", "worksheets/sheet" + n + ".xml");
      entries.emplace_back("xl/worksheets/sheet" + n + ".xml",
                           "<?xml version=\"1.0\"?><worksheet>" + sheets[i].body + "</worksheet>");
    }
    if (!sharedStrings.empty()) {
      relationships += Relationship("rIdS", "sharedStrings", "sharedStrings.xml");
      entries.emplace_back("xl/sharedStrings.xml", "<sst>" + sharedStrings + "</sst>");
    }
    if (!styles.empty()) {
      relationships += Relationship("rIdT", "styles", "styles.xml");
      entries.emplace_back("xl/styles.xml", "<styleSheet>" + styles + "</styleSheet>");
    }
    entries.emplace_back(
        "xl/workbook.xml",
        "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
            std::string(date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>") +
            "<sheets>" + list + "</sheets></workbook>");
    entries.emplace_back("xl/_rels/workbook.xml.rels",
                         "<Relationships>" + relationships + "</Relationships>");
    return WriteZip(entries);
  }

  static std::string Relationship(const std::string& id, std::string_view kind,
                                  const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + std::string(kRelationshipTypes) +
           std::string(kind) + "\" Target=\"" + target + "\"/>";
  }
};

std::string Rows(std::string_view rows) { return "<sheetData>" + std::string(rows) + "</sheetData>"; }

ConversionOptions Shown() {
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  return options;
}

// The UTF-8 text without its mark, or "rc N" for a failure.
std::string Convert(const std::string& archive, const ConversionOptions& options) {
  OutputBlock block = "untouched";
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(archive),
                                                                     block, 65001, options);
  if (rc < 0) {
    EXPECT_EQ(block, "untouched");
    return "rc " + std::to_string(rc);
  }
  const std::string out = block.substr(0, static_cast<std::size_t>(rc));
  EXPECT_TRUE(out.starts_with(kBom));
  return out.substr(kBom.size());
}

std::string ShownText(const Workbook& workbook, ConversionOptions options = Shown()) {
  return Convert(workbook.Archive(), options);
}

// ------------------------------------------------------------ cells as shown

TEST(XlsxAsShownCells, EachCellTypeShowsItsValue) {
  Workbook book;
  book.sharedStrings = "<si><t>shared</t></si><si><r><t>ri</t></r><r><t>ch</t></r></si><si/>";
  book.sheets = {{"Data",
                  Rows(R"(<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="inlineStr"><is><t>inline</t></is></c>)"
                       R"(<c r="C1" t="b"><v>1</v></c><c r="D1" t="b"><v>0</v></c><c r="E1" t="e"><v>#DIV/0!</v></c>)"
                       R"(<c r="F1"><v>1.5</v></c><c r="G1" t="n"><v>-42</v></c><c r="H1"><v>12x</v></c></row>)"
                       R"(<row r="2"><c r="A2" t="str"><f>A1&amp;"!"</f><v>richer</v></c>)"
                       R"(<c r="B2"><f>1+1</f><v>2</v></c><c r="C2" t="b"><f>TRUE()</f><v>1</v></c>)"
                       R"(<c r="D2" t="e"><f>NA()</f><v>#N/A</v></c><c r="E2" t="s"><v>2</v></c>)"
                       R"(<c r="F2" t="s"><v>9</v></c><c r="G2" t="str"><f>""</f><v></v></c><c r="H2" s="0"/></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book),
            "rich\tinline\tTRUE\tFALSE\t#DIV/0!\t1.5\t-42\t12x\r\n"
            "richer\t2\tTRUE\t#N/A\t\t\t\t\r\n");
}

TEST(XlsxAsShownCells, SharedStringsKeepTheirText) {
  Workbook book;
  book.sharedStrings =
      "<si><t>tab\there</t></si><si><t>say \"hi\"</t></si><si><t>two\nlines</t></si>"
      "<si><t>a_x000D_b</t></si><si><t>plain</t></si>";
  book.sheets = {{"S", Rows(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
                            R"(<c r="C1" t="s"><v>2</v></c><c r="D1" t="s"><v>3</v></c><c r="E1" t="s"><v>4</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book),
            "\"tab\there\"\t\"say \"\"hi\"\"\"\t\"two\nlines\"\t\"a\rb\"\tplain\r\n");
  ConversionOptions csv = Shown();
  csv.layout = Layout::kCsv;
  EXPECT_EQ(ShownText(book, csv), "tab\there,\"say \"\"hi\"\"\",\"two\nlines\",\"a\rb\",plain\r\n");
}

TEST(XlsxAsShownCells, TextsKeepTheirEdgeBlanksAndLineBreaksAsWritten) {
  Workbook book;
  // Laid out over lines, as some writers indent their parts: the blanks
  // between elements are markup, those inside a text are the cell's.
  book.sharedStrings =
      "\n  <si>\n    <t>  two blanks</t>\n  </si>\n"
      "  <si><t xml:space=\"preserve\">\t\n tabbed \n</t></si>\n"
      "  <si><r><t xml:space=\"preserve\">run ends here\n</t></r><r><t>next</t></r></si>\n"
      "  <si><t> </t></si>\n"
      "  <si><t>a &amp;amp; b<!-- note --> c</t></si>\n";
  book.sheets = {{"S", Rows("\n <row r=\"1\">\n  <c r=\"A1\" t=\"s\">\n   <v> 0 </v>\n  </c>"
                            "<c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
                            "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c>\n </row>\n"
                            " <row r=\"2\"><c r=\"A2\"><v> 1.5 </v></c><c r=\"B2\" t=\"b\"><v>\n1\n</v></c>"
                            "<c r=\"C2\" t=\"inlineStr\"><is><t>  inline  </t></is></c>"
                            "<c r=\"D2\" t=\"str\"><f>A1</f><v> kept </v></c></row>\n"),
                  ""}};
  EXPECT_EQ(ShownText(book),
            "  two blanks\t\"\t\n tabbed \n\"\t\"run ends here\nnext\"\t \ta &amp; b c\r\n"
            "1.5\tTRUE\t  inline  \t kept \t\r\n");
  // The default layout reads the texts as it always has.
  EXPECT_EQ(Convert(book.Archive(), ConversionOptions{}).substr(0, 20), "sheet1:\r\ntwo blanks\t");
}

TEST(XlsxAsShownCells, NumbersGoThroughTheirCellFormat) {
  Workbook book;
  book.styles =
      R"(<numFmts count="3"><numFmt numFmtId="164" formatCode="0.00"/>)"
      R"(<numFmt numFmtId="165" formatCode="yyyy-mm-dd"/><numFmt numFmtId="166" formatCode="yyyy-mm-dd hh:mm"/></numFmts>)"
      R"(<fonts><font/></fonts>)"
      R"(<cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="9"/><xf numFmtId="165"/>)"
      R"(<xf numFmtId="166"/><xf numFmtId="2"/></cellXfs>)";
  book.sheets = {{"S",
                  Rows(R"(<row r="1"><c r="A1" s="1"><v>3.14159</v></c><c r="B1" s="2"><v>0.25</v></c>)"
                       R"(<c r="C1" s="3"><v>45292</v></c><c r="D1" s="4"><v>45292.5</v></c>)"
                       R"(<c r="E1" s="5"><v>7</v></c><c r="F1" s="1"><f>PI()</f><v>3.14159</v></c></row>)"
                       R"(<row r="2"><c r="A2" s="3" t="d"><v>2024-01-01T00:00:00</v></c>)"
                       R"(<c r="B2" s="4" t="d"><v>2024-02-29T18:30:00</v></c><c r="C2" s="3" t="d"><v>not a date</v></c>)"
                       R"(<c r="D2" s="99"><v>1.5</v></c><c r="E2" s="x"><v>2.5</v></c><c r="F2" s="1" t="s"><v>0</v></c></row>)"),
                  ""}};
  book.sharedStrings = "<si><t>text</t></si>";
  EXPECT_EQ(ShownText(book),
            "3.14\t25%\t2024-01-01\t2024-01-01 12:00\t7.00\t3.14\r\n"
            "2024-01-01\t2024-02-29 18:30\tnot a date\t1.5\t2.5\ttext\r\n");
}

// Styles parts with prefixed names, and a format's text section applied to
// every kind of text cell.
TEST(XlsxAsShownCells, PrefixedStylesAndTextSections) {
  Workbook book;
  book.styles =
      R"(<x:numFmts><x:numFmt numFmtId="170" formatCode="0.0;-0.0;0.0;&quot;[&quot;@&quot;]&quot;"/></x:numFmts>)"
      R"(<x:cellXfs><x:xf numFmtId="0"/><x:xf numFmtId="170"/></x:cellXfs>)";
  book.sharedStrings = "<si><t>s</t></si>";
  book.sheets = {{"S", Rows(R"(<row r="1"><c r="A1" s="1"><v>2</v></c><c r="B1" s="1" t="s"><v>0</v></c>)"
                            R"(<c r="C1" s="1" t="inlineStr"><is><t>i</t></is></c><c r="D1" s="1" t="str"><v>f</v></c>)"
                            R"(<c r="E1" s="1" t="b"><v>1</v></c><c r="F1" s="1" t="e"><v>#REF!</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book), "2.0\t[s]\t[i]\t[f]\tTRUE\t#REF!\r\n");
}

TEST(XlsxAsShownCells, Date1904WorkbooksCountFrom1904) {
  Workbook book;
  book.date1904 = true;
  book.styles = R"(<numFmts><numFmt numFmtId="164" formatCode="yyyy-mm-dd"/></numFmts>)"
                R"(<cellXfs><xf numFmtId="164"/></cellXfs>)";
  book.sheets = {{"S", Rows(R"(<row r="1"><c r="A1"><v>0</v></c><c r="B1"><v>366</v></c>)"
                            R"(<c r="C1" t="d"><v>1904-01-02</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book), "1904-01-01\t1905-01-01\t1904-01-02\r\n");
}

TEST(XlsxAsShownCells, AMissingOrDamagedStylesPartLeavesEveryCellGeneral) {
  Workbook book;
  book.sheets = {{"S", Rows(R"(<row r="1"><c r="A1" s="1"><v>0.5</v></c><c r="B1" s="2"><v>3</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book), "0.5\t3\r\n");
  book.styles = std::string("\0\x9C<cellXfs><xf numFmtId=\"10\"/>", 29);  // not XML
  EXPECT_EQ(ShownText(book), "0.5\t3\r\n");
  // A styles member whose CRC-32 fails does not count.
  std::vector<ZipEntry> entries = {
      {"[Content_Types].xml", "<Types/>"},
      {"xl/styles.xml", "<styleSheet><cellXfs><xf numFmtId=\"10\"/><xf numFmtId=\"10\"/></cellXfs></styleSheet>"},
      {"xl/worksheets/sheet1.xml", "<worksheet>" + book.sheets[0].body + "</worksheet>"},
  };
  entries[1].statedCrc = 1;
  EXPECT_EQ(Convert(WriteZip(entries), Shown()), "0.5\t3\r\n");
}

// ------------------------------------------------------------ the grid

TEST(XlsxAsShownGrid, RowsAndColumnsStandInPlaceAndLinesArePadded) {
  Workbook book;
  book.sheets = {{"S", Rows(R"(<row r="2"><c r="B2"><v>1</v></c></row><row r="4"><c r="A4"><v>2</v></c>)"
                            R"(<c r="D4"><v>3</v></c></row><row><c><v>4</v></c><c/><c><v>5</v></c></row>)"
                            R"(<row r="9"><c r="A9" t="s"><v>7</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book), "\t\t\t\r\n\t1\t\t\r\n\t\t\t\r\n2\t\t\t3\r\n4\t\t5\t\r\n");
}

// Writers that give each cell a row element of its own repeat the row's
// number; the cells of a repeated row join its line when they lie right of it.
// Rows stored more than once and cells out of order are laid out in row and
// column order; of cells at one place the first stored shows.
TEST(XlsxAsShownGrid, RepeatedRowsAndCellsOutOfOrderAreAllLaidOut) {
  Workbook book;
  book.sheets = {{"S", Rows(R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="1"><c r="C1"><v>3</v></c></row>)"
                            R"(<row r="1"><c r="B1"><v>2</v></c></row><row r="2"><c r="B2"><v>5</v></c><c r="A2"><v>4</v></c></row>)"
                            R"(<row r="1"><c r="D1"><v>6</v></c></row><row r="3"><c r="C3"><v>7</v></c></row>)"),
                  ""}};
  EXPECT_EQ(ShownText(book), "1\t2\t3\t6\r\n4\t5\t\t\r\n\t\t7\t\r\n");
  // A repeated row's cells on the right of those written join its line; of
  // two cells at one place the first shows.
  Workbook inOrder;
  inOrder.sheets = {{"S", Rows(R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="1"><c r="C1"><v>3</v></c></row>)"
                               R"(<row r="2"><c r="A2"><v>4</v></c><c r="A2"><v>dropped</v></c></row>)"),
                     ""}};
  EXPECT_EQ(ShownText(inOrder), "1\t\t3\r\n4\t\t\r\n");
}

TEST(XlsxAsShownGrid, SheetNamesHeadSheetsOnlyWhenThereAreSeveral) {
  Workbook book;
  book.sheets = {{"First &amp; best", Rows(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"), ""},
                 {"Empty", "<sheetData/>", ""},
                 {"Last", Rows(R"(<row r="2"><c r="B2"><v>2</v></c></row>)"), ""}};
  EXPECT_EQ(ShownText(book), "First & best\r\n1\r\n\r\nEmpty\r\n\r\nLast\r\n\t\r\n\t2\r\n\r\n");
  ConversionOptions one = Shown();
  one.sheets = {{"", 3}};
  EXPECT_EQ(ShownText(book, one), "\t\r\n\t2\r\n");
}

TEST(XlsxAsShownGrid, CsvWritesOneSheetWithText) {
  Workbook book;
  book.sheets = {{"Empty", Rows(R"(<row r="1"><c r="A1" t="str"><v></v></c></row>)"), ""},
                 {"Data", Rows(R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1" t="inlineStr"><is><t>a,b</t></is></c></row>)"),
                  ""}};
  ConversionOptions csv = Shown();
  csv.layout = Layout::kCsv;
  EXPECT_EQ(ShownText(book, csv), "1,\"a,b\"\r\n");
  book.sheets[0].body = Rows(R"(<row r="1"><c r="A1"><v>0</v></c></row>)");
  EXPECT_EQ(ShownText(book, csv), "rc " + std::to_string(kSeveralSheets));
  csv.sheets = {{"data", 0}};
  EXPECT_EQ(ShownText(book, csv), "1,\"a,b\"\r\n");
  csv.separator = ';';
  EXPECT_EQ(ShownText(book, csv), "1;a,b\r\n");
}

// One worksheet part through the as-shown walk, read in random blocks.
struct ShownPart {
  explicit ShownPart(GridLayout layout = {}) : grid(text, layout, 1 << 30) {}

  std::string Write(const std::string& part) {
    ShownWorksheetWriter writer(workbook, grid, text, hiding);
    writer.Begin("Sheet");
    writer.Read(document, testing::RandomBlocks(part, 2, 32768));
    writer.End();
    return text;
  }

  SharedStringTable strings;
  WorkbookStyles styles;
  ShownWorkbook workbook{strings, styles, DateSystem::k1900};
  std::string text;
  GridWriter grid;
  WorksheetHiding hiding;
  XmlDocument document;
};

// Rows are laid out as they are read and given back, as in the default layout.
TEST(XlsxAsShownGrid, RowsReadFromASourceAreNotKept) {
  std::string rows;
  for (int r = 1; r <= 20000; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\"><v>" +
            std::to_string(r) + "</v></c></row>";
  ShownPart part;
  const std::string text = part.Write("<worksheet><cols/><sheetData>" + rows + "</sheetData></worksheet>");
  EXPECT_TRUE(text.starts_with("\t1\r\n\t2\r\n"));
  EXPECT_TRUE(text.ends_with("\r\n\t20000\r\n"));
  EXPECT_LT(part.document.StorageBytes(), 64u * 1024);
}

// A plain sheetData after a prefixed one takes the place of its rows, and of
// the rows they hid.
TEST(XlsxAsShownGrid, APlainSheetDataAfterAPrefixedOneIsTheOneWritten) {
  ShownPart part;
  part.hiding.skipRows = true;
  EXPECT_EQ(part.Write("<worksheet><x:sheetData><row r=\"1\" hidden=\"1\"/><row r=\"2\"><c><v>9</v></c></row>"
                       "</x:sheetData><sheetData><row r=\"1\"><c><v>1</v></c></row>"
                       "<row r=\"3\"><c><v>3</v></c></row></sheetData></worksheet>"),
            "1\r\n\r\n3\r\n");
}

// ------------------------------------------------------------ chosen and hidden sheets

Workbook ThreeSheets() {
  Workbook book;
  book.sheets = {{"One", Rows(R"(<row r="1"><c r="A1"><v>1</v></c></row>)"), ""},
                 {"Two", Rows(R"(<row r="1"><c r="A1"><v>2</v></c></row>)"), "hidden"},
                 {"Three", Rows(R"(<row r="1"><c r="A1"><v>3</v></c></row>)"), "veryHidden"}};
  return book;
}

TEST(XlsxSheetChoice, SheetsAreChosenByNumberOrNameInBothLayouts) {
  const Workbook book = ThreeSheets();
  ConversionOptions shown = Shown();
  shown.sheets = {{"", 3}, {"one", 0}};
  EXPECT_EQ(ShownText(book, shown), "Three\r\n3\r\n\r\nOne\r\n1\r\n\r\n");
  ConversionOptions plain;
  plain.sheets = {{"Two", 0}};
  EXPECT_EQ(ShownText(book, plain), "sheet2:\r\n2\r\n");
  plain.sheets = {{"", 4}};
  EXPECT_EQ(ShownText(book, plain), "rc " + std::to_string(kSheetNotFound));
  shown.sheets = {{"Four", 0}};
  EXPECT_EQ(ShownText(book, shown), "rc " + std::to_string(kSheetNotFound));
}

TEST(XlsxSheetChoice, HiddenSheetsAreLeftOutUnlessChosen) {
  const Workbook book = ThreeSheets();
  ConversionOptions shown = Shown();
  shown.skipHiddenSheets = true;
  EXPECT_EQ(ShownText(book, shown), "1\r\n");
  shown.sheets = {{"", 2}};
  EXPECT_EQ(ShownText(book, shown), "2\r\n");
  ConversionOptions plain;
  plain.skipHiddenSheets = true;
  EXPECT_EQ(ShownText(book, plain), "sheet1:\r\n1\r\n");
  EXPECT_EQ(ShownText(book, {}), "sheet1:\r\n1\r\nsheet2:\r\n2\r\nsheet3:\r\n3\r\n");
}

TEST(XlsxSheetChoice, ListSheetsGivesNamesAndStatesInTheOrderWritten) {
  Workbook book = ThreeSheets();
  book.sheets[0].name = "Caf\xC3\xA9 \xF0\x9F\x98\x80";
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(testing::SharedXlsxConverter().ListSheetsInBuffer(testing::Bytes(book.Archive()), sheets), 3);
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[0].name, "Caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_FALSE(sheets[0].hidden);
  EXPECT_EQ(sheets[1].name, "Two");
  EXPECT_TRUE(sheets[1].hidden);
  EXPECT_TRUE(sheets[2].hidden);
  ConversionOptions byName = Shown();
  byName.sheets = {{sheets[0].name, 0}};
  EXPECT_EQ(ShownText(book, byName), "1\r\n");

  std::vector<SheetInfo> untouched = {{"x", false}};
  const std::string notAZip = "not an archive";
  EXPECT_LT(testing::SharedXlsxConverter().ListSheetsInBuffer(testing::Bytes(notAZip), untouched), 0);
  EXPECT_EQ(untouched.size(), 1u);
  EXPECT_EQ(testing::SharedXlsxConverter().ListSheets("/nonexistent/book.xlsx", untouched),
            kSourceMissing);
}

// Numbered parts are read in ascending N whatever order the sheets list gives
// them; each keeps the name the list gives its part, "SheetN" when it has none.
TEST(XlsxSheetChoice, NumberedPartsTakeTheirNamesFromTheSheetsList) {
  const std::string relationships =
      "<Relationships>" + Workbook::Relationship("a", "worksheet", "worksheets/sheet2.xml") +
      Workbook::Relationship("b", "worksheet", "worksheets/sheet1.xml") + "</Relationships>";
  const std::string archive = WriteZip({
      {"_rels/.rels", "<Relationships>" + Workbook::Relationship("w", "officeDocument", "xl/workbook.xml") +
                          "</Relationships>"},
      {"xl/workbook.xml", "<workbook><sheets><sheet name=\"Second\" r:id=\"a\"/>"
                          "<sheet name=\"First\" r:id=\"b\" state=\"hidden\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", relationships},
      {"xl/worksheets/sheet1.xml", "<worksheet>" + Rows(R"(<row><c><v>1</v></c></row>)") + "</worksheet>"},
      {"xl/worksheets/sheet2.xml", "<worksheet>" + Rows(R"(<row><c><v>2</v></c></row>)") + "</worksheet>"},
      {"xl/worksheets/sheet3.xml", "<worksheet>" + Rows(R"(<row><c><v>3</v></c></row>)") + "</worksheet>"},
  });
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(testing::SharedXlsxConverter().ListSheetsInBuffer(testing::Bytes(archive), sheets), 3);
  EXPECT_EQ(sheets[0].name, "First");
  EXPECT_TRUE(sheets[0].hidden);
  EXPECT_EQ(sheets[1].name, "Second");
  EXPECT_EQ(sheets[2].name, "Sheet3");
  ConversionOptions shown = Shown();
  shown.skipHiddenSheets = true;
  EXPECT_EQ(Convert(archive, shown), "Second\r\n2\r\n\r\nSheet3\r\n3\r\n\r\n");
  ConversionOptions plain;
  plain.sheets = {{"", 2}};
  EXPECT_EQ(Convert(archive, plain), "sheet2:\r\n2\r\n");
}

// ------------------------------------------------------------ hidden rows and columns

Workbook HiddenRowsAndColumns() {
  Workbook book;
  book.sheets = {{"S",
                  R"(<cols><col min="2" max="3" hidden="1"/><col min="5" max="5" hidden="true"/><col min="6" max="6"/></cols>)" +
                      Rows(R"(<row r="1"><c r="A1"><v>a1</v></c><c r="B1"><v>b1</v></c><c r="D1"><v>d1</v></c>)"
                           R"(<c r="E1"><v>e1</v></c><c r="F1"><v>f1</v></c></row>)"
                           R"(<row r="2" hidden="1"><c r="A2"><v>a2</v></c></row>)"
                           R"(<row r="4"><c r="C4"><v>c4</v></c><c r="D4"><v>d4</v></c></row>)"
                           R"(<row r="5" hidden="true"/><row r="6"><c r="A6"><v>a6</v></c></row>)"),
                  ""}};
  return book;
}

TEST(XlsxHiddenContent, HiddenRowsAndColumnsAreLeftOutAndTheRestClosesUp) {
  const Workbook book = HiddenRowsAndColumns();
  ConversionOptions shown = Shown();
  shown.skipHiddenRows = true;
  shown.skipHiddenColumns = true;
  EXPECT_EQ(ShownText(book, shown), "a1\td1\tf1\r\n\t\t\r\n\td4\t\r\na6\t\t\r\n");
  ConversionOptions plain;
  plain.skipHiddenRows = true;
  plain.skipHiddenColumns = true;
  EXPECT_EQ(ShownText(book, plain), "sheet1:\r\na1\td1\tf1\r\n\r\n\td4\r\na6\r\n");
}

TEST(XlsxHiddenContent, EachKindIsLeftOutOnlyWhenAsked) {
  const Workbook book = HiddenRowsAndColumns();
  ConversionOptions rows;
  rows.skipHiddenRows = true;
  EXPECT_EQ(ShownText(book, rows), "sheet1:\r\na1\tb1\t\td1\te1\tf1\r\n\r\n\t\tc4\td4\r\na6\r\n");
  ConversionOptions columns;
  columns.skipHiddenColumns = true;
  EXPECT_EQ(ShownText(book, columns), "sheet1:\r\na1\td1\tf1\r\na2\r\n\r\n\td4\r\n\r\na6\r\n");
  EXPECT_EQ(ShownText(book, Shown()),
            "a1\tb1\t\td1\te1\tf1\r\na2\t\t\t\t\t\r\n\t\t\t\t\t\r\n\t\tc4\td4\t\t\r\n\t\t\t\t\t\r\n"
            "a6\t\t\t\t\t\r\n");
}

// ------------------------------------------------------------ ISO dates

TEST(IsoDateTimes, DaySerialsInBothSystems) {
  const std::pair<const char*, double> cases1900[] = {
      {"1899-12-31", 0},           {"1899-12-30T06:00:00", 0.25}, {"1900-01-01", 1},          {"1900-02-28", 59},
      {"1900-03-01", 61},          {"2024-01-01", 45292},      {"2024-01-01T12:00", 45292.5},
      {"2024-01-01T06:00:00Z", 45292.25}, {"2024-01-01T18:00:00+02:00", 45292.75},
      {"T12:00:00", 0.5},          {"06:00:00.5", (6 * 3600 + 0.5) / 86400},
  };
  for (const auto& [text, serial] : cases1900) {
    const std::optional<double> got = IsoDateTimeSerial(text, DateSystem::k1900);
    ASSERT_TRUE(got.has_value()) << text;
    EXPECT_DOUBLE_EQ(*got, serial) << text;
  }
  EXPECT_EQ(IsoDateTimeSerial("1904-01-01", DateSystem::k1904), 0.0);
  EXPECT_EQ(IsoDateTimeSerial("1905-01-01T00:00:00", DateSystem::k1904), 366.0);
  for (const char* text : {"", "2024", "2024-13-01", "2023-02-29", "2024-01-01 12:00", "2024-01-01T25:00",
                           "2024-01-01T12:00:60", "2024-01-01T12:00:00.", "1899-12-29", "24-01-01",
                           "2024-01-01T12:00+2"}) {
    EXPECT_FALSE(IsoDateTimeSerial(text, DateSystem::k1900).has_value()) << text;
  }
  EXPECT_FALSE(IsoDateTimeSerial("1903-12-31", DateSystem::k1904).has_value());
}

}  // namespace
}  // namespace tabulox
