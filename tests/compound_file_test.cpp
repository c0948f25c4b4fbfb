#include "xls/compound_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "core/extraction_error.h"
#include "core/file_bytes.h"
#include "support/cfb_writer.h"

namespace tabulox {
namespace {

using testing::CfbLayout;
using testing::CfbOptions;
using testing::CfbStream;
using testing::PutU32;
using testing::PutU64;
using testing::WriteCompoundFile;

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::uint8_t& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return bytes;
}

std::unique_ptr<CompoundFile> OpenOrFail(const std::vector<std::uint8_t>& file) {
  std::string error;
  auto storage = CompoundFile::Open(file, error);
  EXPECT_NE(storage, nullptr) << error;
  EXPECT_EQ(error, "");
  return storage;
}

std::string Utf8(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

TEST(CompoundFileSignature, RecognisesOnlyTheEightByteSignature) {
  const std::vector<std::uint8_t> file = WriteCompoundFile({});
  EXPECT_TRUE(HasCompoundFileSignature(file));
  EXPECT_FALSE(HasCompoundFileSignature(std::span(file).first(7)));
  EXPECT_FALSE(HasCompoundFileSignature({}));
  const std::string text = "Name\tValue\r\nA\t1\r\n";
  EXPECT_FALSE(HasCompoundFileSignature(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

// Stream sizes around the mini sector, the sector and the mini stream cutoff.
class CompoundFileRoundTrip : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(CompoundFileRoundTrip, EveryStreamReadsBackByteForByte) {
  const std::vector<std::size_t> sizes = {0, 1, 63, 64, 65, 511, 513, 4095, 4096, 4097, 9000, 70000};
  std::vector<CfbStream> streams;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    streams.push_back({u"Stream" + std::u16string(1, static_cast<char16_t>(u'A' + i)), Pattern(sizes[i], static_cast<std::uint32_t>(i))});
  }
  CfbLayout layout;
  const auto file = WriteCompoundFile(streams, CfbOptions{GetParam()}, &layout);
  ASSERT_FALSE(layout.miniStreamSectors.empty());
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->RootEntryNames().size(), streams.size());
  for (const CfbStream& stream : streams) {
    const auto bytes = storage->OpenStream(stream.name);
    ASSERT_TRUE(bytes.has_value()) << Utf8(stream.name);
    EXPECT_EQ(*bytes, stream.bytes) << Utf8(stream.name) << " of " << stream.bytes.size() << " bytes";
    // The writer lays each stream out in consecutive sectors: regular
    // streams are read in place, mini streams gathered.
    const auto inPlace = storage->OpenStreamBytes(stream.name);
    ASSERT_TRUE(inPlace.has_value()) << Utf8(stream.name);
    EXPECT_TRUE(std::ranges::equal(inPlace->bytes(), stream.bytes)) << Utf8(stream.name);
    EXPECT_EQ(inPlace->inFile(), stream.bytes.size() >= 4096) << Utf8(stream.name);
  }
}

// A stream whose sectors are out of order in the file is gathered, in the
// order of its chain.
TEST(CompoundFileStreamBytes, ScatteredSectorsAreGatheredInChainOrder) {
  const std::vector<CfbStream> streams = {{u"Data", Pattern(10000, 7)}};
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile(streams, CfbOptions{512}, &layout);
  const std::uint32_t s0 = layout.startSectors[0];
  // Swap the contents of the stream's second and third sectors and chain
  // them s0 -> s0+2 -> s0+1 -> s0+3.
  std::swap_ranges(file.begin() + static_cast<std::ptrdiff_t>(layout.SectorOffset(s0 + 1)),
                   file.begin() + static_cast<std::ptrdiff_t>(layout.SectorOffset(s0 + 1) + 512),
                   file.begin() + static_cast<std::ptrdiff_t>(layout.SectorOffset(s0 + 2)));
  PutU32(file, layout.FatEntryOffset(s0), s0 + 2);
  PutU32(file, layout.FatEntryOffset(s0 + 2), s0 + 1);
  PutU32(file, layout.FatEntryOffset(s0 + 1), s0 + 3);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  const auto bytes = storage->OpenStreamBytes(u"Data");
  ASSERT_TRUE(bytes.has_value());
  EXPECT_FALSE(bytes->inFile());
  EXPECT_TRUE(std::ranges::equal(bytes->bytes(), streams[0].bytes));
}

// Consecutive sectors that run past the end of a cut file are not taken as
// a view: the stream fails as a gathered one does.
TEST(CompoundFileStreamBytes, ConsecutiveSectorsCutOffByTheFileEndFail) {
  const std::vector<CfbStream> streams = {{u"Data", Pattern(10000, 7)}};
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile(streams, CfbOptions{512}, &layout);
  const std::size_t streamEnd = layout.SectorOffset(layout.startSectors[0]) + 10000;
  ASSERT_LE(streamEnd, file.size());
  file.resize(streamEnd - 1);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_THROW(storage->OpenStreamBytes(u"Data"), ExtractionError);
  EXPECT_THROW(storage->OpenStream(u"Data"), ExtractionError);
}

TEST_P(CompoundFileRoundTrip, FileWithoutStreamsOpensEmpty) {
  const auto file = WriteCompoundFile({}, CfbOptions{GetParam()});
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_TRUE(storage->RootEntryNames().empty());
  EXPECT_FALSE(storage->OpenStream(u"Workbook").has_value());
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CompoundFileRoundTrip, ::testing::Values(512u, 4096u));

// Large enough to need two DIFAT sectors with 512-byte sectors (109 FAT
// sectors in the header plus 127 in the first DIFAT sector cover 15.5 MB).
// Written once; tests that damage it restore it with ScopedPatch.
struct LargeFile {
  static constexpr std::size_t kStreamSize = 16u << 20;
  CfbLayout layout;
  std::vector<std::uint8_t> file;
};

LargeFile& Large() {
  static LargeFile large = [] {
    LargeFile made;
    std::vector<CfbStream> streams(2);
    streams[0] = {u"Workbook", Pattern(LargeFile::kStreamSize, 7)};
    streams[1] = {u"Small", Pattern(100, 8)};
    made.file = WriteCompoundFile(streams, CfbOptions{512}, &made.layout);
    return made;
  }();
  return large;
}

// Overwrites four bytes of a file for the life of the object.
class ScopedPatch {
 public:
  ScopedPatch(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value)
      : file_(file), offset_(offset), saved_(file.begin() + static_cast<std::ptrdiff_t>(offset),
                                             file.begin() + static_cast<std::ptrdiff_t>(offset) + 4) {
    PutU32(file_, offset_, value);
  }
  ~ScopedPatch() { std::copy(saved_.begin(), saved_.end(), file_.begin() + static_cast<std::ptrdiff_t>(offset_)); }

 private:
  std::vector<std::uint8_t>& file_;
  std::size_t offset_;
  std::vector<std::uint8_t> saved_;
};

TEST(CompoundFileDifat, StreamNeedingDifatSectorsReadsBack) {
  const LargeFile& large = Large();
  ASSERT_EQ(large.layout.difatSectors.size(), 2u);
  auto storage = OpenOrFail(large.file);
  ASSERT_NE(storage, nullptr);
  const auto bytes = storage->OpenStream(u"Workbook");
  ASSERT_TRUE(bytes.has_value());
  ASSERT_EQ(bytes->size(), LargeFile::kStreamSize);
  // The writer lays a regular stream out in consecutive sectors.
  const auto written = large.file.begin() + static_cast<std::ptrdiff_t>(large.layout.SectorOffset(large.layout.startSectors[0]));
  EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), written));
  EXPECT_EQ(storage->OpenStream(u"Small"), Pattern(100, 8));
}

TEST(CompoundFileDifat, DifatSectorOutsideTheFileIsRejected) {
  LargeFile& large = Large();
  ScopedPatch patch(large.file, testing::kCfbHeaderFirstDifatSector, 0x00FFFFFF);
  std::string error;
  EXPECT_EQ(CompoundFile::Open(large.file, error), nullptr);
  EXPECT_EQ(error, "DIFAT sector outside the file");
}

TEST(CompoundFileDifat, DifatChainThatLoopsIsRejected) {
  LargeFile& large = Large();
  const CfbLayout& layout = large.layout;
  ScopedPatch patch(large.file, layout.SectorOffset(layout.difatSectors[0]) + layout.sectorSize - 4,
                    layout.difatSectors[0]);
  std::string error;
  EXPECT_EQ(CompoundFile::Open(large.file, error), nullptr);
  EXPECT_EQ(error, "DIFAT chain loops back on itself");
}

TEST(CompoundFileDifat, DifatEndingEarlyLeavesTheStreamUnreadable) {
  LargeFile& large = Large();
  const CfbLayout& layout = large.layout;
  ScopedPatch patch(large.file, layout.SectorOffset(layout.difatSectors[0]), kFreeSect);
  auto storage = OpenOrFail(large.file);
  ASSERT_NE(storage, nullptr);
  EXPECT_THROW(storage->OpenStream(u"Workbook"), ExtractionError);
}

TEST(CompoundFileNames, WorkbookAndBookAreFoundWithoutRegardToCase) {
  const auto file = WriteCompoundFile({{u"BOOK", Pattern(10, 1)}, {u"\x05SummaryInformation", Pattern(200, 2)}});
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_FALSE(storage->OpenStream(u"Workbook").has_value());
  EXPECT_EQ(storage->OpenStream(u"Book"), Pattern(10, 1));
  EXPECT_EQ(storage->OpenStream(u"book"), Pattern(10, 1));
  EXPECT_FALSE(storage->OpenStream(u"Boo").has_value());
  EXPECT_FALSE(storage->OpenStream(u"Books").has_value());
  EXPECT_EQ(storage->OpenStream(u"\x05summaryinformation"), Pattern(200, 2));
}

TEST(CompoundFileNames, NonAsciiLettersFoldToo) {
  const auto file = WriteCompoundFile({{u"\u00C4rger\u0416", Pattern(5, 3)}});
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->OpenStream(u"\u00E4RGER\u0436"), Pattern(5, 3));
}

TEST(CompoundFileNames, StorageOfTheNameIsNoStream) {
  const auto file = WriteCompoundFile({{u"Workbook", {}, true}, {u"Book", Pattern(30, 4)}});
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_FALSE(storage->OpenStream(u"Workbook").has_value());
  EXPECT_EQ(storage->OpenStream(u"Book"), Pattern(30, 4));
}

TEST(CompoundFileNames, RootEntryNamesFollowTheDirectoryTreeOrder) {
  const auto file = WriteCompoundFile({{u"Workbook", Pattern(1, 1)},
                                       {u"\x05SummaryInformation", Pattern(1, 2)},
                                       {u"Book", Pattern(1, 3)},
                                       {u"a", Pattern(1, 4)},
                                       {u"Ctls", {}, true}});
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  const std::vector<std::u16string> expected = {u"a", u"Book", u"Ctls", u"Workbook", u"\x05SummaryInformation"};
  EXPECT_EQ(storage->RootEntryNames(), expected);
}

// A damage applied to a file holding a 10000-byte regular stream "Data"
// (input 0) and a 300-byte mini stream "Mini" (input 1).
struct Damage {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&, const CfbLayout&)> apply;
  const char* failure;                     // the reason Open gives, or nullptr when Open succeeds
  std::vector<std::u16string> broken = {};  // the streams that then raise ExtractionError
};

std::uint32_t DataStart(const CfbLayout& layout) { return layout.startSectors[0]; }
std::uint32_t MiniStart(const CfbLayout& layout) { return layout.startSectors[1]; }

const Damage kDamages[] = {
    {"TextFile", [](auto& f, auto&) { f.assign({'I', 'D', ';', 'P', '\r', '\n'}); }, "no compound-file signature"},
    {"HeaderCutShort", [](auto& f, auto&) { f.resize(300); }, "file too small for a compound-file header"},
    {"SectorShiftTen", [](auto& f, auto&) { f[testing::kCfbHeaderSectorShift] = 10; }, "unsupported sector size"},
    {"MiniSectorShiftSeven", [](auto& f, auto&) { f[testing::kCfbHeaderMiniSectorShift] = 7; },
     "unsupported mini sector size"},
    {"FatSectorOutsideTheFile", [](auto& f, auto&) { PutU32(f, testing::kCfbHeaderDifat, 5000); },
     "FAT sector outside the file"},
    {"DirectoryChainLoops",
     [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(l.directorySectors[0]), l.directorySectors[0]); },
     "directory: chain loops back on itself"},
    {"DirectoryOutsideTheFile", [](auto& f, auto&) { PutU32(f, testing::kCfbHeaderFirstDirectorySector, 77777); },
     "directory: chain points outside the file"},
    {"DirectoryStartsAtAFreeSector", [](auto& f, auto&) { PutU32(f, testing::kCfbHeaderFirstDirectorySector, kFreeSect); },
     "directory: chain runs into a free sector"},
    {"RootEntryMissing", [](auto& f, auto& l) { f[l.DirectoryEntryOffset(0) + testing::kCfbEntryType] = 1; },
     "directory has no root entry"},
    {"EntryIsItsOwnSibling",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(1) + testing::kCfbEntryLeftSibling, 1); },
     "directory tree refers to itself"},
    {"EntryPointsBackToTheRoot",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(1) + testing::kCfbEntryRightSibling, 0); },
     "directory tree refers to itself"},
    {"RootChildPointsAtItself", [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(0) + testing::kCfbEntryChild, 0); },
     "directory tree refers to itself"},
    {"SiblingOutsideTheDirectory",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(2) + testing::kCfbEntryLeftSibling, 4000); },
     "directory entry outside the directory"},
    {"MiniFatChainLoops",
     [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(l.miniFatSectors[0]), l.miniFatSectors[0]); },
     "mini FAT: chain loops back on itself"},

    {"StreamChainLoops", [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(DataStart(l) + 1), DataStart(l)); },
     nullptr, {u"Data"}},
    {"StreamChainLeavesTheFile", [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(DataStart(l) + 1), 0x00100000); },
     nullptr, {u"Data"}},
    {"StreamChainRunsIntoAFreeSector", [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(DataStart(l)), kFreeSect); },
     nullptr, {u"Data"}},
    {"StreamChainEndsBeforeItsSize", [](auto& f, auto& l) { PutU32(f, l.FatEntryOffset(DataStart(l) + 1), kEndOfChain); },
     nullptr, {u"Data"}},
    {"StreamStartsOutsideTheFile",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(1) + testing::kCfbEntryStartSector, 0x00200000); },
     nullptr, {u"Data"}},
    {"StreamSizeLargerThanTheFile",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(1) + testing::kCfbEntryStreamSize, 0x7FFFFFF0); },
     nullptr, {u"Data"}},
    {"FileCutInsideTheStream", [](auto& f, auto&) { f.resize(f.size() - 3000); }, nullptr, {u"Data"}},
    {"MiniChainLoops", [](auto& f, auto& l) { PutU32(f, l.MiniFatEntryOffset(MiniStart(l) + 2), MiniStart(l)); },
     nullptr, {u"Mini"}},
    {"MiniChainLeavesTheMiniStream", [](auto& f, auto& l) { PutU32(f, l.MiniFatEntryOffset(MiniStart(l)), 900); },
     nullptr, {u"Mini"}},
    {"MiniSizeLargerThanItsChain",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(2) + testing::kCfbEntryStreamSize, 4000); },
     nullptr, {u"Mini"}},
    {"MiniStreamLargerThanItsChain",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(0) + testing::kCfbEntryStreamSize, 9000); },
     nullptr, {u"Mini", u"Other"}},
    {"MiniStreamOutsideTheFile",
     [](auto& f, auto& l) { PutU32(f, l.DirectoryEntryOffset(0) + testing::kCfbEntryStartSector, 0x00300000); },
     nullptr, {u"Mini", u"Other"}},
};

class CompoundFileDamage : public ::testing::TestWithParam<std::tuple<Damage, std::uint32_t>> {};

TEST_P(CompoundFileDamage, FailsCleanly) {
  const auto& [damage, sectorSize] = GetParam();
  const std::vector<CfbStream> streams = {{u"Data", Pattern(10000, 1)}, {u"Mini", Pattern(300, 2)},
                                          {u"Other", Pattern(50, 3)}};
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile(streams, CfbOptions{sectorSize}, &layout);
  damage.apply(file, layout);

  std::string error;
  auto storage = CompoundFile::Open(file, error);
  if (damage.failure != nullptr) {
    EXPECT_EQ(storage, nullptr);
    EXPECT_EQ(error, damage.failure);
    return;
  }
  ASSERT_NE(storage, nullptr) << error;
  for (const CfbStream& stream : streams) {
    if (std::find(damage.broken.begin(), damage.broken.end(), stream.name) != damage.broken.end()) {
      EXPECT_THROW(storage->OpenStream(stream.name), ExtractionError) << Utf8(stream.name);
      EXPECT_THROW(storage->OpenStreamBytes(stream.name), ExtractionError) << Utf8(stream.name);
    } else {
      EXPECT_EQ(storage->OpenStream(stream.name), stream.bytes) << Utf8(stream.name);
      const auto inPlace = storage->OpenStreamBytes(stream.name);
      ASSERT_TRUE(inPlace.has_value()) << Utf8(stream.name);
      EXPECT_TRUE(std::ranges::equal(inPlace->bytes(), stream.bytes)) << Utf8(stream.name);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CompoundFileDamage,
                         ::testing::Combine(::testing::ValuesIn(kDamages), ::testing::Values(512u, 4096u)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(CompoundFileDamage, UnusedEntryInTheTreeEndsItsBranch) {
  CfbLayout layout;
  // Sorted "Data" < "Mini" < "Other": "Mini" is the tree's root, "Other" its right child.
  std::vector<std::uint8_t> file =
      WriteCompoundFile({{u"Data", Pattern(10, 1)}, {u"Mini", Pattern(20, 2)}, {u"Other", Pattern(30, 3)}}, {}, &layout);
  file[layout.DirectoryEntryOffset(3) + testing::kCfbEntryType] = 0;
  PutU32(file, layout.DirectoryEntryOffset(3) + testing::kCfbEntryLeftSibling, 3);  // never followed
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->RootEntryNames(), (std::vector<std::u16string>{u"Data", u"Mini"}));
  EXPECT_FALSE(storage->OpenStream(u"Other").has_value());
  EXPECT_EQ(storage->OpenStream(u"Data"), Pattern(10, 1));
}

TEST(CompoundFileDamage, Version4FileCutInsideItsHeaderSector) {
  std::vector<std::uint8_t> file = WriteCompoundFile({{u"Data", Pattern(100, 1)}}, CfbOptions{4096});
  file.resize(2000);
  std::string error;
  EXPECT_EQ(CompoundFile::Open(file, error), nullptr);
  EXPECT_EQ(error, "file too small for its header sector");
}

// Random bytes written over the header, FAT, directory and mini FAT: whatever
// they do, opening and reading end normally or with ExtractionError.
TEST(CompoundFileDamage, RandomMetadataDamageNeverEscapes) {
  for (std::uint32_t sectorSize : {512u, 4096u}) {
    CfbLayout layout;
    const std::vector<CfbStream> streams = {{u"Workbook", Pattern(9000, 1)}, {u"Book", Pattern(700, 2)},
                                            {u"Ctls", {}, true}, {u"x", Pattern(64, 3)}};
    const std::vector<std::uint8_t> original = WriteCompoundFile(streams, CfbOptions{sectorSize}, &layout);
    std::vector<std::size_t> targets = {0};
    for (std::uint32_t s : layout.fatSectors) targets.push_back(layout.SectorOffset(s));
    for (std::uint32_t s : layout.directorySectors) targets.push_back(layout.SectorOffset(s));
    for (std::uint32_t s : layout.miniFatSectors) targets.push_back(layout.SectorOffset(s));
    std::uint32_t random = 12345;
    auto next = [&random](std::uint32_t bound) {
      random = random * 1103515245u + 12345u;
      return (random >> 8) % bound;
    };
    for (int round = 0; round < 600; ++round) {
      std::vector<std::uint8_t> file = original;
      for (std::uint32_t n = 1 + next(6); n > 0; --n) {
        const std::size_t base = targets[next(static_cast<std::uint32_t>(targets.size()))];
        const std::size_t at = base + next(base == 0 ? 512 : sectorSize);
        file[at] = next(3) == 0 ? 0xFF : static_cast<std::uint8_t>(next(256));
      }
      std::string error;
      auto storage = CompoundFile::Open(file, error);
      if (storage == nullptr) {
        EXPECT_FALSE(error.empty());
        continue;
      }
      for (const std::u16string& name : storage->RootEntryNames()) {
        try {
          storage->OpenStream(name);
        } catch (const ExtractionError&) {
        }
      }
    }
  }
}

// Leniency towards what real writers do.
TEST(CompoundFileLeniency, Version3SizeHighBitsAreIgnored) {
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile({{u"Data", Pattern(10000, 1)}, {u"Mini", Pattern(300, 2)}}, {}, &layout);
  PutU32(file, layout.DirectoryEntryOffset(1) + testing::kCfbEntryStreamSize + 4, 0xDEADBEEF);
  PutU32(file, layout.DirectoryEntryOffset(2) + testing::kCfbEntryStreamSize + 4, 0x00000001);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->OpenStream(u"Data"), Pattern(10000, 1));
  EXPECT_EQ(storage->OpenStream(u"Mini"), Pattern(300, 2));
}

TEST(CompoundFileLeniency, Version4SizeHighBitsCount) {
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile({{u"Data", Pattern(10000, 1)}}, CfbOptions{4096}, &layout);
  PutU32(file, layout.DirectoryEntryOffset(1) + testing::kCfbEntryStreamSize + 4, 1);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_THROW(storage->OpenStream(u"Data"), ExtractionError);
}

TEST(CompoundFileLeniency, ChainLongerThanTheSizeIsRead) {
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile({{u"Data", Pattern(10000, 1)}, {u"Mini", Pattern(300, 2)}}, {}, &layout);
  PutU64(file, layout.DirectoryEntryOffset(1) + testing::kCfbEntryStreamSize, 5000);
  PutU64(file, layout.DirectoryEntryOffset(2) + testing::kCfbEntryStreamSize, 70);
  // The rest of each chain loops; it is never followed.
  PutU32(file, layout.FatEntryOffset(layout.startSectors[0] + 15), layout.startSectors[0]);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  const auto data = Pattern(10000, 1);
  EXPECT_EQ(storage->OpenStream(u"Data"), std::vector<std::uint8_t>(data.begin(), data.begin() + 5000));
  const auto mini = Pattern(300, 2);
  EXPECT_EQ(storage->OpenStream(u"Mini"), std::vector<std::uint8_t>(mini.begin(), mini.begin() + 70));
}

TEST(CompoundFileLeniency, WrongHeaderCountsAndCutPaddingAreTolerated) {
  CfbLayout layout;
  std::vector<std::uint8_t> file = WriteCompoundFile({{u"Data", Pattern(10000, 1)}}, {}, &layout);
  PutU32(file, 44, 37);  // number of FAT sectors
  PutU32(file, 64, 9);   // number of mini FAT sectors
  // 10000 bytes end 272 bytes into their last sector; cut the padding after them.
  file.resize(file.size() - 200);
  auto storage = OpenOrFail(file);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->OpenStream(u"Data"), Pattern(10000, 1));
}

// Every .xls of the corpus with the compound-file signature either opens or is
// rejected with a reason; the files listed here are known to be damaged.
TEST(CompoundFileCorpus, EveryContainerOpensOrFailsCleanly) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xls";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;

  const std::map<std::string, std::string> expectedOpenFailures = {
      {"exceldatareader__Test_Issue_12556_corrupt.xls", "FAT sector outside the file"},
      {"exceldatareader__Test_git_issue_382_oom.xls", "directory: chain loops back on itself"},
      {"libxls__xls2csv_ole_ole2_fread_327.xls", "directory: chain points outside the file"},
      {"phpspreadsheet__oleloop.xls", "directory: chain loops back on itself"},
  };
  // Fuzzer-made file: the workbook's FAT chain runs into the FAT's own marker.
  const std::set<std::string> expectedUnreadable = {"libxls__xls2csv_ole_read_MSAT_772.xls"};
  int opened = 0, rejected = 0, notCompound = 0, withWorkbook = 0, withBook = 0, neither = 0;
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::directory_iterator(dir)) files.push_back(item.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    FileBytes bytes;
    ASSERT_EQ(ReadFileBytes(path.string(), bytes), 0) << path;
    const std::string name = path.filename().string();
    if (!HasCompoundFileSignature(bytes)) {
      ++notCompound;
      continue;
    }
    std::string error;
    auto storage = CompoundFile::Open(bytes, error);
    const auto expected = expectedOpenFailures.find(name);
    if (storage == nullptr) {
      ++rejected;
      std::cout << "[ rejected ] " << name << ": " << error << "\n";
      EXPECT_NE(expected, expectedOpenFailures.end()) << name << " failed to open: " << error;
      if (expected != expectedOpenFailures.end()) {
        EXPECT_EQ(error, expected->second) << name;
      }
      continue;
    }
    ++opened;
    EXPECT_EQ(expected, expectedOpenFailures.end()) << name << " opened but was expected to fail";
    std::string found;
    bool unreadable = false;
    for (const char16_t* stream : {u"Workbook", u"Book"}) {
      try {
        const auto data = storage->OpenStream(stream);
        if (!data) continue;
        found += (found.empty() ? "" : " and ") + Utf8(stream) + " (" + std::to_string(data->size()) + " bytes)";
        (std::u16string_view(stream) == u"Workbook" ? withWorkbook : withBook)++;
      } catch (const ExtractionError& e) {
        found += (found.empty() ? "" : " and ") + Utf8(stream) + " unreadable: " + e.what();
        unreadable = true;
      }
    }
    EXPECT_EQ(unreadable, expectedUnreadable.count(name) == 1) << name << ": " << found;
    if (found.empty()) {
      ++neither;
      std::string names;
      for (const auto& entry : storage->RootEntryNames()) names += " \"" + Utf8(entry) + "\"";
      found = "no workbook stream; root holds" + names;
    }
    std::cout << "[   opened ] " << name << ": " << found << "\n";
  }
  std::cout << opened << " opened (" << withWorkbook << " with Workbook, " << withBook << " with Book, " << neither
            << " with neither), " << rejected << " rejected, " << notCompound << " without the signature\n";
}

}  // namespace
}  // namespace tabulox
