// A small ZIP archive writer for tests (APPNOTE 4.3): stored and deflated
// members, and switches that produce the damaged or unusual archives a reader
// must cope with.
//
//   std::string zip = WriteZip({{"xl/worksheets/sheet1.xml", xml}});
//
// Offsets in the central directory and the end record are counted from the
// start of the archive proper, so `ZipOptions::prefix` shifts every member
// away from where the directory says it is.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulox::testing {

struct ZipEntry {
  ZipEntry(std::string name_, std::string data_, std::uint16_t method_ = 8)
      : name(std::move(name_)), data(std::move(data_)), method(method_) {}

  std::string name;  // as stored; "/" separators as ZIP writers use them
  std::string data;  // the uncompressed content
  // 0 stores, 8 deflates; any other number is written with the data stored
  // under that method number.
  std::uint16_t method = 8;
  // Flag bit 3: zero CRC and sizes in the local header, a 16-byte descriptor
  // (with its signature) after the data.
  bool dataDescriptor = false;
  // With dataDescriptor: the local header states the real CRC and sizes too,
  // as some writers do.
  bool sizesInLocalHeader = false;
  bool encrypted = false;            // flag bit 0 only; the data is not actually encrypted
  std::uint16_t versionMadeBy = 20;  // high byte is the host system (0 = MS-DOS)
  // Overrides of what the headers state.
  std::optional<std::uint32_t> statedCrc;
  std::optional<std::uint32_t> statedUncompressedSize;
  std::optional<std::uint32_t> statedCompressedSize;
  // Bytes written as the member's data instead of the encoded content; the
  // stated compressed size is their length.
  std::optional<std::string> rawData;
};

struct ZipOptions {
  std::string prefix;                        // junk before the first member
  std::string comment;                       // archive comment, up to 65535 bytes
  bool corruptCentralDirectory = false;      // breaks the signature of the first central header
  bool duplicateFirstCentralHeader = false;  // lists the first member twice (same offset)
  bool reverseCentralDirectory = false;      // central headers in the reverse order of the members
  std::uint16_t thisDisk = 0;                // "number of this disk" in the end record
};

// Raw deflate (no zlib header) of `data` at the default level.
std::string DeflateRaw(std::string_view data);

// Raw deflate of content made block by block: `next` appends the next block to
// the string it is given and returns false when there is none. The content is
// never held whole; its CRC-32 and length are given back. (For a member far
// larger than memory should hold: set rawData, statedCrc and
// statedUncompressedSize of its ZipEntry from these.)
std::string DeflateGenerated(const std::function<bool(std::string&)>& next, std::uint32_t& crc,
                             std::uint64_t& size);

// CRC-32 as APPNOTE 4.4.7 defines it.
std::uint32_t Crc32(std::string_view data);

// The bytes of an archive holding `entries` in this order.
std::string WriteZip(const std::vector<ZipEntry>& entries, const ZipOptions& options = {});

// A view of a string's bytes, for ZipArchive::OpenBuffer.
std::span<const std::uint8_t> Bytes(const std::string& s);

// Writes `bytes` to `path`, replacing the file; false on failure.
bool WriteFile(const std::string& path, std::string_view bytes);

}  // namespace tabulox::testing
