// Decoding the data of one archive member (APPNOTE 4.4.5: method 0 stored,
// method 8 deflated as RFC 1951) block by block, with its CRC-32 check.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "zip/zip_directory.h"

namespace tabulox {

enum class MemberOutcome {
  kExtracted,         // all bytes written and the CRC-32 matches
  kEncrypted,         // flag bit 0: skipped, nothing written
  kUnknownMethod,     // neither stored nor deflated: nothing written
  kSizeRefused,       // stated sizes break the limits of zip_limits.h: nothing written
  kLargerThanStated,  // output would pass the stated uncompressed size
  kCrcMismatch,       // decoded, maybe partly (corrupt or cut deflate data); CRC-32 differs
};

// Decodes one member block by block. Sizes and CRC-32 come from `member` (the
// central directory), never from the local header; the data starts after the
// local header's own name and extra field. Output comes in blocks of up to
// 32 KiB, and a block that would take the member past its stated uncompressed
// size is not written. `onProgress` is called for every block of input read.
// `file` and `member` must outlive the decoder.
class MemberDecoder {
 public:
  // Raises ZipTruncatedError when the local header is cut short. A member that
  // cannot be decoded (encrypted, unknown method, refused sizes) is done at
  // once with that outcome.
  MemberDecoder(std::span<const std::uint8_t> file, const ZipMember& member,
                std::function<void()> onProgress);
  ~MemberDecoder();
  MemberDecoder(const MemberDecoder&) = delete;
  MemberDecoder& operator=(const MemberDecoder&) = delete;

  // Appends the next block to `out`; false (nothing appended) once the member
  // is done. Raises ZipTruncatedError when a stored member's data ends before
  // its compressed size.
  bool Next(std::string& out);

  // What happened to the member; final once Next returned false.
  MemberOutcome Outcome() const { return outcome_; }


 private:
  bool NextStored(std::string& out);
  bool NextInflated(std::string& out);
  bool WriteBlock(const std::uint8_t* data, std::size_t length, std::string& out);
  void Finish(MemberOutcome outcome);
  MemberOutcome OutcomeByCrc() const;

  const ZipMember& member_;
  std::function<void()> onProgress_;
  std::span<const std::uint8_t> file_;
  std::span<const std::uint8_t> input_;  // deflated: the data bytes present
  std::size_t inputUsed_ = 0;            // deflated: of input_; stored: the next file position
  std::size_t written_ = 0;
  uLong crc_ = 0;
  bool done_ = false;
  MemberOutcome outcome_ = MemberOutcome::kCrcMismatch;
  z_stream stream_{};
  bool streamOpen_ = false;
  std::vector<std::uint8_t> block_;
};

}  // namespace tabulox
