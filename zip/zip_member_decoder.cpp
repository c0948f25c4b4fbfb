#include "zip/zip_member_decoder.h"

#include <algorithm>
#include <new>

#include "core/byte_reader.h"
#include "zip/zip_errors.h"
#include "zip/zip_limits.h"

namespace tabulox {
namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kBlockSize = 32768;  // input and output blocks, as the 32 KiB window
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// The file position of the member's data: after the local header's fixed
// part, its name and its extra field.
std::size_t DataStart(std::span<const std::uint8_t> file, const ZipMember& member) {
  const std::size_t offset = member.localHeaderOffset;
  if (offset > file.size() || file.size() - offset < kLocalHeaderSize) throw ZipTruncatedError();
  ByteReader r(file);
  r.seek(offset + 26);
  const std::size_t nameLength = r.u16le();
  const std::size_t extraLength = r.u16le();
  return offset + kLocalHeaderSize + nameLength + extraLength;
}

}  // namespace

MemberDecoder::MemberDecoder(std::span<const std::uint8_t> file, const ZipMember& member,
                             std::function<void()> onProgress)
    : member_(member), onProgress_(std::move(onProgress)), file_(file) {
  const std::size_t dataStart = DataStart(file, member);
  crc_ = crc32(0, nullptr, 0);
  if (member.Encrypted()) {
    Finish(MemberOutcome::kEncrypted);
  } else if (member.method != kMethodStored && member.method != kMethodDeflated) {
    Finish(MemberOutcome::kUnknownMethod);
  } else if (!MemberSizesAcceptable(member.compressedSize, member.uncompressedSize)) {
    Finish(MemberOutcome::kSizeRefused);
  }
  if (done_) return;
  if (member.method == kMethodStored) {
    // Stored data must be there in full: reading past the file is an error.
    inputUsed_ = dataStart;
    return;
  }
  input_ = dataStart < file.size()
               ? file.subspan(dataStart, std::min<std::size_t>(member.compressedSize,
                                                              file.size() - dataStart))
               : std::span<const std::uint8_t>{};
  if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  streamOpen_ = true;
  block_.resize(kBlockSize);
}

MemberDecoder::~MemberDecoder() {
  if (streamOpen_) inflateEnd(&stream_);
}

bool MemberDecoder::Next(std::string& out) {
  if (done_) return false;
  return member_.method == kMethodStored ? NextStored(out) : NextInflated(out);
}

void MemberDecoder::Finish(MemberOutcome outcome) {
  done_ = true;
  outcome_ = outcome;
}

MemberOutcome MemberDecoder::OutcomeByCrc() const {
  return crc_ == member_.crc32 ? MemberOutcome::kExtracted : MemberOutcome::kCrcMismatch;
}

// Appends one output block unless it takes the member past its stated size.
bool MemberDecoder::WriteBlock(const std::uint8_t* data, std::size_t length, std::string& out) {
  if (written_ + length > member_.uncompressedSize) {
    Finish(MemberOutcome::kLargerThanStated);
    return false;
  }
  out.append(reinterpret_cast<const char*>(data), length);
  crc_ = crc32(crc_, data, static_cast<uInt>(length));
  written_ += length;
  return true;
}

// For stored data inputUsed_ is the file position of the next block.
bool MemberDecoder::NextStored(std::string& out) {
  const std::size_t left = member_.compressedSize - written_;
  if (left == 0) {
    Finish(OutcomeByCrc());
    return false;
  }
  const std::size_t length = std::min(left, kBlockSize);
  if (onProgress_) onProgress_();
  const std::size_t pos = inputUsed_;
  if (pos > file_.size() || file_.size() - pos < length) throw ZipTruncatedError();
  if (!WriteBlock(file_.data() + pos, length, out)) return false;
  inputUsed_ += length;
  return true;
}

// Inflates raw deflate data. Corrupt or truncated input ends the member
// quietly; the CRC-32 check then fails.
bool MemberDecoder::NextInflated(std::string& out) {
  while (!done_) {
    if (stream_.avail_in == 0 && inputUsed_ < input_.size()) {
      const std::size_t length = std::min(input_.size() - inputUsed_, kBlockSize);
      if (onProgress_) onProgress_();
      stream_.next_in = const_cast<Bytef*>(input_.data() + inputUsed_);
      stream_.avail_in = static_cast<uInt>(length);
      inputUsed_ += length;
    }
    stream_.next_out = block_.data();
    stream_.avail_out = static_cast<uInt>(block_.size());
    const int status = inflate(&stream_, Z_NO_FLUSH);
    const std::size_t produced = block_.size() - stream_.avail_out;
    if (produced > 0 && !WriteBlock(block_.data(), produced, out)) return false;
    const bool inputExhausted = stream_.avail_in == 0 && inputUsed_ == input_.size();
    if (status == Z_STREAM_END || status != Z_OK || (inputExhausted && produced == 0))
      Finish(OutcomeByCrc());
    if (produced > 0) return true;
  }
  return false;
}

}  // namespace tabulox
