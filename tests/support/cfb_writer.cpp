#include "support/cfb_writer.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace tabulox::testing {
namespace {

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kEntrySize = 128;
constexpr std::size_t kHeaderDifatEntries = 109;

std::uint32_t CeilDiv(std::size_t value, std::size_t divisor) {
  return static_cast<std::uint32_t>((value + divisor - 1) / divisor);
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// [MS-CFB] 2.6.4: shorter names first, then code unit by code unit, upper-cased.
bool CfbNameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return Upper(x) < Upper(y); });
}

struct Entry {
  std::u16string name;
  std::uint8_t type = 0;
  std::uint8_t color = 1;  // black
  std::uint32_t left = kNoStream;
  std::uint32_t right = kNoStream;
  std::uint32_t child = kNoStream;
  std::uint32_t start = 0;
  std::uint64_t size = 0;
};

// Builds a balanced search tree over sorted[lo, hi) and returns its root. Levels
// above `redDepth` are complete, so colouring the nodes at `redDepth` red and
// all others black gives a valid red-black tree.
std::uint32_t BuildTree(std::vector<Entry>& entries, const std::vector<std::uint32_t>& sorted, std::size_t lo,
                        std::size_t hi, int depth, int redDepth) {
  if (lo >= hi) return kNoStream;
  const std::size_t mid = lo + (hi - lo) / 2;
  Entry& node = entries[sorted[mid]];
  node.color = depth >= redDepth ? 0 : 1;
  const std::uint32_t left = BuildTree(entries, sorted, lo, mid, depth + 1, redDepth);
  const std::uint32_t right = BuildTree(entries, sorted, mid + 1, hi, depth + 1, redDepth);
  entries[sorted[mid]].left = left;
  entries[sorted[mid]].right = right;
  return sorted[mid];
}

}  // namespace

void PutU32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutU64(std::vector<std::uint8_t>& file, std::size_t offset, std::uint64_t value) {
  PutU32(file, offset, static_cast<std::uint32_t>(value));
  PutU32(file, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

std::size_t CfbLayout::SectorOffset(std::uint32_t sector) const {
  return (static_cast<std::size_t>(sector) + 1) * sectorSize;
}

std::size_t CfbLayout::FatEntryOffset(std::uint32_t sector) const {
  const std::uint32_t perSector = sectorSize / 4;
  return SectorOffset(fatSectors.at(sector / perSector)) + (sector % perSector) * 4;
}

std::size_t CfbLayout::MiniFatEntryOffset(std::uint32_t miniSector) const {
  const std::uint32_t perSector = sectorSize / 4;
  return SectorOffset(miniFatSectors.at(miniSector / perSector)) + (miniSector % perSector) * 4;
}

std::size_t CfbLayout::DirectoryEntryOffset(std::uint32_t entry) const {
  const std::uint32_t perSector = sectorSize / kEntrySize;
  return SectorOffset(directorySectors.at(entry / perSector)) + (entry % perSector) * kEntrySize;
}

std::vector<std::uint8_t> WriteCompoundFile(const std::vector<CfbStream>& streams, const CfbOptions& options,
                                            CfbLayout* layoutOut) {
  const std::uint32_t sectorSize = options.sectorSize;
  if (sectorSize != 512 && sectorSize != 4096) throw std::invalid_argument("sector size must be 512 or 4096");
  const std::uint32_t perFatSector = sectorSize / 4;

  CfbLayout layout;
  layout.sectorSize = sectorSize;

  // Mini sectors and regular sectors each stream needs.
  std::uint32_t miniSectorCount = 0;
  std::uint32_t regularSectorCount = 0;
  for (const CfbStream& stream : streams) {
    if (stream.name.size() > 31) throw std::invalid_argument("compound-file names hold at most 31 units");
    if (stream.isStorage && !stream.bytes.empty()) throw std::invalid_argument("a storage holds no bytes");
    const bool mini = stream.bytes.size() < kMiniStreamCutoff;
    layout.inMiniStream.push_back(mini && !stream.isStorage);
    if (mini) {
      miniSectorCount += CeilDiv(stream.bytes.size(), kMiniSectorSize);
    } else {
      regularSectorCount += CeilDiv(stream.bytes.size(), sectorSize);
    }
  }
  const std::uint32_t directorySectorCount = CeilDiv((streams.size() + 1) * kEntrySize, sectorSize);
  const std::uint32_t miniFatSectorCount = CeilDiv(miniSectorCount * 4ull, sectorSize);
  const std::uint32_t miniStreamSectorCount = CeilDiv(miniSectorCount * std::size_t{kMiniSectorSize}, sectorSize);
  const std::uint32_t dataSectors = directorySectorCount + miniFatSectorCount + miniStreamSectorCount + regularSectorCount;

  // The FAT describes itself and the DIFAT too: grow both until they fit.
  std::uint32_t fatCount = 1;
  std::uint32_t difatCount = 0;
  for (;;) {
    const std::uint32_t needed = CeilDiv(dataSectors + fatCount + difatCount, perFatSector);
    const std::uint32_t difatNeeded = needed > kHeaderDifatEntries ? CeilDiv(needed - kHeaderDifatEntries, perFatSector - 1) : 0;
    if (needed <= fatCount && difatNeeded <= difatCount) break;
    fatCount = std::max(fatCount, needed);
    difatCount = std::max(difatCount, difatNeeded);
  }
  const std::uint32_t totalSectors = fatCount + difatCount + dataSectors;

  std::uint32_t next = 0;
  auto allocate = [&next](std::vector<std::uint32_t>& into, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) into.push_back(next++);
  };
  allocate(layout.fatSectors, fatCount);
  allocate(layout.difatSectors, difatCount);
  allocate(layout.directorySectors, directorySectorCount);
  allocate(layout.miniFatSectors, miniFatSectorCount);
  allocate(layout.miniStreamSectors, miniStreamSectorCount);

  std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatCount) * perFatSector, kFreeSect);
  std::vector<std::uint32_t> miniFat(static_cast<std::size_t>(miniFatSectorCount) * perFatSector, kFreeSect);
  auto chain = [](std::vector<std::uint32_t>& table, const std::vector<std::uint32_t>& sectors) {
    for (std::size_t i = 0; i < sectors.size(); ++i) table[sectors[i]] = i + 1 < sectors.size() ? sectors[i + 1] : kEndOfChain;
  };
  for (std::uint32_t s : layout.fatSectors) fat[s] = kFatSect;
  for (std::uint32_t s : layout.difatSectors) fat[s] = kDifSect;
  chain(fat, layout.directorySectors);
  chain(fat, layout.miniFatSectors);
  chain(fat, layout.miniStreamSectors);

  std::vector<std::uint8_t> file((static_cast<std::size_t>(totalSectors) + 1) * sectorSize, 0);
  std::vector<Entry> entries(1 + streams.size());
  std::uint32_t nextMini = 0;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const CfbStream& stream = streams[i];
    Entry& entry = entries[i + 1];
    entry.name = stream.name;
    entry.type = stream.isStorage ? 1 : 2;
    entry.size = stream.bytes.size();
    entry.start = kEndOfChain;
    std::vector<std::uint32_t> sectors;
    if (layout.inMiniStream[i]) {
      for (std::uint32_t n = CeilDiv(stream.bytes.size(), kMiniSectorSize); n > 0; --n) sectors.push_back(nextMini++);
      chain(miniFat, sectors);
      const std::size_t base = static_cast<std::size_t>(sectors.empty() ? 0 : sectors[0]) * kMiniSectorSize;
      for (std::size_t b = 0; b < stream.bytes.size(); ++b) {
        const std::size_t at = base + b;
        file[layout.SectorOffset(layout.miniStreamSectors[at / sectorSize]) + at % sectorSize] = stream.bytes[b];
      }
    } else if (!stream.isStorage) {
      allocate(sectors, CeilDiv(stream.bytes.size(), sectorSize));
      chain(fat, sectors);
      std::copy(stream.bytes.begin(), stream.bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(layout.SectorOffset(sectors[0])));
    }
    if (!sectors.empty()) entry.start = sectors[0];
    layout.startSectors.push_back(entry.start);
  }

  Entry& root = entries[0];
  root.name = u"Root Entry";
  root.type = 5;
  root.start = layout.miniStreamSectors.empty() ? kEndOfChain : layout.miniStreamSectors[0];
  root.size = static_cast<std::uint64_t>(miniSectorCount) * kMiniSectorSize;
  std::vector<std::uint32_t> sorted(streams.size());
  std::iota(sorted.begin(), sorted.end(), 1u);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return CfbNameLess(entries[a].name, entries[b].name); });
  int redDepth = 0;
  while ((std::size_t{2} << redDepth) - 1 <= sorted.size()) ++redDepth;
  root.child = BuildTree(entries, sorted, 0, sorted.size(), 0, redDepth);

  // Header, [MS-CFB] 2.2.
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(std::begin(signature), std::end(signature), file.begin());
  auto put16 = [&file](std::size_t at, std::uint16_t v) {
    file[at] = static_cast<std::uint8_t>(v);
    file[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  put16(24, 0x003E);
  put16(26, sectorSize == 512 ? 3 : 4);
  put16(28, 0xFFFE);
  put16(kCfbHeaderSectorShift, sectorSize == 512 ? 9 : 12);
  put16(kCfbHeaderMiniSectorShift, 6);
  PutU32(file, 40, sectorSize == 512 ? 0 : directorySectorCount);
  PutU32(file, 44, fatCount);
  PutU32(file, kCfbHeaderFirstDirectorySector, layout.directorySectors[0]);
  PutU32(file, 56, kMiniStreamCutoff);
  PutU32(file, kCfbHeaderFirstMiniFatSector, layout.miniFatSectors.empty() ? kEndOfChain : layout.miniFatSectors[0]);
  PutU32(file, 64, miniFatSectorCount);
  PutU32(file, kCfbHeaderFirstDifatSector, layout.difatSectors.empty() ? kEndOfChain : layout.difatSectors[0]);
  PutU32(file, 72, difatCount);

  // DIFAT: the header's 109 entries, then perFatSector - 1 per DIFAT sector
  // with the last entry naming the next DIFAT sector.
  for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
    PutU32(file, kCfbHeaderDifat + 4 * i, i < fatCount ? layout.fatSectors[i] : kFreeSect);
  }
  std::size_t fatIndex = kHeaderDifatEntries;
  for (std::size_t d = 0; d < layout.difatSectors.size(); ++d) {
    const std::size_t base = layout.SectorOffset(layout.difatSectors[d]);
    for (std::size_t i = 0; i + 1 < perFatSector; ++i, ++fatIndex) {
      PutU32(file, base + 4 * i, fatIndex < fatCount ? layout.fatSectors[fatIndex] : kFreeSect);
    }
    PutU32(file, base + sectorSize - 4, d + 1 < layout.difatSectors.size() ? layout.difatSectors[d + 1] : kEndOfChain);
  }

  for (std::size_t i = 0; i < fat.size(); ++i) {
    PutU32(file, layout.SectorOffset(layout.fatSectors[i / perFatSector]) + (i % perFatSector) * 4, fat[i]);
  }
  for (std::size_t i = 0; i < miniFat.size(); ++i) {
    PutU32(file, layout.MiniFatEntryOffset(static_cast<std::uint32_t>(i)), miniFat[i]);
  }

  // Directory, [MS-CFB] 2.6.1; unused entries keep NOSTREAM pointers.
  const std::size_t entrySlots = static_cast<std::size_t>(directorySectorCount) * (sectorSize / kEntrySize);
  for (std::uint32_t i = 0; i < entrySlots; ++i) {
    const Entry blank;
    const Entry& entry = i < entries.size() ? entries[i] : blank;
    const std::size_t at = layout.DirectoryEntryOffset(i);
    for (std::size_t u = 0; u < entry.name.size(); ++u) put16(at + 2 * u, entry.name[u]);
    put16(at + 64, static_cast<std::uint16_t>(entry.name.empty() ? 0 : 2 * (entry.name.size() + 1)));
    file[at + kCfbEntryType] = entry.type;
    file[at + 67] = i < entries.size() ? entry.color : 0;
    PutU32(file, at + kCfbEntryLeftSibling, entry.left);
    PutU32(file, at + kCfbEntryRightSibling, entry.right);
    PutU32(file, at + kCfbEntryChild, entry.child);
    PutU32(file, at + kCfbEntryStartSector, i < entries.size() ? entry.start : 0);
    PutU64(file, at + kCfbEntryStreamSize, entry.size);
  }

  if (layoutOut != nullptr) *layoutOut = std::move(layout);
  return file;
}

}  // namespace tabulox::testing
