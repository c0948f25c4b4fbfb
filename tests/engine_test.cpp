// The public interface as another program uses it: only tabulox/tabulox.h.
#include "tabulox/tabulox.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/zip_writer.h"

namespace tabulox {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Text(const OutputBlock& block, ResultCode rc) { return block.substr(0, static_cast<std::size_t>(rc)); }

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tabulox_engine_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  Engine engine_;
  std::filesystem::path dir_;
};

const std::string kWorkbook = testing::WriteZip(
    {{"xl/worksheets/sheet1.xml",
      R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>a</t></is></c>)"
      R"(<c r="B1"><v>2.5</v></c></row></sheetData></worksheet>)"}});

TEST_F(EngineTest, FileAndBufferGiveTheSameTextForBothTypes) {
  OutputBlock fromFile;
  OutputBlock fromBuffer;
  const ResultCode xlsx = engine_.ConvertFile(Write("book.xlsx", kWorkbook), WorkbookType::kXlsx,
                                              65001, fromFile);
  ASSERT_EQ(Text(fromFile, xlsx), "\xEF\xBB\xBFsheet1:\r\na\t2.5\r\n");
  ASSERT_EQ(engine_.ConvertBuffer(testing::Bytes(kWorkbook), WorkbookType::kXlsx, 65001, fromBuffer), xlsx);
  EXPECT_EQ(Text(fromBuffer, xlsx), Text(fromFile, xlsx));

  const std::string example = std::string(TABULOX_SOURCE_DIR) + "/examples/example.xls";
  const ResultCode xls = engine_.ConvertFile(example, WorkbookType::kXls, 1200, fromFile);
  ASSERT_GT(xls, 2);
  EXPECT_EQ(fromFile.substr(0, 2), "\xFF\xFE");
  const std::string bytes = ReadFile(example);
  ASSERT_EQ(engine_.ConvertBuffer(testing::Bytes(bytes), WorkbookType::kXls, 1200, fromBuffer), xls);
  EXPECT_EQ(Text(fromBuffer, xls), Text(fromFile, xls));
}

TEST_F(EngineTest, FailuresLeaveTheBlockAsItWas) {
  OutputBlock block = "kept";
  for (const WorkbookType type : {WorkbookType::kXls, WorkbookType::kXlsx}) {
    EXPECT_EQ(engine_.ConvertFile((dir_ / "missing").string(), type, 65001, block), kSourceMissing);
    const std::string notAWorkbook = Write("plain.txt", "not a workbook at all");
    const ResultCode rc = engine_.ConvertFile(notAWorkbook, type, 65001, block);
    EXPECT_TRUE(rc == kFormatNotCorrect || rc == kSourceOpenFailed) << rc;
    EXPECT_EQ(block, "kept");
  }
  // An .xlsx read as .xls is not a compound file.
  EXPECT_EQ(engine_.ConvertBuffer(testing::Bytes(kWorkbook), WorkbookType::kXls, 65001, block),
            kFormatNotCorrect);
  EXPECT_EQ(block, "kept");
}

TEST_F(EngineTest, ProgressIsReportedWhileAnXlsxWorkbookIsReadUntilCleared) {
  int calls = 0;
  engine_.SetProgressCallback([&] { ++calls; });
  OutputBlock block;
  ASSERT_GT(engine_.ConvertBuffer(testing::Bytes(kWorkbook), WorkbookType::kXlsx, 65001, block), 0);
  EXPECT_GT(calls, 0);
  engine_.SetProgressCallback(nullptr);
  const int before = calls;
  ASSERT_GT(engine_.ConvertBuffer(testing::Bytes(kWorkbook), WorkbookType::kXlsx, 65001, block), 0);
  EXPECT_EQ(calls, before);
}

TEST_F(EngineTest, DateTimeTextUsesTheDefaultRegionalSettingsInTheCLocale) {
  EXPECT_EQ(DateTimeText(45000.0), "3/15/23");
  EXPECT_EQ(DateTimeText(45000.75), "3/15/23 6:00:00 pm");
}

}  // namespace
}  // namespace tabulox
