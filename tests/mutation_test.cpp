// Damaged copies of every corpus workbook, converted by the buffer entry
// points: each must end with a result code, without a crash (the sanitizer
// build turns any out-of-bounds read into one) and within a few seconds.
// Mutants: the file cut at several lengths, and copies with bytes flipped at
// positions drawn from a generator with a fixed seed, so every run converts
// the same inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "core/file_bytes.h"
#include "core/result_code.h"
#include "xls/convert_workbook.h"

#if __has_include("convert_xlsx_workbook.h")
#include "support/shared_xlsx_converter.h"
#define TABULOX_HAVE_XLSX_ENTRY 1
#endif

namespace tabulox {
namespace {

constexpr std::uint32_t kSeed = 20261209;
// Byte-flip mutants per file, and the most bytes one mutant flips.
constexpr int kFlipMutants = 16;
constexpr std::uint32_t kMaxFlipsPerMutant = 8;
// Positions near the start (compound-file header, ZIP local header) and near
// the end (ZIP central directory) hold the structure; a third of the flips
// land in each of these windows, a third anywhere.
constexpr std::size_t kHeadWindow = 1024;
constexpr std::size_t kTailWindow = 1024;
// A damaged copy may take no longer than a few seconds, or a few times as long
// as the undamaged file where that is longer: the largest corpus workbooks
// take seconds of their own in the sanitizer build on a loaded machine, and
// what the check is after is damage that makes the work grow, not load.
constexpr auto kConversionTimeFloor = std::chrono::seconds(3);
constexpr int kMaxSlowdown = 4;
// A mutant may also ask for much text that the rules call for (a cell moved
// far to the right pads every line of an as-shown sheet out to it): writing
// it may take this long a byte on top, which the sanitizer build's copies of
// hundreds of megabytes need on a loaded machine; work that grows faster than
// the text still shows.
constexpr auto kTimePerTextByte = std::chrono::nanoseconds(20);

struct Mutant {
  std::string label;
  std::vector<std::uint8_t> bytes;
};

std::vector<Mutant> MakeMutants(const std::vector<std::uint8_t>& file, std::mt19937& rng) {
  std::vector<Mutant> mutants;
  const std::size_t size = file.size();
  std::vector<std::size_t> cuts = {8, 512, 1536, size / 8, size / 4, size / 2, size * 3 / 4, size - 1};
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  for (const std::size_t cut : cuts)
    if (cut < size)
      mutants.push_back({"cut at " + std::to_string(cut),
                         std::vector<std::uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut))});
  if (size == 0) return mutants;

  for (int m = 0; m < kFlipMutants; ++m) {
    Mutant mutant{"flips", file};
    const std::uint32_t flips = 1 + rng() % kMaxFlipsPerMutant;
    for (std::uint32_t f = 0; f < flips; ++f) {
      std::size_t pos = 0;
      switch (rng() % 3) {
        case 0: pos = rng() % std::min(size, kHeadWindow); break;
        case 1: pos = size - 1 - rng() % std::min(size, kTailWindow); break;
        default: pos = static_cast<std::size_t>(rng()) % size; break;
      }
      const auto mask = static_cast<std::uint8_t>(1 + rng() % 255);
      mutant.bytes[pos] ^= mask;
      mutant.label += " " + std::to_string(pos) + "^" + std::to_string(mask);
    }
    mutants.push_back(std::move(mutant));
  }
  return mutants;
}

// Outcomes an entry point may give for bytes in memory. The .xlsx entry also
// reports an archive it cannot read as "cannot be opened"; the .xls entry
// gives an encrypted package and a method of encryption it does not read
// outcomes of their own, which the engine turns into its own.
bool IsEntryResult(ResultCode rc) {
  return rc >= 0 || rc == kFormatNotCorrect || rc == kSourceEncrypted || rc == kTextNotConvertible ||
         rc == kSourceOpenFailed || rc == kEncryptedPackage || rc == kEncryptionMethodUnknown;
}

ResultCode ConvertXls(std::span<const std::uint8_t> bytes, OutputBlock& block) {
  return ConvertWorkbookBuffer(bytes, block, 65001);
}

// The as-shown layout, hidden rows and columns left out.
ResultCode ConvertXlsShown(std::span<const std::uint8_t> bytes, OutputBlock& block) {
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  options.skipHiddenRows = options.skipHiddenColumns = true;
  return ConvertWorkbookBuffer(bytes, block, 65001, options);
}

#ifdef TABULOX_HAVE_XLSX_ENTRY
ResultCode ConvertXlsx(std::span<const std::uint8_t> bytes, OutputBlock& block) {
  return testing::SharedXlsxConverter().ConvertBuffer(bytes, block, 65001);
}
#endif

struct Tally {
  int files = 0;
  int mutants = 0;
  int succeeded = 0;
  int failed = 0;
  std::string file;
  std::chrono::steady_clock::duration slowest{};
  std::string slowestMutant;
};

template <typename Convert>
std::chrono::steady_clock::duration TimeOf(Convert convert, const std::vector<std::uint8_t>& bytes,
                                           OutputBlock& block, ResultCode& rc) {
  const auto start = std::chrono::steady_clock::now();
  rc = convert(std::span<const std::uint8_t>(bytes), block);
  return std::chrono::steady_clock::now() - start;
}

// The time a mutant of a file may take through `convert`.
template <typename Convert>
std::chrono::steady_clock::duration TimeBudget(Convert convert, const std::vector<std::uint8_t>& file) {
  OutputBlock block;
  ResultCode rc = 0;
  return std::max<std::chrono::steady_clock::duration>(kConversionTimeFloor,
                                                       kMaxSlowdown * TimeOf(convert, file, block, rc));
}

template <typename Convert>
void CheckConversion(const char* entry, const Mutant& mutant, Convert convert,
                     std::chrono::steady_clock::duration budget, Tally& tally) {
  OutputBlock block;
  ResultCode rc = 0;
  const auto elapsed = TimeOf(convert, mutant.bytes, block, rc);
  if (elapsed > tally.slowest) {
    tally.slowest = elapsed;
    tally.slowestMutant = std::string(entry) + ", " + tally.file + ", " + mutant.label;
  }
  (rc >= 0 ? tally.succeeded : tally.failed)++;
  EXPECT_TRUE(IsEntryResult(rc)) << entry << ", " << mutant.label << ": " << rc;
  if (rc >= 0) {
    EXPECT_EQ(block.size(), static_cast<std::size_t>(rc) + 1) << entry << ", " << mutant.label;
  }
  EXPECT_LT(elapsed, budget + kTimePerTextByte * std::max<ResultCode>(rc, 0))
      << entry << ", " << mutant.label << ", " << rc << " bytes";
}

void RunFolder(const std::string& folder, const std::string& extension) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / folder;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "corpus not present: " << dir;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());

#ifdef TABULOX_HAVE_XLSX_ENTRY
#endif
  std::mt19937 rng(kSeed);
  Tally tally;
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    FileBytes read;
    ASSERT_GE(ReadFileBytes(path.string(), read), 0);
    const std::vector<std::uint8_t> file(read.begin(), read.end());
    ++tally.files;
    tally.file = path.filename().string();
    const auto xlsBudget = TimeBudget(ConvertXls, file);
    const auto xlsShownBudget = TimeBudget(ConvertXlsShown, file);
#ifdef TABULOX_HAVE_XLSX_ENTRY
    const auto xlsxBudget = TimeBudget(ConvertXlsx, file);
#endif
    for (const Mutant& mutant : MakeMutants(file, rng)) {
      ++tally.mutants;
      CheckConversion("xls", mutant, ConvertXls, xlsBudget, tally);
      CheckConversion("xls as shown", mutant, ConvertXlsShown, xlsShownBudget, tally);
#ifdef TABULOX_HAVE_XLSX_ENTRY
      CheckConversion("xlsx", mutant, ConvertXlsx, xlsxBudget, tally);
#endif
    }
  }
#ifdef TABULOX_HAVE_XLSX_ENTRY
#endif
  std::cout << folder << ": " << tally.files << " files, " << tally.mutants << " mutants, "
            << tally.succeeded << " conversions with text, " << tally.failed
            << " with a failure code, slowest "
            << std::chrono::duration_cast<std::chrono::milliseconds>(tally.slowest).count() << " ms ("
            << tally.slowestMutant << ")\n";
}

TEST(CorpusMutants, XlsFilesEndWithAResultCode) { RunFolder("xls", ".xls"); }

TEST(CorpusMutants, XlsxFilesEndWithAResultCode) { RunFolder("xlsx", ".xlsx"); }

}  // namespace
}  // namespace tabulox
