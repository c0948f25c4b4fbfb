#include "zip/zip_archive.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/file_bytes.h"
#include "zip/zip_limits.h"

namespace tabulox {
namespace {


char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

char FoldChar(char c) { return c == '/' ? '\\' : AsciiLower(c); }

// The lookup key of a member name: ASCII letters in lower case, "/" as "\".
std::string FoldName(std::string_view name) {
  std::string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldChar);
  return folded;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// Blank: empty or nothing but spaces and control characters.
bool IsBlankName(std::string_view name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

[[noreturn]] void ThrowCannotOpen(const std::string& path) {
  throw ZipOpenError("Cannot open file " + path);
}

}  // namespace

bool ZipArchive::FileIdentity::operator==(const FileIdentity& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

void ZipArchive::Open(const std::string& path) {
  if (fromBuffer_ || !SameNameIgnoringCase(path, path_)) Discard();
  path_ = path;
  try {
    MakeListCurrent();
  } catch (...) {
    Discard();
    path_.clear();
    throw;
  }
}

void ZipArchive::OpenBuffer(std::span<const std::uint8_t> bytes, std::string_view name) {
  Discard();
  path_ = name;
  try {
    ReadList(bytes);
    fromBuffer_ = true;
  } catch (...) {
    Discard();
    path_.clear();
    throw;
  }
}

MemberReader ZipArchive::OpenMember(std::string_view name) {
  if (IsBlankName(name)) return MemberReader(*this, nullptr);
  if (!haveList_) MakeListCurrent();
  const auto found = index_.find(FoldName(name));
  return MemberReader(*this, found == index_.end() ? nullptr : &found->second);
}

std::uint64_t MemberReader::StatedSize() const {
  std::uint64_t size = 0;
  if (positions_ == nullptr) return size;
  for (std::size_t position : *positions_) size += zip_.members_[position].uncompressedSize;
  return size;
}

bool MemberReader::Next(std::string& out) {
  if (positions_ == nullptr) return false;
  for (;;) {
    if (!decoder_) {
      if (next_ == positions_->size()) return false;
      decoder_ = std::make_unique<ReadAheadDecoder>(
          zip_.archive_, zip_.members_[(*positions_)[next_++]], zip_.OnProgress);
    }
    if (decoder_->Next(out)) return true;
    const MemberOutcome outcome = decoder_->Outcome();
    decoder_.reset();
    zip_.lastOutcome_ = outcome;
    if (outcome == MemberOutcome::kExtracted) ++extracted_;
  }
}

// Reads the list when there is none, or when the archive file is no longer the
// one it was read from. An archive held in memory is always current.
void ZipArchive::MakeListCurrent() {
  if (fromBuffer_) return;
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > kMaxArchiveFileSize)
    ThrowCannotOpen(path_);
  const FileIdentity now{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  if (haveList_ && now == identity_) return;
  Discard();
  if (ReadFileBytes(path_, fileBytes_) != 0) ThrowCannotOpen(path_);
  ReadList(fileBytes_);
  identity_ = now;
}

void ZipArchive::ReadList(std::span<const std::uint8_t> archive) {
  ++directoryReads_;
  std::optional<ZipDirectory> directory = ReadZipDirectory(archive, path_, OnProgress);
  archive_ = archive;
  haveList_ = true;
  if (!directory) return;  // no end record: an archive without members
  end_ = directory->end;
  members_ = std::move(directory->members);
  index_.reserve(members_.size());
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (members_[i].fileName.empty()) continue;  // directory entries are never extracted
    index_[FoldName(members_[i].FullName())].push_back(i);
  }
}

void ZipArchive::Discard() {
  haveList_ = false;
  fromBuffer_ = false;
  identity_ = FileIdentity{};
  FileBytes().swap(fileBytes_);
  archive_ = {};
  end_ = ZipEndRecord{};
  members_.clear();
  index_.clear();
}

}  // namespace tabulox
