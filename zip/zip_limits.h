// Limits that keep a hostile archive from running the machine out of memory.
// A member that breaks one of them is not extracted; it is never an error.
#pragma once

#include <cstdint>

namespace tabulox {

// Largest archive file that is read. The reader holds the archive in memory
// while its member list is cached; without ZIP64 records, which are not
// supported, all offsets and sizes are 32-bit, so a larger file is not an
// archive this reader could use.
inline constexpr std::uint64_t kMaxArchiveFileSize = 0x100000000ull;

// Largest stated uncompressed size of a member that is extracted. A member is
// extracted whole into one in-memory block and then parsed into an item tree
// several times its size; 2 GiB - 1 is also the most a signed 32-bit stream
// position can address, so no workbook that 32-bit spreadsheet tools can open
// is refused. (0xFFFFFFFF is APPNOTE's ZIP64 marker, which is not supported.)
inline constexpr std::uint32_t kMaxMemberUncompressedSize = 0x7FFFFFFFu;

// Largest stated ratio of uncompressed to compressed size. Deflate cannot
// exceed about 1032:1 (a 258-byte match coded in 1 bit and change), so a
// larger stated ratio is a lie or a bomb; real worksheet parts compress well
// below 100:1.
inline constexpr std::uint32_t kMaxCompressionRatio = 1000;

// Members whose stated uncompressed size is at most this are never refused for
// their ratio: the memory they can take is harmless, and tiny members (an empty
// sharedStrings.xml, a 0-byte stored member) have meaningless ratios.
inline constexpr std::uint32_t kRatioCheckFloor = 8u * 1024u * 1024u;

// True when a member with these stated sizes may be decoded.
constexpr bool MemberSizesAcceptable(std::uint32_t compressedSize, std::uint32_t uncompressedSize) {
  if (uncompressedSize > kMaxMemberUncompressedSize) return false;
  if (uncompressedSize <= kRatioCheckFloor) return true;
  return static_cast<std::uint64_t>(uncompressedSize) <=
         static_cast<std::uint64_t>(compressedSize) * kMaxCompressionRatio;
}

}  // namespace tabulox
