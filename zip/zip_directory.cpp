#include "zip/zip_directory.h"

#include <algorithm>
#include <limits>

#include "core/byte_reader.h"
#include "zip/zip_errors.h"

namespace tabulox {
namespace {

constexpr std::uint32_t kEndRecordSignature = 0x06054b50;      // APPNOTE 4.3.16
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;  // APPNOTE 4.3.12
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;    // APPNOTE 4.3.7
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentLength = 65535;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kDataDescriptorSize = 16;  // signature, CRC-32, two sizes
constexpr std::size_t kSelfExtractorStubSize = 14000;
constexpr std::size_t kScanProgressInterval = 10240;

bool HasSignature(std::span<const std::uint8_t> file, std::size_t pos, std::uint32_t signature) {
  if (pos > file.size() || file.size() - pos < 4) return false;
  ByteReader r(file);
  r.seek(pos);
  return r.u32le() == signature;
}

bool KeyLess(const ZipMember& a, const ZipMember& b) {
  if (a.diskStart != b.diskStart) return a.diskStart < b.diskStart;
  return a.localHeaderOffset < b.localHeaderOffset;
}

bool SameKey(const ZipMember& a, const ZipMember& b) {
  return a.diskStart == b.diskStart && a.localHeaderOffset == b.localHeaderOffset;
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The fields that local and central headers share, from version needed to
// extra field length (APPNOTE 4.3.7, 4.3.12).
void ReadSharedHeaderFields(ByteReader& r, ZipMember& m) {
  m.versionNeeded = r.u16le();
  m.flags = r.u16le();
  m.method = r.u16le();
  m.dosTime = r.u16le();
  m.dosDate = r.u16le();
  m.crc32 = r.u32le();
  m.compressedSize = r.u32le();
  m.uncompressedSize = r.u32le();
  m.nameLength = r.u16le();
  m.extraLength = r.u16le();
}

// Reads one central directory header at the cursor; false (cursor undefined)
// when the signature is wrong or the fixed part or the name is cut short. The
// extra field and comment are skipped without being required to be complete.
bool ReadCentralHeader(ByteReader& r, ZipMember& m) {
  if (r.remaining() < kCentralHeaderSize || r.u32le() != kCentralHeaderSignature) return false;
  m.versionMadeBy = r.u16le();
  ReadSharedHeaderFields(r, m);
  m.commentLength = r.u16le();
  m.diskStart = r.u16le();
  m.internalAttributes = r.u16le();
  m.externalAttributes = r.u32le();
  m.localHeaderOffset = r.u32le();
  if (r.remaining() < m.nameLength) return false;
  SplitMemberName(AsText(r.bytes(m.nameLength)), m);
  r.seek(r.position() + m.extraLength + m.commentLength);
  return true;
}

// Reads one local header at `pos` as a member record; false when it is not a
// complete local header with its name.
bool ReadLocalHeader(std::span<const std::uint8_t> file, std::size_t pos, ZipMember& m) {
  if (pos > std::numeric_limits<std::uint32_t>::max()) return false;
  ByteReader r(file);
  r.seek(pos);
  if (r.remaining() < kLocalHeaderSize || r.u32le() != kLocalHeaderSignature) return false;
  m = ZipMember{};
  ReadSharedHeaderFields(r, m);
  if (r.remaining() < m.nameLength) return false;
  SplitMemberName(AsText(r.bytes(m.nameLength)), m);
  m.localHeaderOffset = static_cast<std::uint32_t>(pos);
  return true;
}

// Position of the first local header signature at or after `start` whose
// version-needed field has a high byte below 10, or npos.
std::size_t FindFirstLocalHeader(std::span<const std::uint8_t> file, std::size_t start,
                                 const std::function<void()>& onProgress) {
  std::size_t nextProgress = start + kScanProgressInterval;
  for (std::size_t pos = start; pos + 6 <= file.size(); ++pos) {
    if (pos == nextProgress) {
      if (onProgress) onProgress();
      nextProgress += kScanProgressInterval;
    }
    if (file[pos] == 'P' && HasSignature(file, pos, kLocalHeaderSignature) && file[pos + 5] < 10)
      return pos;
  }
  return std::string_view::npos;
}

// Copies what the central directory knows about a member over the record that
// the rebuild made from its local header; the key fields stay as found.
void CompleteFromCentralHeader(const ZipMember& central, ZipMember& member) {
  const std::uint16_t disk = member.diskStart;
  const std::uint32_t offset = member.localHeaderOffset;
  member = central;
  member.diskStart = disk;
  member.localHeaderOffset = offset;
}

}  // namespace

std::optional<ZipEndRecord> FindEndRecord(std::span<const std::uint8_t> file) {
  if (file.empty()) return ZipEndRecord{};
  if (file.size() < kEndRecordSize) return std::nullopt;
  const std::size_t windowStart =
      file.size() - std::min(file.size(), kMaxCommentLength + kEndRecordSize);
  for (std::size_t pos = file.size() - kEndRecordSize;; --pos) {
    if (HasSignature(file, pos, kEndRecordSignature)) {
      ByteReader r(file);
      r.seek(pos + 4);
      ZipEndRecord end;
      end.thisDisk = r.u16le();
      end.centralDirectoryDisk = r.u16le();
      end.entriesOnThisDisk = r.u16le();
      end.totalEntries = r.u16le();
      end.centralDirectorySize = r.u32le();
      end.centralDirectoryOffset = r.u32le();
      end.commentLength = r.u16le();
      end.positionAfterRecord = r.position();
      return end;
    }
    if (pos == windowStart) return std::nullopt;
  }
}

void SplitMemberName(std::string_view storedName, ZipMember& member) {
  std::string name(storedName);
  std::replace(name.begin(), name.end(), '/', '\\');
  const std::size_t cut = name.rfind('\\');
  const std::size_t fileStart = cut == std::string::npos ? 0 : cut + 1;
  member.directory = name.substr(0, fileStart);
  member.fileName = name.substr(fileStart);
}

std::optional<std::vector<ZipMember>> ReadCentralDirectory(std::span<const std::uint8_t> file,
                                                                const ZipEndRecord& end) {
  std::vector<ZipMember> members;
  if (end.totalEntries == 0) return members;
  if (end.centralDirectoryOffset > file.size()) return std::nullopt;
  ByteReader r(file);
  r.seek(end.centralDirectoryOffset);
  // Each header takes at least 46 bytes, which bounds what the count can claim.
  members.reserve(std::min<std::size_t>(end.totalEntries, r.remaining() / kCentralHeaderSize));
  for (std::size_t k = 0; k < end.totalEntries; ++k) {
    ZipMember m;
    if (!ReadCentralHeader(r, m)) return std::nullopt;
    members.push_back(std::move(m));
  }
  std::stable_sort(members.begin(), members.end(), KeyLess);
  if (std::adjacent_find(members.begin(), members.end(), SameKey) != members.end())
    return std::nullopt;
  return members;
}

ZipDirectory RebuildFromLocalHeaders(std::span<const std::uint8_t> file, std::size_t searchStart,
                                      const std::function<void()>& onProgress) {
  ZipDirectory rebuilt;
  std::vector<ZipMember>& members = rebuilt.members;
  std::size_t pos = FindFirstLocalHeader(file, searchStart, onProgress);
  if (pos == std::string_view::npos) return rebuilt;
  ZipMember m;
  while (pos < file.size() && ReadLocalHeader(file, pos, m)) {
    const std::size_t next = pos + kLocalHeaderSize + m.nameLength + m.extraLength +
                             m.compressedSize + (m.HasDataDescriptor() ? kDataDescriptorSize : 0);
    members.push_back(std::move(m));
    pos = next;
  }
  // Local header offsets strictly increase, so the list is already in key order.
  rebuilt.end.totalEntries =
      static_cast<std::uint16_t>(std::min<std::size_t>(members.size(), 0xFFFF));
  rebuilt.end.centralDirectoryOffset = static_cast<std::uint32_t>(
      std::min<std::size_t>(pos, std::numeric_limits<std::uint32_t>::max()));
  ByteReader r(file);
  r.seek(pos);
  for (std::size_t k = 0; k < members.size(); ++k) {
    ZipMember central;
    if (!ReadCentralHeader(r, central)) break;
    auto it = std::lower_bound(
        members.begin(), members.end(), central.localHeaderOffset,
        [](const ZipMember& a, std::uint32_t offset) { return a.localHeaderOffset < offset; });
    if (it != members.end() && it->localHeaderOffset == central.localHeaderOffset)
      CompleteFromCentralHeader(central, *it);
  }
  return rebuilt;
}

std::size_t RebuildSearchStart(std::string_view archiveName) {
  if (archiveName.size() < 4) return 0;
  std::string ext(archiveName.substr(archiveName.size() - 4));
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext == ".EXE" ? kSelfExtractorStubSize : 0;
}

std::optional<ZipDirectory> ReadZipDirectory(std::span<const std::uint8_t> file,
                                              std::string_view archiveName,
                                              const std::function<void()>& onProgress) {
  std::optional<ZipEndRecord> end = FindEndRecord(file);
  if (!end) return std::nullopt;
  ZipDirectory directory;
  directory.end = *end;
  if (end->thisDisk != 0) return directory;  // one volume of several: no members here
  if (auto members = ReadCentralDirectory(file, *end)) {
    directory.members = std::move(*members);
    return directory;
  }
  ZipDirectory rebuilt =
      RebuildFromLocalHeaders(file, RebuildSearchStart(archiveName), onProgress);
  if (rebuilt.members.empty()) throw ZipFormatError();
  directory.members = std::move(rebuilt.members);
  directory.end.totalEntries = rebuilt.end.totalEntries;
  directory.end.centralDirectoryOffset = rebuilt.end.centralDirectoryOffset;
  return directory;
}

}  // namespace tabulox
