#include "xls/compound_file.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/byte_reader.h"
#include "core/extraction_error.h"

namespace tabulox {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// [MS-CFB] 2.1: sector numbers above MAXREGSECT are markers, not sectors.
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
// [MS-CFB] 2.6.1: the sibling or child pointer that points nowhere.
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// [MS-CFB] 2.2: the header fields occupy the first 512 bytes of the first sector.
constexpr std::size_t kHeaderFieldsSize = 512;
constexpr std::size_t kSectorShiftOffset = 30;
constexpr std::size_t kFirstDirectorySectorOffset = 48;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::uint16_t kSectorShiftVersion3 = 9;   // 512-byte sectors
constexpr std::uint16_t kSectorShiftVersion4 = 12;  // 4096-byte sectors
constexpr std::uint16_t kMiniSectorShift = 6;
constexpr std::uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
constexpr std::uint32_t kDirectoryEntrySize = 128;
constexpr std::size_t kNameUnits = 32;  // 64 bytes of UTF-16, terminating null included

// [MS-CFB] 2.6.1 object types.
constexpr std::uint8_t kStorageObject = 1;
constexpr std::uint8_t kStreamObject = 2;
constexpr std::uint8_t kRootStorageObject = 5;

bool IsEndMarker(std::uint32_t sector) { return sector == kEndOfChain || sector == kFreeSector; }

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor) {
  return value / divisor + (value % divisor != 0 ? 1 : 0);
}

// Follows a chain through `table` from `start` until ENDOFCHAIN or until
// `limit` entries are collected, whichever comes first. Every step lands on a
// new index below table.size(), so the walk ends after at most table.size()
// steps; a revisited index, an index outside the table or any other marker
// raises ExtractionError naming `what`.
std::vector<std::uint32_t> FollowChain(std::span<const std::uint32_t> table, std::uint32_t start,
                                       std::uint64_t limit, const char* what) {
  std::vector<std::uint32_t> chain;
  std::vector<bool> visited(table.size());
  for (std::uint32_t index = start; index != kEndOfChain && chain.size() < limit;
       index = table[index]) {
    if (index == kFreeSector) throw ExtractionError(std::string(what) + ": chain runs into a free sector");
    if (index > kMaxRegularSector) throw ExtractionError(std::string(what) + ": chain runs into a reserved marker");
    if (index >= table.size()) throw ExtractionError(std::string(what) + ": chain points outside the file");
    if (visited[index]) throw ExtractionError(std::string(what) + ": chain loops back on itself");
    visited[index] = true;
    chain.push_back(index);
  }
  return chain;
}

// How many sectors from `start` on follow one another in `table` (each entry
// naming the next sector), counting `start` and stopping at `most`; 0 when
// `start` is outside the table.
std::uint64_t ConsecutiveRun(std::span<const std::uint32_t> table, std::uint32_t start,
                             std::uint64_t most) {
  if (start >= table.size() || most == 0) return 0;
  std::uint64_t run = 1;
  for (std::size_t s = start; run < most && s + 1 < table.size() && table[s] == s + 1; ++s) ++run;
  return run;
}

// The limit for FollowChain that collects a chain up to its ENDOFCHAIN.
constexpr std::uint64_t kWholeChain = std::numeric_limits<std::uint64_t>::max();

// Simple upper-case mapping of one UTF-16 code unit for the scripts whose
// letters appear in stream names ([MS-CFB] 2.6.4 compares names upper-cased).
char16_t FoldCase(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) ||
      (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) || (c >= 0x0430 && c <= 0x044F)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c == 0x00FF) return 0x0178;
  if (c == 0x03C2) return 0x03A3;
  if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
  return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

void AppendBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

bool HasCompoundFileSignature(std::span<const std::uint8_t> file) {
  return file.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), file.begin());
}

std::unique_ptr<CompoundFile> CompoundFile::Open(std::span<const std::uint8_t> file,
                                                       std::string& lastError) {
  lastError.clear();
  std::unique_ptr<CompoundFile> storage(new CompoundFile(file));
  try {
    storage->ReadHeader();
    storage->ReadFat();
    storage->ReadDirectory();
    storage->CollectRootChildren();
    storage->ReadMiniFat();
  } catch (const ExtractionError& error) {
    lastError = error.what();
    return nullptr;
  }
  return storage;
}

// [MS-CFB] 2.2. The header's counts of FAT, directory, mini FAT and DIFAT
// sectors are not used: real writers get them wrong, and the chains and the
// file size bound everything instead. Neither the major version nor the
// byte-order mark is checked (files with a wrong mark exist); the sector
// shift alone decides between the 512- and 4096-byte layouts.
void CompoundFile::ReadHeader() {
  if (!HasCompoundFileSignature(file_)) throw ExtractionError("no compound-file signature");
  if (file_.size() < kHeaderFieldsSize) throw ExtractionError("file too small for a compound-file header");

  ByteReader header(file_);
  header.seek(kSectorShiftOffset);
  const std::uint16_t sectorShift = header.u16le();
  const std::uint16_t miniSectorShift = header.u16le();
  if (sectorShift != kSectorShiftVersion3 && sectorShift != kSectorShiftVersion4) {
    throw ExtractionError("unsupported sector size");
  }
  if (miniSectorShift != kMiniSectorShift) throw ExtractionError("unsupported mini sector size");
  sectorSize_ = 1u << sectorShift;
  if (file_.size() < sectorSize_) throw ExtractionError("file too small for its header sector");

  header.seek(kFirstDirectorySectorOffset);
  firstDirectorySector_ = header.u32le();
  header.skip(4);  // transaction signature
  miniStreamCutoff_ = header.u32le();
  firstMiniFatSector_ = header.u32le();
  header.skip(4);  // number of mini FAT sectors
  firstDifatSector_ = header.u32le();
  header.skip(4);  // number of DIFAT sectors
  headerDifat_.resize(kHeaderDifatEntries);
  for (std::uint32_t& entry : headerDifat_) entry = header.u32le();

  // Sector n starts at (n + 1) * sectorSize_; a last sector cut short by the
  // end of the file still counts, and sectors past MAXREGSECT cannot be named.
  const std::uint64_t sectors = CeilDiv(file_.size() - sectorSize_, sectorSize_);
  sectorCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, kMaxRegularSector + 1ull));
}

std::span<const std::uint8_t> CompoundFile::SectorBytes(std::uint32_t sector) const {
  ByteReader reader(file_);
  reader.seek((static_cast<std::size_t>(sector) + 1) * sectorSize_);
  return reader.bytes(std::min<std::size_t>(sectorSize_, reader.remaining()));
}

// [MS-CFB] 2.5 and 2.3. The DIFAT is the header's 109 entries followed by
// those of the DIFAT sectors (the last entry of each DIFAT sector names the
// next one). It is read until its first FREESECT or ENDOFCHAIN entry, or until
// it names enough FAT sectors to describe every sector of the file; FAT
// entries beyond the file are never needed.
void CompoundFile::ReadFat() {
  const std::uint32_t entriesPerSector = sectorSize_ / 4;
  const std::uint64_t fatSectorsNeeded = CeilDiv(sectorCount_, entriesPerSector);

  std::vector<std::uint32_t> fatSectors;
  bool difatEnded = false;
  auto take = [&](std::uint32_t entry) {
    if (IsEndMarker(entry)) {
      difatEnded = true;
    } else {
      fatSectors.push_back(entry);
    }
  };
  for (std::uint32_t entry : headerDifat_) {
    if (difatEnded || fatSectors.size() >= fatSectorsNeeded) break;
    take(entry);
  }

  std::vector<bool> visited(sectorCount_);
  std::uint32_t difatSector = firstDifatSector_;
  while (!difatEnded && fatSectors.size() < fatSectorsNeeded && !IsEndMarker(difatSector)) {
    if (difatSector >= sectorCount_) throw ExtractionError("DIFAT sector outside the file");
    if (visited[difatSector]) throw ExtractionError("DIFAT chain loops back on itself");
    visited[difatSector] = true;
    ByteReader reader(SectorBytes(difatSector));
    for (std::uint32_t i = 0; i + 1 < entriesPerSector; ++i) {
      const std::uint32_t entry = reader.u32le();
      if (!difatEnded && fatSectors.size() < fatSectorsNeeded) take(entry);
    }
    difatSector = reader.u32le();
  }

  fat_.assign(sectorCount_, kFreeSector);
  std::size_t index = 0;
  for (std::uint32_t fatSector : fatSectors) {
    if (fatSector >= sectorCount_) throw ExtractionError("FAT sector outside the file");
    ByteReader reader(SectorBytes(fatSector));
    for (std::uint32_t i = 0; i < entriesPerSector && index < fat_.size() && reader.remaining() >= 4; ++i) {
      fat_[index++] = reader.u32le();
    }
  }
}

// [MS-CFB] 2.6: the directory sectors hold 128-byte entries; entry 0 is the root storage.
void CompoundFile::ReadDirectory() {
  const std::vector<std::uint32_t> chain = FollowChain(fat_, firstDirectorySector_, kWholeChain, "directory");
  if (chain.empty()) throw ExtractionError("compound file has no directory");
  directory_.reserve(chain.size() * (sectorSize_ / kDirectoryEntrySize));
  for (std::uint32_t sector : chain) {
    ByteReader reader(SectorBytes(sector));
    while (reader.remaining() >= kDirectoryEntrySize) {
      ByteReader entryReader(reader.bytes(kDirectoryEntrySize));
      DirectoryEntry entry;
      std::array<char16_t, kNameUnits> name{};
      for (char16_t& unit : name) unit = entryReader.u16le();
      const std::size_t nameUnits = std::min<std::size_t>(entryReader.u16le() / 2, kNameUnits);
      const auto nameEnd = name.begin() + static_cast<std::ptrdiff_t>(nameUnits);
      entry.name.assign(name.begin(), std::find(name.begin(), nameEnd, u'\0'));
      entry.type = entryReader.u8();
      entryReader.skip(1);  // red-black colour
      entry.leftSibling = entryReader.u32le();
      entry.rightSibling = entryReader.u32le();
      entry.child = entryReader.u32le();
      entryReader.skip(16 + 4 + 8 + 8);  // CLSID, state bits, creation and modification times
      entry.startSector = entryReader.u32le();
      entry.size = entryReader.u64le();
      directory_.push_back(std::move(entry));
    }
  }
  if (directory_.empty() || directory_[0].type != kRootStorageObject) {
    throw ExtractionError("directory has no root entry");
  }
}

// [MS-CFB] 2.6.4: the root's children form a tree through the left and right
// sibling pointers, starting at the root's child pointer. Walked in order with
// an explicit stack; every entry may be entered once, so a tree that refers
// back to one of its own entries (or to the root) is rejected.
void CompoundFile::CollectRootChildren() {
  std::vector<bool> visited(directory_.size());
  visited[0] = true;
  // An entry that is neither stream nor storage (unused, or garbage left by a
  // careless writer) ends its branch: its pointers mean nothing.
  auto isObject = [this](std::uint32_t id) {
    return directory_[id].type == kStorageObject || directory_[id].type == kStreamObject;
  };
  auto enter = [&](std::uint32_t id) {
    if (id >= directory_.size()) throw ExtractionError("directory entry outside the directory");
    if (visited[id]) throw ExtractionError("directory tree refers to itself");
    visited[id] = true;
  };

  std::vector<std::uint32_t> pending;
  std::uint32_t node = directory_[0].child;
  while (node != kNoStream || !pending.empty()) {
    while (node != kNoStream) {
      enter(node);
      if (!isObject(node)) break;
      pending.push_back(node);
      node = directory_[node].leftSibling;
    }
    if (pending.empty()) break;
    node = pending.back();
    pending.pop_back();
    rootChildren_.push_back(node);
    node = directory_[node].rightSibling;
  }
}

// [MS-CFB] 2.4: the mini FAT is a chain of regular sectors of 32-bit entries.
void CompoundFile::ReadMiniFat() {
  if (IsEndMarker(firstMiniFatSector_)) return;
  const std::vector<std::uint32_t> chain = FollowChain(fat_, firstMiniFatSector_, kWholeChain, "mini FAT");
  miniFat_.reserve(chain.size() * (sectorSize_ / 4));
  for (std::uint32_t sector : chain) {
    ByteReader reader(SectorBytes(sector));
    while (reader.remaining() >= 4) miniFat_.push_back(reader.u32le());
  }
}

// [MS-CFB] 2.6.3: in a version 3 file the high 32 bits of a stream size may
// hold garbage and are ignored.
std::uint64_t CompoundFile::StreamSize(const DirectoryEntry& entry) const {
  return sectorSize_ == (1u << kSectorShiftVersion3) ? entry.size & 0xFFFFFFFFu : entry.size;
}

std::vector<std::uint32_t> CompoundFile::RegularStreamChain(std::uint32_t start,
                                                               std::uint64_t size) const {
  if (size > file_.size()) throw ExtractionError("stream size larger than the file");
  const std::uint64_t sectorsNeeded = CeilDiv(size, sectorSize_);
  std::vector<std::uint32_t> chain = FollowChain(fat_, start, sectorsNeeded, "stream");
  if (chain.size() < sectorsNeeded) throw ExtractionError("stream size larger than its chain");
  return chain;
}

std::vector<std::uint8_t> CompoundFile::GatherRegularStream(const std::vector<std::uint32_t>& chain,
                                                               std::uint64_t size) const {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(size));
  for (std::uint32_t sector : chain) {
    ByteReader reader(SectorBytes(sector));
    AppendBytes(out, reader.bytes(std::min<std::size_t>(sectorSize_, static_cast<std::size_t>(size) - out.size())));
  }
  return out;
}

std::vector<std::uint8_t> CompoundFile::ReadRegularStream(std::uint32_t start, std::uint64_t size) const {
  return GatherRegularStream(RegularStreamChain(start, size), size);
}

// [MS-CFB] 2.4: a stream below the cutoff is a chain of 64-byte mini sectors
// in the mini FAT; mini sector n is at byte n * 64 of the mini stream, which is
// the root entry's stream of regular sectors.
std::vector<std::uint8_t> CompoundFile::ReadMiniStream(std::uint32_t start, std::uint64_t size) const {
  const DirectoryEntry& root = directory_[0];
  const std::uint64_t miniStreamSize = StreamSize(root);
  if (miniStreamSize > file_.size()) throw ExtractionError("mini stream size larger than the file");
  const std::uint64_t miniStreamSectors = CeilDiv(miniStreamSize, sectorSize_);
  const std::vector<std::uint32_t> container = FollowChain(fat_, root.startSector, miniStreamSectors, "mini stream");
  if (container.size() < miniStreamSectors) throw ExtractionError("mini stream size larger than its chain");

  const std::size_t miniSectorsInStream =
      std::min<std::size_t>(miniFat_.size(), static_cast<std::size_t>(CeilDiv(miniStreamSize, kMiniSectorSize)));
  const std::uint64_t miniSectorsNeeded = CeilDiv(size, kMiniSectorSize);
  const std::vector<std::uint32_t> chain =
      FollowChain(std::span(miniFat_).first(miniSectorsInStream), start, miniSectorsNeeded, "stream in the mini stream");
  if (chain.size() < miniSectorsNeeded) throw ExtractionError("stream size larger than its chain");

  const std::uint32_t miniSectorsPerSector = sectorSize_ / kMiniSectorSize;
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(size));
  for (std::uint32_t miniSector : chain) {
    ByteReader reader(SectorBytes(container[miniSector / miniSectorsPerSector]));
    reader.seek((miniSector % miniSectorsPerSector) * kMiniSectorSize);
    AppendBytes(out, reader.bytes(std::min<std::size_t>(kMiniSectorSize, static_cast<std::size_t>(size) - out.size())));
  }
  return out;
}

const CompoundFile::DirectoryEntry* CompoundFile::FindStream(std::u16string_view name) const {
  for (std::uint32_t id : rootChildren_) {
    const DirectoryEntry& entry = directory_[id];
    if (entry.type == kStreamObject && NamesEqual(entry.name, name)) return &entry;
  }
  return nullptr;
}

std::optional<std::vector<std::uint8_t>> CompoundFile::OpenStream(std::u16string_view name) const {
  const DirectoryEntry* entry = FindStream(name);
  if (entry == nullptr) return std::nullopt;
  const std::uint64_t size = StreamSize(*entry);
  return size < miniStreamCutoff_ ? ReadMiniStream(entry->startSector, size)
                                  : ReadRegularStream(entry->startSector, size);
}

std::optional<StreamBytes> CompoundFile::OpenStreamBytes(std::u16string_view name) const {
  const DirectoryEntry* entry = FindStream(name);
  if (entry == nullptr) return std::nullopt;
  const std::uint64_t size = StreamSize(*entry);
  if (size < miniStreamCutoff_) return StreamBytes(ReadMiniStream(entry->startSector, size));
  // Most writers store a stream's sectors one after another: such a run is
  // seen in the FAT directly, without collecting its chain. It is the chain
  // that following it would give (every step lands on the next sector, so on
  // a regular sector of the table, never on one seen before).
  const std::uint64_t sectorsNeeded = CeilDiv(size, sectorSize_);
  if (sectorsNeeded > 0 && ConsecutiveRun(fat_, entry->startSector, sectorsNeeded) == sectorsNeeded) {
    const std::uint64_t begin = (std::uint64_t{entry->startSector} + 1) * sectorSize_;
    if (begin <= file_.size() && size <= file_.size() - begin)
      return StreamBytes(file_.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(size)));
  }
  const std::vector<std::uint32_t> chain = RegularStreamChain(entry->startSector, size);
  // Sector n starts at byte (n + 1) * sectorSize_: a run of consecutive
  // sectors is one range of the file, if the file holds all of it.
  const bool consecutive =
      std::adjacent_find(chain.begin(), chain.end(), [](std::uint32_t a, std::uint32_t b) {
        return b != a + 1;
      }) == chain.end();
  if (consecutive && !chain.empty()) {
    const std::uint64_t begin = (std::uint64_t{chain.front()} + 1) * sectorSize_;
    if (begin <= file_.size() && size <= file_.size() - begin)
      return StreamBytes(file_.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(size)));
  }
  return StreamBytes(GatherRegularStream(chain, size));
}

std::vector<std::u16string> CompoundFile::RootEntryNames() const {
  std::vector<std::u16string> names;
  names.reserve(rootChildren_.size());
  for (std::uint32_t id : rootChildren_) names.push_back(directory_[id].name);
  return names;
}

}  // namespace tabulox
