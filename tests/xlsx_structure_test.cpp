// How a package's structure decides which worksheets are read and what their
// parts yield: parts found through the relationships, numbered worksheet
// names, prefixed element names, rows and cells without references and
// sheets without a dimension.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/package_relationships.h"
#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"

namespace tabulox {
namespace {

using testing::WriteZip;
using testing::ZipEntry;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kTransitional =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr std::string_view kStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships/";

struct Relationship {
  std::string id;
  std::string kind;  // the type's last segment
  std::string target;
  std::string_view typeBase = kTransitional;
};

std::string Relationships(const std::vector<Relationship>& relationships) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const Relationship& r : relationships) {
    xml += "<Relationship Id=\"" + r.id + "\" Type=\"" + std::string(r.typeBase) + r.kind +
           "\" Target=\"" + r.target + "\"/>";
  }
  return xml + "</Relationships>";
}

// A workbook part listing sheets by relationship id.
std::string Workbook(const std::vector<std::string>& ids) {
  std::string xml =
      "<?xml version=\"1.0\"?><workbook "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<bookViews><workbookView/></bookViews><sheets>";
  for (std::size_t i = 0; i < ids.size(); ++i) {
    xml += "<sheet name=\"S" + std::to_string(i + 1) + "\" sheetId=\"" + std::to_string(i + 1) +
           "\" r:id=\"" + ids[i] + "\"/>";
  }
  return xml + "</sheets></workbook>";
}

// A worksheet whose cell A1 holds `value`.
std::string Sheet(std::string_view value) {
  return "<worksheet><dimension ref=\"A1\"/><sheetData><row r=\"1\"><c r=\"A1\"><v>" +
         std::string(value) + "</v></c></row></sheetData></worksheet>";
}

std::string SharedStrings(std::string_view text) {
  return "<sst><si><t>" + std::string(text) + "</t></si></sst>";
}

// A sheet whose A1 is shared string 0.
const std::string kSharedSheet =
    "<worksheet><dimension ref=\"A1\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
    "</row></sheetData></worksheet>";

// The package relationships naming `workbook` as the office document.
ZipEntry PackageRels(const std::string& workbook, std::string_view typeBase = kTransitional) {
  return {"_rels/.rels", Relationships({{"rId1", "officeDocument", workbook, typeBase}})};
}

struct StructureCase {
  const char* what;
  std::vector<ZipEntry> entries;
  std::string text;  // the output without its mark; empty: kFormatNotCorrect
};

void PrintTo(const StructureCase& c, std::ostream* os) { *os << c.what; }

class XlsxStructure : public ::testing::TestWithParam<StructureCase> {};

TEST_P(XlsxStructure, WritesTheExpectedText) {
  const StructureCase& c = GetParam();
  OutputBlock block;
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(WriteZip(c.entries)), block, 65001);
  if (c.text.empty()) {
    EXPECT_EQ(rc, kFormatNotCorrect);
    return;
  }
  ASSERT_GE(rc, 0);
  const std::string out(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
  EXPECT_EQ(out, std::string(kBom) + c.text);
}

const StructureCase kStructureCases[] = {
    {"first sheet stored as sheet.xml beside sheet1.xml",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"rId1", "rId2"})},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"rId1", "worksheet", "worksheets/sheet.xml"},
                      {"rId2", "worksheet", "worksheets/sheet1.xml"}})},
      {"xl/worksheets/sheet1.xml", Sheet("second")},
      {"xl/worksheets/sheet.xml", Sheet("first")}},
     "sheet1:\r\nfirst\r\nsheet2:\r\nsecond\r\n"},
    {"named parts in the order of the sheets list",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"b", "a"})},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"a", "worksheet", "worksheets/sheetBob.xml"},
                      {"b", "worksheet", "/xl/data.xml"}})},
      {"xl/worksheets/sheetBob.xml", Sheet("bob")},
      {"xl/data.xml", Sheet("data")}},
     "sheet1:\r\ndata\r\nsheet2:\r\nbob\r\n"},
    {"parts at the archive root, shared strings beside them",
     {PackageRels("workbook.xml"),
      {"workbook.xml", Workbook({"rId1"})},
      {"_rels/workbook.xml.rels",
       Relationships({{"rId1", "worksheet", "sheet1.xml"}, {"s", "sharedStrings", "strings.xml"}})},
      {"sheet1.xml", kSharedSheet},
      {"strings.xml", SharedStrings("root")}},
     "sheet1:\r\nroot\r\n"},
    {"numbered worksheets keep their numbers and order; shared strings elsewhere",
     {PackageRels("/xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"rId3", "rId1"})},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"rId1", "worksheet", "worksheets/sheet2.xml"},
                      {"rId2", "sharedStrings", "../shared/strings.xml"},
                      {"rId3", "worksheet", "./worksheets\\Sheet5.xml"}})},
      {"xl/worksheets/sheet5.xml", Sheet("five")},
      {"xl/worksheets/sheet2.xml", kSharedSheet},
      {"xl/sharedStrings.xml", SharedStrings("default")},
      {"shared/strings.xml", SharedStrings("named")}},
     "sheet2:\r\nnamed\r\nsheet5:\r\nfive\r\n"},
    {"a named shared-string part that is missing: the usual one",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"rId1"})},
      {"xl/_rels/workbook.xml.rels", Relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                                                    {"rId2", "sharedStrings", "missing.xml"}})},
      {"xl/worksheets/sheet1.xml", kSharedSheet},
      {"xl/sharedStrings.xml", SharedStrings("usual")}},
     "sheet1:\r\nusual\r\n"},
    {"no relationships: numbered parts, also from the member count on",
     {{"xl/worksheets/sheet12.xml", Sheet("twelve")},
      {"xl/worksheets/sheet3.xml", Sheet("three")},
      {"XL\\Worksheets\\SHEET0.XML", Sheet("zero")},
      {"xl/worksheets/sheet012.xml", Sheet("leading zero")},
      {"xl/worksheets/sheet4x.xml", Sheet("not a number")}},
     "sheet0:\r\nzero\r\nsheet3:\r\nthree\r\nsheet12:\r\ntwelve\r\n"},
    {"the same number twice is read once",
     {{"xl/worksheets/sheet1.xml", Sheet("a")}, {"xl/worksheets/sheet1.xml", Sheet("b")}},
     "sheet1:\r\na\r\n"},
    {"workbook without relationships of its own: numbered parts only",
     {PackageRels("workbook.xml"), {"workbook.xml", Workbook({"rId1"})}, {"sheet1.xml", Sheet("x")}},
     ""},
    {"a chart sheet and a listed worksheet that is missing keep the positions",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"c", "gone", "w", "unknown"})},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"c", "chartsheet", "chartsheets/chart.xml"},
                      {"gone", "worksheet", "worksheets/gone.xml"},
                      {"w", "worksheet", "worksheets/data.xml"}})},
      {"xl/chartsheets/chart.xml", Sheet("chart")},
      {"xl/worksheets/data.xml", Sheet("kept")}},
     "sheet2:\r\nkept\r\n"},
    {"no listed worksheet present: numbered parts",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"w"})},
      {"xl/_rels/workbook.xml.rels", Relationships({{"w", "worksheet", "worksheets/data.xml"}})},
      {"xl/worksheets/sheet1.xml", Sheet("not listed")}},
     "sheet1:\r\nnot listed\r\n"},
    {"strict relationship types, prefixed workbook elements",
     {PackageRels("xl/workbook.xml", kStrict),
      {"xl/workbook.xml",
       "<x:workbook xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" "
       "xmlns:rel=\"http://purl.oclc.org/ooxml/officeDocument/relationships\"><x:sheets>"
       "<x:sheet name=\"A\" sheetId=\"1\" rel:id=\"r2\"/><x:sheet name=\"B\" sheetId=\"2\" "
       "rel:id=\"r1\"/></x:sheets></x:workbook>"},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"r1", "worksheet", "worksheets/one.xml", kStrict},
                      {"r2", "worksheet", "worksheets/two.xml", kStrict}})},
      {"xl/worksheets/one.xml", Sheet("one")},
      {"xl/worksheets/two.xml", Sheet("two")}},
     "sheet1:\r\ntwo\r\nsheet2:\r\none\r\n"},
    {"external targets are not parts",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"w"})},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"w\" Type=\"" + std::string(kTransitional) +
           "worksheet\" Target=\"data.xml\" TargetMode=\"External\"/></Relationships>"},
      {"xl/data.xml", Sheet("external")},
      {"xl/worksheets/sheet1.xml", Sheet("numbered")}},
     "sheet1:\r\nnumbered\r\n"},
    {"prefixed element names in every part",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"rId1"})},
      {"xl/_rels/workbook.xml.rels", Relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                                                    {"rId2", "sharedStrings", "sharedStrings.xml"}})},
      {"xl/sharedStrings.xml",
       "<x:sst xmlns:x=\"main\"><x:si><x:t>plain</x:t></x:si><x:si><x:r><x:t>ru</x:t></x:r>"
       "<x:r><x:t>ns</x:t></x:r></x:si></x:sst>"},
      {"xl/worksheets/sheet1.xml",
       "<x:worksheet xmlns:x=\"main\"><x:dimension ref=\"A1:C2\"/><x:sheetData>"
       "<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c><x:c r=\"C1\" t=\"s\"><x:v>1</x:v>"
       "</x:c></x:row><x:row><x:c t=\"inlineStr\"><x:is><x:t>in</x:t></x:is></x:c><x:c><x:v>2</x:v>"
       "</x:c></x:row></x:sheetData></x:worksheet>"}},
     "sheet1:\r\nplain\t\truns\r\nin\t2\r\n"},
    {"a part listed twice is written once, at its first place",
     {PackageRels("xl/workbook.xml"),
      {"xl/workbook.xml", Workbook({"a", "b", "c"})},
      {"xl/_rels/workbook.xml.rels",
       Relationships({{"a", "worksheet", "worksheets/data.xml"},
                      {"b", "worksheet", "worksheets/other.xml"},
                      {"c", "worksheet", "Worksheets/DATA.xml"}})},
      {"xl/worksheets/data.xml", Sheet("data")},
      {"xl/worksheets/other.xml", Sheet("other")}},
     "sheet1:\r\ndata\r\nsheet2:\r\nother\r\n"},
    // An element with the plain name wins over a prefixed one of the same
    // local name, wherever the prefixed one stands.
    {"a plain sheetData after a prefixed one is the one read",
     {{"xl/worksheets/sheet1.xml",
       "<worksheet><x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>prefixed</x:v></x:c></x:row>"
       "</x:sheetData><sheetData><row r=\"2\"><c r=\"B2\"><v>plain</v></c></row></sheetData>"
       "</worksheet>"}},
     "sheet1:\r\n\r\n\tplain\r\n"},
    {"a plain value after a prefixed one is the one read",
     {{"xl/worksheets/sheet1.xml",
       "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><x:v>prefixed</x:v><v>plain</v></c>"
       "<c r=\"B1\" t=\"inlineStr\"><x:is><x:t>x</x:t></x:is><is><t>inline</t></is></c></row>"
       "</sheetData></worksheet>"}},
     "sheet1:\r\nplain\tinline\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, XlsxStructure, ::testing::ValuesIn(kStructureCases),
                         [](const ::testing::TestParamInfo<StructureCase>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.what))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(PackageRelationships, TargetsResolveAgainstTheNamingPart) {
  const struct {
    const char* source;
    const char* target;
    const char* part;
  } cases[] = {
      {"", "xl/workbook.xml", "xl/workbook.xml"},
      {"", "/xl/workbook.xml", "xl/workbook.xml"},
      {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "/data.xml", "data.xml"},
      {"xl/workbook.xml", "../data.xml", "data.xml"},
      {"xl/workbook.xml", "../../../data.xml", "data.xml"},
      {"a/b/c.xml", "../d/./e.xml", "a/d/e.xml"},
      {"workbook.xml", "sheet1.xml", "sheet1.xml"},
      {"xl/workbook.xml", "sheets\\one.xml", "xl/sheets/one.xml"},
      {"xl/workbook.xml", "\\one.xml", "one.xml"},
      {"xl/workbook.xml", "a//b.xml", "xl/a/b.xml"},
      // Targets are URIs: their percent-escapes are read before the part is looked up.
      {"xl/workbook.xml", "worksheets/sheet%201.xml", "xl/worksheets/sheet 1.xml"},
      {"xl/workbook.xml", "%C3%BCber/%2e%2E/x%2Fy.xml", "xl/x/y.xml"},
      {"xl/workbook.xml", "100%.xml", "xl/100%.xml"},
      {"xl/workbook.xml", "a%2.xml", "xl/a%2.xml"},
      {"xl/workbook.xml", "end%4", "xl/end%4"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveTarget(c.source, c.target), c.part) << c.target;
  EXPECT_EQ(RelationshipsPartName(""), "_rels/.rels");
  EXPECT_EQ(RelationshipsPartName("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
  EXPECT_EQ(RelationshipsPartName("book.xml"), "_rels/book.xml.rels");
}

}  // namespace
}  // namespace tabulox
