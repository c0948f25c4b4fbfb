// Decoding a large member on a second thread, a few blocks ahead of its
// reader, so that inflating and the CRC-32 overlap with the work done on the
// blocks (tokenizing, building, laying out).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "core/second_thread.h"
#include "zip/zip_directory.h"
#include "zip/zip_member_decoder.h"

namespace tabulox {

// Gives the same blocks, outcome and errors as a MemberDecoder of the member,
// in the same order: an error of the decoding is raised by the Next call that
// reaches it. A member whose stated size is below kReadAheadBytes is decoded
// on the caller's thread, as by MemberDecoder. `onProgress` is always called
// on the caller's thread: for a member decoded ahead, once for each block
// taken. Where no thread can be started, the member is decoded on the
// caller's thread. Destroying the decoder stops its thread.
class ReadAheadDecoder {
 public:
  // Starting a thread costs about what inflating a few dozen KiB does.
  static constexpr std::uint32_t kReadAheadBytes = 1u << 20;

  // Raises ZipTruncatedError when the local header is cut short.
  ReadAheadDecoder(std::span<const std::uint8_t> file, const ZipMember& member,
                   std::function<void()> onProgress);
  ~ReadAheadDecoder();
  ReadAheadDecoder(const ReadAheadDecoder&) = delete;
  ReadAheadDecoder& operator=(const ReadAheadDecoder&) = delete;

  // Appends the next block to `out`; false (nothing appended) once the member
  // is done.
  bool Next(std::string& out);

  // What happened to the member; final once Next returned false.
  MemberOutcome Outcome() const { return decoder_.Outcome(); }

 private:
  void DecodeAhead();

  MemberDecoder decoder_;
  std::function<void()> onProgress_;  // for a member decoded ahead

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> ready_;   // decoded blocks not yet taken, in order
  std::vector<std::string> spare_;  // taken blocks, for their storage to be used again
  bool finished_ = false;           // the decoder is done, or raised error_
  bool stopping_ = false;
  std::exception_ptr error_;
  SecondThread thread_;
};

}  // namespace tabulox
