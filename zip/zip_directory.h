// Reading the member list of a ZIP archive held in memory: the end of central
// directory record (APPNOTE 4.3.16), the central directory file headers
// (APPNOTE 4.3.12), and a rebuild from the local file headers (APPNOTE 4.3.7)
// when the directory is damaged. ZIP64 is not recognised.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

// APPNOTE 4.3.16, end of central directory record.
struct ZipEndRecord {
  std::uint16_t thisDisk = 0;
  std::uint16_t centralDirectoryDisk = 0;
  std::uint16_t entriesOnThisDisk = 0;
  std::uint16_t totalEntries = 0;
  std::uint32_t centralDirectorySize = 0;
  std::uint32_t centralDirectoryOffset = 0;
  std::uint16_t commentLength = 0;
  std::uint64_t positionAfterRecord = 0;  // file position after the 22 fixed bytes
};

// One archive member, from its central directory header (or, after a rebuild,
// from its local header).
struct ZipMember {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  // The name with every "/" turned into "\", split after its last "\": the
  // directory part (empty or ending in "\") and the file-name part (empty for a
  // directory entry). Name bytes are kept as stored (see SplitMemberName).
  std::string directory;
  std::string fileName;

  std::string FullName() const { return directory + fileName; }
  bool Encrypted() const { return (flags & 0x0001u) != 0; }
  bool HasDataDescriptor() const { return (flags & 0x0008u) != 0; }
};

// Searches the last 65,557 bytes (a 65,535-byte comment plus the 22-byte
// record) backwards for the end record; the occurrence nearest the end wins.
// A 0-byte file has an all-zero end record; a file of 1 to 21 bytes has none.
std::optional<ZipEndRecord> FindEndRecord(std::span<const std::uint8_t> file);

// Fills `directory` and `fileName` from the stored name bytes. Names written on
// MS-DOS hosts (host 0) are in an OEM code page; they are kept as bytes here,
// because the names that are looked up (Office Open XML part names) are ASCII,
// which every OEM code page leaves unchanged, and guessing a code page would
// only alter names nobody asks for.
void SplitMemberName(std::string_view storedName, ZipMember& member);

// Reads `end.totalEntries` central directory headers at the directory offset.
// Returns the members ordered by (diskStart, localHeaderOffset), or nothing
// when a header cannot be read or two members share the same key.
std::optional<std::vector<ZipMember>> ReadCentralDirectory(std::span<const std::uint8_t> file,
                                                                const ZipEndRecord& end);

struct ZipDirectory {
  ZipEndRecord end;
  std::vector<ZipMember> members;  // ordered by (diskStart, localHeaderOffset)
};

// Rebuilds the list from local headers, starting the search for the first one
// at `searchStart`; then completes the records from central directory headers
// found right after the last member. The end record of the result holds the
// number of members found and the position after the last one. `onProgress`
// is called after every 10,240 bytes scanned. No local header: no members.
ZipDirectory RebuildFromLocalHeaders(std::span<const std::uint8_t> file, std::size_t searchStart,
                                      const std::function<void()>& onProgress);

// Where the rebuild starts searching: byte 14,000 for a self-extracting
// program (extension ".EXE" in any case), else 0.
std::size_t RebuildSearchStart(std::string_view archiveName);

// The member list of an archive: nothing when the file has no end record; an
// empty list for an empty archive and for a multi-volume archive (an end
// record whose disk number is not 0), whose other volumes are never looked
// for. A damaged directory is rebuilt from local headers; raises ZipFormatError
// when that finds nothing.
std::optional<ZipDirectory> ReadZipDirectory(std::span<const std::uint8_t> file,
                                              std::string_view archiveName,
                                              const std::function<void()>& onProgress);

}  // namespace tabulox
