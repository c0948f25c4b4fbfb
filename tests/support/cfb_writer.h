// A small Compound File Binary writer for tests [MS-CFB]: builds a valid file
// whose root storage holds the given streams (and empty storages), and tells
// where it put every structure so that a test can damage the result on purpose.
//
//   std::vector<std::uint8_t> file = testing::WriteCompoundFile({{u"Workbook", biff}});
//
// Streams below 4096 bytes go into the mini stream; when more than 109 FAT
// sectors are needed the writer adds DIFAT sectors. Sector layout, in order:
// FAT, DIFAT, directory, mini FAT, mini stream, then each regular stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tabulox::testing {

struct CfbStream {
  std::u16string name;  // at most 31 UTF-16 units
  std::vector<std::uint8_t> bytes;
  bool isStorage = false;  // write an empty storage of this name instead; bytes must be empty
};

struct CfbOptions {
  std::uint32_t sectorSize = 512;  // 512 (version 3) or 4096 (version 4)
};

// Where WriteCompoundFile put each structure. Sector numbers as in the FAT.
struct CfbLayout {
  std::uint32_t sectorSize = 0;
  std::vector<std::uint32_t> fatSectors;
  std::vector<std::uint32_t> difatSectors;
  std::vector<std::uint32_t> directorySectors;
  std::vector<std::uint32_t> miniFatSectors;
  std::vector<std::uint32_t> miniStreamSectors;
  // Per input stream, in input order: its first sector, a mini sector when
  // inMiniStream is true (0xFFFFFFFE ENDOFCHAIN for an empty stream or a storage).
  std::vector<std::uint32_t> startSectors;
  std::vector<bool> inMiniStream;

  // Byte offset of a sector in the file.
  std::size_t SectorOffset(std::uint32_t sector) const;
  // Byte offset of the FAT entry that follows `sector`'s chain.
  std::size_t FatEntryOffset(std::uint32_t sector) const;
  // Byte offset of the mini FAT entry that follows `miniSector`'s chain.
  std::size_t MiniFatEntryOffset(std::uint32_t miniSector) const;
  // Byte offset of a directory entry: 0 the root, input stream i is entry i + 1.
  std::size_t DirectoryEntryOffset(std::uint32_t entry) const;
};

// Byte offsets of header fields ([MS-CFB] 2.2).
inline constexpr std::size_t kCfbHeaderSectorShift = 30;
inline constexpr std::size_t kCfbHeaderMiniSectorShift = 32;
inline constexpr std::size_t kCfbHeaderFirstDirectorySector = 48;
inline constexpr std::size_t kCfbHeaderFirstMiniFatSector = 60;
inline constexpr std::size_t kCfbHeaderFirstDifatSector = 68;
inline constexpr std::size_t kCfbHeaderDifat = 76;  // 109 entries of 4 bytes
// Byte offsets of directory entry fields, relative to DirectoryEntryOffset() ([MS-CFB] 2.6.1).
inline constexpr std::size_t kCfbEntryType = 66;
inline constexpr std::size_t kCfbEntryLeftSibling = 68;
inline constexpr std::size_t kCfbEntryRightSibling = 72;
inline constexpr std::size_t kCfbEntryChild = 76;
inline constexpr std::size_t kCfbEntryStartSector = 116;
inline constexpr std::size_t kCfbEntryStreamSize = 120;

// Writes a compound file holding `streams` in its root storage. Fills
// `layout` when given. Throws std::invalid_argument for a name longer than
// 31 units, a storage with bytes or an unsupported sector size.
std::vector<std::uint8_t> WriteCompoundFile(const std::vector<CfbStream>& streams,
                                            const CfbOptions& options = {}, CfbLayout* layout = nullptr);

// Overwrite little-endian values in a written file (for damaging it).
void PutU32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value);
void PutU64(std::vector<std::uint8_t>& file, std::size_t offset, std::uint64_t value);

}  // namespace tabulox::testing
