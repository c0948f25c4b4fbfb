// The reader a workbook's bytes need, whatever its name says: what the bytes
// are taken for, and the engine's conversions of misnamed workbooks.
#include "engine/workbook_content.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/cfb_writer.h"
#include "support/earlier_biff_writer.h"
#include "support/zip_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {
namespace {

using testing::Bytes;
using testing::WriteZip;

const std::string kSheetPart =
    R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>a</t></is></c>)"
    R"(<c r="B1"><v>2.5</v></c></row></sheetData></worksheet>)";

const std::string kXlsxPackage = WriteZip(
    {{"_rels/.rels",
      R"(<Relationships><Relationship Id="r" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
     {"xl/workbook.xml", R"(<workbook><sheets><sheet name="Data" sheetId="1" r:id="w"/></sheets></workbook>)"},
     {"xl/_rels/workbook.xml.rels",
      R"(<Relationships><Relationship Id="w" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
     {"xl/worksheets/sheet1.xml", kSheetPart}});

std::string AsString(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string Biff2Worksheet() {
  testing::EarlierBiffWriter w;
  w.Bof2(testing::kBofWorksheet);
  w.Integer2(0, 0, {}, 7);
  w.Eof();
  const std::span<const std::uint8_t> bytes = w.bytes();
  return {bytes.begin(), bytes.end()};
}

std::string CompoundFile(const std::vector<std::u16string>& names) {
  std::vector<testing::CfbStream> streams;
  for (const std::u16string& name : names) streams.push_back({name, {1, 2, 3, 4}});
  return AsString(testing::WriteCompoundFile(streams));
}

std::string ExampleXls() {
  std::ifstream in(std::string(TABULOX_SOURCE_DIR) + "/examples/example.xls", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WorkbookContent ContentOf(const std::string& bytes) {
  ZipArchive archive;
  return ContentOfBytes(Bytes(bytes), archive);
}

TEST(WorkbookContent, EveryKindIsToldFromTheBytes) {
  const std::string odsType = "application/vnd.oasis.opendocument.spreadsheet";
  const struct {
    const char* what;
    std::string bytes;
    WorkbookContent content;
  } cases[] = {
      {"compound file", CompoundFile({u"Workbook"}), WorkbookContent::kCompoundFile},
      {"bare BIFF2 stream", Biff2Worksheet(), WorkbookContent::kBareBiffStream},
      {"xlsx package", kXlsxPackage, WorkbookContent::kXlsxPackage},
      {"xlsb package", WriteZip({{"xl/workbook.bin", "\x83\x01\x00"}}), WorkbookContent::kXlsbPackage},
      {"ods package", WriteZip({{"mimetype", odsType}, {"content.xml", "<x/>"}}), WorkbookContent::kOdsPackage},
      {"ods template", WriteZip({{"mimetype", odsType + "-template"}}), WorkbookContent::kOdsPackage},
      {"content without a type", WriteZip({{"content.xml", "<x/>"}}), WorkbookContent::kOdsPackage},
      {"another OpenDocument type",
       WriteZip({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<x/>"}}),
       WorkbookContent::kOther},
      {"an archive of something else", WriteZip({{"readme.txt", "hello"}}), WorkbookContent::kOther},
      {"flat ods", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- saved -->\n<office:document office:version=\"1.3\">",
       WorkbookContent::kFlatOds},
      {"flat ods after a document type", "<!DOCTYPE x><office:document>", WorkbookContent::kFlatOds},
      {"other XML", "<?xml version=\"1.0\"?><office:document-content>", WorkbookContent::kOther},
      {"a ZIP signature without an archive", "PK\x03\x04 not really", WorkbookContent::kOther},
      {"text", "notes", WorkbookContent::kOther},
      {"nothing", "", WorkbookContent::kOther},
  };
  for (const auto& c : cases) EXPECT_EQ(ContentOf(c.bytes), c.content) << c.what;
}

class MisnamedWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tabulox_content_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // The text of the bytes converted through the buffer and through a file of
  // the given name, which must agree; or the failure.
  std::string Convert(const std::string& bytes, WorkbookType type, const std::string& name) {
    OutputBlock fromBuffer;
    OutputBlock fromFile;
    const ResultCode buffer = engine_.ConvertBuffer(Bytes(bytes), type, 65001, fromBuffer);
    const ResultCode file = engine_.ConvertFile(Write(name, bytes), type, 65001, fromFile);
    EXPECT_EQ(buffer, file) << name;
    if (buffer < 0) return "failed " + std::to_string(buffer);
    return fromBuffer.substr(0, static_cast<std::size_t>(buffer));
  }

  Engine engine_;
  std::filesystem::path dir_;
};

TEST_F(MisnamedWorkbook, EachReachesTheReaderItsContentNeeds) {
  const std::string xlsxText = Convert(kXlsxPackage, WorkbookType::kXlsx, "book.xlsx");
  EXPECT_EQ(xlsxText, "\xEF\xBB\xBFsheet1:\r\na\t2.5\r\n");
  EXPECT_EQ(Convert(kXlsxPackage, WorkbookType::kXls, "export.xls"), xlsxText);

  const std::string xls = ExampleXls();
  const std::string xlsText = Convert(xls, WorkbookType::kXls, "example.xls");
  ASSERT_GT(xlsText.size(), 10u);
  EXPECT_EQ(Convert(xls, WorkbookType::kXlsx, "example.xlsx"), xlsText);

  // A bare worksheet file: its sheet is named after the file through a path.
  EXPECT_EQ(Convert(Biff2Worksheet(), WorkbookType::kXlsx, "Sheet1.xlsx"),
            "\xEF\xBB\xBFSheet1\r\n7\r\n\r\n");

  std::vector<SheetInfo> sheets;
  ASSERT_EQ(engine_.ListSheets(Write("listed.xls", kXlsxPackage), WorkbookType::kXls, sheets), 1);
  EXPECT_EQ(sheets[0].name, "Data");
  std::vector<SheetInfo> asXls;
  ASSERT_GT(engine_.ListSheetsInBuffer(Bytes(xls), WorkbookType::kXls, asXls), 0);
  ASSERT_EQ(engine_.ListSheetsInBuffer(Bytes(xls), WorkbookType::kXlsx, sheets),
            static_cast<ResultCode>(asXls.size()));
  EXPECT_EQ(sheets[0].name, asXls[0].name);
}

TEST_F(MisnamedWorkbook, AnEncryptedPackageIsEncryptedUnderEitherName) {
  // Streams of four bytes: an EncryptionInfo of a version no method has.
  const std::string encrypted = CompoundFile({u"EncryptionInfo", u"EncryptedPackage"});
  for (const WorkbookType type : {WorkbookType::kXls, WorkbookType::kXlsx}) {
    EXPECT_EQ(Convert(encrypted, type, "secret.xlsx"), "failed " + std::to_string(kSourceEncrypted));
    EXPECT_EQ(engine_.LastEncryptionFailure(), EncryptionFailure::kMethod);
  }
  std::vector<SheetInfo> sheets;
  EXPECT_EQ(engine_.ListSheetsInBuffer(Bytes(encrypted), WorkbookType::kXlsx, sheets), kSourceEncrypted);
  EXPECT_EQ(engine_.ListSheets(Write("secret.xls", encrypted), WorkbookType::kXls, sheets),
            kSourceEncrypted);
  // One of the two streams alone is no encrypted package.
  EXPECT_EQ(Convert(CompoundFile({u"EncryptedPackage"}), WorkbookType::kXlsx, "half.xlsx"),
            "failed " + std::to_string(kFormatNotCorrect));
}

TEST_F(MisnamedWorkbook, ContentOfNoKnownKindKeepsTheOutcomeOfItsName) {
  const std::string otherCompound = CompoundFile({u"Contents"});
  EXPECT_EQ(Convert(otherCompound, WorkbookType::kXlsx, "other.xlsx"),
            "failed " + std::to_string(kFormatNotCorrect));
  EXPECT_EQ(Convert(otherCompound, WorkbookType::kXls, "other.xls"), "\xEF\xBB\xBF");
  for (const WorkbookType type : {WorkbookType::kXls, WorkbookType::kXlsx})
    EXPECT_EQ(Convert("just some notes", type, "notes.xls"), "failed " + std::to_string(kFormatNotCorrect));
  OutputBlock block;
  EXPECT_EQ(engine_.ConvertFile((dir_ / "missing.xls").string(), WorkbookType::kXlsx, 65001, block),
            kSourceMissing);
}

}  // namespace
}  // namespace tabulox
