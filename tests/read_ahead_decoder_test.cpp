#include "zip/read_ahead_decoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/zip_writer.h"
#include "zip/zip_archive.h"
#include "zip/zip_errors.h"

namespace tabulox {
namespace {

using testing::Bytes;
using testing::WriteZip;
using testing::ZipEntry;

struct Decoded {
  std::vector<std::string> blocks;
  MemberOutcome outcome = MemberOutcome::kCrcMismatch;
  bool raised = false;
};

template <typename Decoder>
Decoded DecodeAll(Decoder& decoder) {
  Decoded result;
  try {
    for (std::string block; decoder.Next(block); block.clear()) result.blocks.push_back(block);
    result.outcome = decoder.Outcome();
  } catch (const ZipTruncatedError&) {
    result.raised = true;
  }
  return result;
}

std::string Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string noise(size, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  return noise;
}

std::string Rows(std::size_t size) {
  std::string rows;
  for (int r = 1; rows.size() < size; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
            std::to_string(r * 7919 % 100003) + "</v></c></row>";
  rows.resize(size);
  return rows;
}

// The members of the archive, decoded through both decoders: the same blocks
// in the same order, the same outcome, the same error.
void ExpectSameAsMemberDecoder(const std::string& zip) {
  ZipArchive reader;
  reader.OpenBuffer(Bytes(zip));
  ASSERT_GT(reader.MemberCount(), 0);
  for (const ZipMember& member : reader.Members()) {
    SCOPED_TRACE(member.FullName());
    std::optional<Decoded> direct;
    try {
      MemberDecoder decoder(Bytes(zip), member, nullptr);
      direct = DecodeAll(decoder);
    } catch (const ZipTruncatedError&) {
      EXPECT_THROW(ReadAheadDecoder(Bytes(zip), member, nullptr), ZipTruncatedError);
      continue;
    }
    ReadAheadDecoder ahead(Bytes(zip), member, nullptr);
    const Decoded decoded = DecodeAll(ahead);
    EXPECT_EQ(decoded.raised, direct->raised);
    if (!direct->raised) {
      EXPECT_EQ(decoded.outcome, direct->outcome);
    }
    EXPECT_EQ(decoded.blocks.size(), direct->blocks.size());
    EXPECT_TRUE(decoded.blocks == direct->blocks);
  }
}

TEST(ReadAheadDecoder, GivesWhatTheMemberDecoderGives) {
  constexpr std::uint32_t kLarge = 3 * ReadAheadDecoder::kReadAheadBytes / 2;
  std::vector<ZipEntry> entries;
  entries.emplace_back("rows.xml", Rows(3 * kLarge));
  entries.emplace_back("noise.bin", Noise(kLarge, 1));
  entries.emplace_back("stored.xml", Rows(kLarge), 0);
  entries.emplace_back("small.xml", Rows(70000));
  ZipEntry badCrc("bad-crc.xml", Rows(kLarge));
  badCrc.statedCrc = 12345;
  entries.push_back(badCrc);
  ZipEntry understated("understated.xml", Rows(2 * kLarge));
  understated.statedUncompressedSize = kLarge;
  entries.push_back(understated);
  // Deflate data damaged in its middle: decoded in part, then ended.
  ZipEntry damaged("damaged.xml", Rows(kLarge));
  std::string deflated = testing::DeflateRaw(Noise(kLarge, 2));
  for (std::size_t i = deflated.size() / 2; i < deflated.size() / 2 + 64; ++i) deflated[i] ^= 0x5A;
  damaged.rawData = deflated;
  damaged.statedCrc = testing::Crc32(Noise(kLarge, 2));
  entries.push_back(damaged);
  ExpectSameAsMemberDecoder(WriteZip(entries));
}

TEST(ReadAheadDecoder, StoredDataCutShortRaisesAfterTheBlocksBeforeIt) {
  constexpr std::uint32_t kLarge = 2 * ReadAheadDecoder::kReadAheadBytes;
  ZipEntry cut("cut.xml", "", 0);
  cut.rawData = Rows(kLarge / 2);
  cut.statedCompressedSize = kLarge;
  cut.statedUncompressedSize = kLarge;
  const std::string zip = WriteZip({cut});
  ExpectSameAsMemberDecoder(zip);
  ZipArchive reader;
  reader.OpenBuffer(Bytes(zip));
  ReadAheadDecoder decoder(Bytes(zip), reader.Members().at(0), nullptr);
  const Decoded decoded = DecodeAll(decoder);
  EXPECT_TRUE(decoded.raised);
  EXPECT_EQ(decoded.blocks.size(), kLarge / 2 / 32768);
}

TEST(ReadAheadDecoder, ReportsProgressOnTheCallersThread) {
  const std::string zip = WriteZip({{"rows.xml", Rows(4 * ReadAheadDecoder::kReadAheadBytes)}});
  ZipArchive reader;
  reader.OpenBuffer(Bytes(zip));
  std::vector<std::thread::id> callers;
  ReadAheadDecoder decoder(Bytes(zip), reader.Members().at(0),
                           [&] { callers.push_back(std::this_thread::get_id()); });
  const Decoded decoded = DecodeAll(decoder);
  EXPECT_EQ(decoded.outcome, MemberOutcome::kExtracted);
  EXPECT_EQ(callers.size(), decoded.blocks.size());
  for (const std::thread::id caller : callers) EXPECT_EQ(caller, std::this_thread::get_id());
}

TEST(ReadAheadDecoder, StopsWhenLeftUnfinished) {
  // Destroyed before, while and after its thread has filled its room.
  const std::string zip = WriteZip({{"rows.xml", Rows(8 * ReadAheadDecoder::kReadAheadBytes)}});
  ZipArchive reader;
  reader.OpenBuffer(Bytes(zip));
  for (int taken : {0, 1, 40}) {
    ReadAheadDecoder decoder(Bytes(zip), reader.Members().at(0), nullptr);
    std::string out;
    for (int i = 0; i < taken; ++i) ASSERT_TRUE(decoder.Next(out));
  }
}

}  // namespace
}  // namespace tabulox
