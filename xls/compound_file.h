// Read-only access to the streams of a Compound File Binary file [MS-CFB]
// held in memory: header, DIFAT, FAT, directory, mini FAT and mini stream,
// with 512- and 4096-byte sectors.
//
// Damaged files never make the reader loop, read out of bounds or allocate
// beyond what the file can hold: every chain is bounded by the number of
// sectors present and checked for cycles, and every count is checked against
// the file size before anything is allocated from it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulox {

// True when the bytes begin with the compound-file signature D0 CF 11 E0 A1 B1 1A E1.
bool HasCompoundFileSignature(std::span<const std::uint8_t> file);

// The bytes of one stream: a view of the file where the stream's sectors
// follow one another (as writers mostly lay them out), else a copy gathered
// from its sectors. A view lives as long as the file's bytes.
class StreamBytes {
 public:
  explicit StreamBytes(std::span<const std::uint8_t> inFile) : view_(inFile), inFile_(true) {}
  explicit StreamBytes(std::vector<std::uint8_t>&& gathered)
      : gathered_(std::move(gathered)), inFile_(false) {}

  std::span<const std::uint8_t> bytes() const {
    return inFile_ ? view_ : std::span<const std::uint8_t>(gathered_);
  }
  // True when bytes() lies within the file.
  bool inFile() const { return inFile_; }

 private:
  std::vector<std::uint8_t> gathered_;
  std::span<const std::uint8_t> view_;
  bool inFile_;
};

// One open compound file, over bytes the caller keeps alive. [MS-CFB]
class CompoundFile {
 public:
  // Parses header, DIFAT, FAT, directory and mini FAT. Returns nullptr and sets
  // `lastError` to a short English reason when the bytes are not a usable
  // compound file (no signature, bad sector shift, chains that cycle or leave
  // the file, a directory tree that refers to itself, ...). Clears `lastError`
  // on success.
  static std::unique_ptr<CompoundFile> Open(std::span<const std::uint8_t> file,
                                               std::string& lastError);
  // The storage reads the bytes it was opened over for its whole life: a
  // temporary buffer would be gone before the first OpenStream.
  static std::unique_ptr<CompoundFile> Open(std::vector<std::uint8_t>&& file, std::string& lastError) = delete;

  // The whole named stream of the root storage, names compared without regard
  // to case ([MS-CFB] 2.6.4, simple upper-case fold), or std::nullopt when the
  // root storage holds no stream of that name. Raises ExtractionError when the
  // stream's chain cannot be followed (cycle, sector outside the file, size
  // larger than the chain can hold).
  std::optional<std::vector<std::uint8_t>> OpenStream(std::u16string_view name) const;
  // The same stream without a copy where its sectors are contiguous.
  std::optional<StreamBytes> OpenStreamBytes(std::u16string_view name) const;

  // Names of the root storage's direct children (streams and storages), in
  // the order of the directory tree.
  std::vector<std::u16string> RootEntryNames() const;

 private:
  // [MS-CFB] 2.6.1: the parts of a directory entry this reader uses.
  struct DirectoryEntry {
    std::u16string name;
    std::uint8_t type = 0;
    std::uint32_t leftSibling = 0;
    std::uint32_t rightSibling = 0;
    std::uint32_t child = 0;
    std::uint32_t startSector = 0;
    std::uint64_t size = 0;
  };

  explicit CompoundFile(std::span<const std::uint8_t> file) : file_(file) {}

  void ReadHeader();
  void ReadFat();
  void ReadDirectory();
  void CollectRootChildren();
  void ReadMiniFat();

  // The bytes of one sector; shorter than a sector only for a last sector cut
  // off by the end of the file. `sector` must be below sectorCount_.
  std::span<const std::uint8_t> SectorBytes(std::uint32_t sector) const;
  // The entry of the root storage's stream of that name, or nullptr.
  const DirectoryEntry* FindStream(std::u16string_view name) const;
  std::vector<std::uint32_t> RegularStreamChain(std::uint32_t start, std::uint64_t size) const;
  std::vector<std::uint8_t> ReadRegularStream(std::uint32_t start, std::uint64_t size) const;
  std::vector<std::uint8_t> GatherRegularStream(const std::vector<std::uint32_t>& chain,
                                                std::uint64_t size) const;
  std::vector<std::uint8_t> ReadMiniStream(std::uint32_t start, std::uint64_t size) const;
  std::uint64_t StreamSize(const DirectoryEntry& entry) const;

  std::span<const std::uint8_t> file_;
  std::uint32_t sectorSize_ = 0;
  std::uint32_t sectorCount_ = 0;  // sectors after the header, a cut-off last one included
  std::uint32_t miniStreamCutoff_ = 0;
  std::uint32_t firstDirectorySector_ = 0;
  std::uint32_t firstMiniFatSector_ = 0;
  std::uint32_t firstDifatSector_ = 0;
  std::vector<std::uint32_t> headerDifat_;
  std::vector<std::uint32_t> fat_;      // one entry per sector of the file
  std::vector<std::uint32_t> miniFat_;  // one entry per mini sector the mini FAT describes
  std::vector<DirectoryEntry> directory_;
  std::vector<std::uint32_t> rootChildren_;  // directory indices
};

}  // namespace tabulox
