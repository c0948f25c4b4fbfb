// Hostile workbook streams: every outcome is a result code or an
// ExtractionError, never a crash, a hang or a read out of bounds (run these
// under the sanitizer build too).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/extraction_error.h"
#include "core/file_bytes.h"
#include "support/biff_writer.h"
#include "xls/xls_workbook_text.h"

namespace tabulox {
namespace {

using testing::BiffWriter;

// Runs the extraction; true when it ended in a result code or ExtractionError.
bool EndsCleanly(std::span<const std::uint8_t> stream) {
  std::string text;
  try {
    const ResultCode code = ExtractWorkbookStreamText(stream, text);
    return code == kSourceEncrypted || code == kFormatNotCorrect ||
           code == static_cast<ResultCode>(text.size());
  } catch (const ExtractionError&) {
    return true;
  }
}

std::vector<std::uint8_t> SampleWorkbook() {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto a = w.BoundSheet(u"A");
  const auto b = w.BoundSheet(u"B\u4E2D");
  w.XF(0);
  w.XF(164);
  w.Format(164, u"0.00%");
  testing::ContinuedRecord sst = testing::SstRecord(3, 3);
  testing::AppendSstString(sst, testing::SstString{u"first", false, 2, 6});
  testing::AppendSstStringHeader(sst, testing::SstString{u"second", true});
  sst.bytes().chars(u"sec", true);
  sst.CutChars(false).bytes().chars(u"ond", false);
  testing::AppendSstString(sst, testing::SstString{u"third"});
  w.Record(sst);
  w.Eof();
  w.StartSheet(a);
  w.LabelSst(0, 0, 0, 0);
  w.MulRK(0, 1, {{1, 0x3FF00001}, {0, 0x192}});
  w.FormulaSpecial(1, 2, 0, 0);
  w.String(u"text");
  w.MulBlank(2, 0, {0, 1, 0});
  w.Eof();
  w.StartSheet(b);
  w.Number(0, 3, 1, 0.25);
  w.LabelSst(1, 0, 0, 2);
  w.Eof();
  const auto bytes = w.bytes();
  return {bytes.begin(), bytes.end()};
}

TEST(XlsRobustness, RandomByteChangesEndCleanly) {
  const std::vector<std::uint8_t> original = SampleWorkbook();
  ASSERT_TRUE(EndsCleanly(original));
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> position(0, original.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> changes(1, 4);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bytes = original;
    for (int i = changes(random); i > 0; --i)
      bytes[position(random)] = static_cast<std::uint8_t>(byte(random));
    ASSERT_TRUE(EndsCleanly(bytes)) << "round " << round;
  }
}

// Whole files of the corpus, container and all, read as if they were the
// workbook stream: no structure can be assumed, so only a clean end counts.
TEST(XlsRobustness, CorpusFilesAsRawStreamsEndCleanly) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xls";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    FileBytes bytes;
    ASSERT_EQ(ReadFileBytes(entry.path().string(), bytes), 0) << entry.path();
    EXPECT_TRUE(EndsCleanly(bytes)) << entry.path();
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace tabulox
