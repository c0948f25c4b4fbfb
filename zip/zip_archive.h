// ZipArchive: the archive reader of the .xlsx engine. One long-lived object
// that reads an archive's member list once, keeps it while the archive file
// stays the same, and extracts single members by name into memory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/file_bytes.h"
#include "zip/read_ahead_decoder.h"
#include "zip/zip_directory.h"
#include "zip/zip_errors.h"
#include "zip/zip_member_decoder.h"

namespace tabulox {

class ZipArchive;

// The bytes of every member whose name equals the one asked for (ASCII case
// and "/" versus "\" ignored; directory entries never match), read block by
// block in the order of their local headers; bytes written by members that do
// not count stay in the output. The reader must stay open, with the same
// archive, while this is used.
class MemberReader {
 public:
  // Appends the next block to `out`; false (nothing appended) after the last
  // block of the last member. Raises ZipTruncatedError when a stored member's
  // data is cut short.
  bool Next(std::string& out);

  // How many of the members read so far were decoded whole with a matching
  // CRC-32; final once Next returned false.
  int Extracted() const { return extracted_; }

  // The uncompressed sizes the members' headers state, summed: a hint for
  // room to reserve, never a bound on what Next gives.
  std::uint64_t StatedSize() const;

  // True when the archive has a member of the name.
  bool Found() const { return positions_ != nullptr; }

 private:
  friend class ZipArchive;
  MemberReader(ZipArchive& zip, const std::vector<std::size_t>* positions)
      : zip_(zip), positions_(positions) {}

  ZipArchive& zip_;
  const std::vector<std::size_t>* positions_;  // null: no member has the name
  std::size_t next_ = 0;                       // index into *positions_
  std::unique_ptr<ReadAheadDecoder> decoder_;
  int extracted_ = 0;
};

class ZipArchive {
 public:
  // Opens the archive file at `path` and makes its member list current. The
  // list read for the same path before (ignoring ASCII case) is kept while the
  // file is unchanged (modification time, size and identity), and read anew
  // otherwise. Returns normally, with no members, for a file that has no end
  // record, an empty or a multi-volume archive. Raises ZipOpenError when the
  // file cannot be read (or is larger than kMaxArchiveFileSize) and
  // ZipFormatError when the directory is damaged and no local header is found;
  // either error also discards the list and the path.
  void Open(const std::string& path);

  // The same for an archive held in memory. The bytes stay owned by the caller
  // and must outlive the extraction calls; the list is always read anew.
  // `name` is the archive's file name, which only decides where the rebuild of
  // a damaged directory starts (see RebuildSearchStart).
  void OpenBuffer(std::span<const std::uint8_t> bytes, std::string_view name = {});

  // The path or name of the open archive; empty after a failed open.
  const std::string& Path() const { return path_; }

  // Members in the list; 0 when there is none.
  int MemberCount() const { return static_cast<int>(members_.size()); }

  // The members named `name`, for reading block by block (a blank name finds
  // none, without reading), from the list and bytes Open read: a file that
  // changes after Open is read anew by the next Open, never in the middle of
  // a conversion. Reads the list first when there is none (as Open).
  MemberReader OpenMember(std::string_view name);

  // Called from time to time while the reader scans or decodes (every 32 KiB
  // block of input, every 10,240 bytes of a rebuild scan).
  std::function<void()> OnProgress;

  // The member list in its order (disk, local header offset).
  const std::vector<ZipMember>& Members() const { return members_; }
  // The end record of the current archive (after a rebuild: the members found
  // and the position after the last one).
  const ZipEndRecord& EndRecord() const { return end_; }
  // How often a member list was read since this object was made.
  int DirectoryReads() const { return directoryReads_; }
  // What happened to the last member a MemberReader decoded.
  MemberOutcome LastOutcome() const { return lastOutcome_; }

 private:
  friend class MemberReader;

  struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileIdentity& other) const;
  };

  void MakeListCurrent();
  void ReadList(std::span<const std::uint8_t> archive);
  void Discard();

  std::string path_;
  bool haveList_ = false;
  bool fromBuffer_ = false;
  FileIdentity identity_;
  FileBytes fileBytes_;
  std::span<const std::uint8_t> archive_;  // fileBytes_ or the caller's buffer
  ZipEndRecord end_;
  std::vector<ZipMember> members_;
  // Folded full name -> positions in members_, ascending.
  std::unordered_map<std::string, std::vector<std::size_t>> index_;
  int directoryReads_ = 0;
  MemberOutcome lastOutcome_ = MemberOutcome::kExtracted;
};

}  // namespace tabulox
