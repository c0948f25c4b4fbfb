#include "zip/read_ahead_decoder.h"

#include <utility>

namespace tabulox {
namespace {

// Blocks decoded ahead before the thread waits, and the count it waits for
// them to fall to, so that it wakes once for several blocks taken.
constexpr std::size_t kBlocksAhead = 16;
constexpr std::size_t kResumeAt = kBlocksAhead / 2;

bool DecodesAhead(const ZipMember& member) {
  return member.uncompressedSize >= ReadAheadDecoder::kReadAheadBytes;
}

}  // namespace

ReadAheadDecoder::ReadAheadDecoder(std::span<const std::uint8_t> file, const ZipMember& member,
                                   std::function<void()> onProgress)
    : decoder_(file, member, DecodesAhead(member) ? nullptr : onProgress),
      onProgress_(DecodesAhead(member) ? std::move(onProgress) : nullptr) {
  // Where no thread can be started, Next decodes on the caller's thread.
  if (DecodesAhead(member)) thread_.Start([this] { DecodeAhead(); });
}

ReadAheadDecoder::~ReadAheadDecoder() {
  if (!thread_.started()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.Join();
}

void ReadAheadDecoder::DecodeAhead() {
  for (;;) {
    std::string block;
    {
      std::unique_lock lock(mutex_);
      if (ready_.size() >= kBlocksAhead)
        changed_.wait(lock, [this] { return stopping_ || ready_.size() <= kResumeAt; });
      if (stopping_) return;
      if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    block.clear();
    bool more = false;
    std::exception_ptr error;
    try {
      more = decoder_.Next(block);
    } catch (...) {
      error = std::current_exception();
    }
    bool wake = true;  // the reader waits only while nothing is ready
    {
      const std::lock_guard lock(mutex_);
      if (more) {
        ready_.push_back(std::move(block));
        wake = ready_.size() == 1;
      } else {
        finished_ = true;
        error_ = error;
      }
    }
    if (wake) changed_.notify_all();
    if (!more) return;
  }
}

bool ReadAheadDecoder::Next(std::string& out) {
  if (!thread_.started()) {
    if (onProgress_) onProgress_();  // a member meant to be decoded ahead
    return decoder_.Next(out);
  }
  std::string block;
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) {
      if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
      return false;
    }
    block = std::move(ready_.front());
    ready_.pop_front();
    wake = ready_.size() == kResumeAt;  // the thread waits for this count
  }
  if (wake) changed_.notify_all();
  if (onProgress_) onProgress_();
  out += block;
  const std::lock_guard lock(mutex_);
  spare_.push_back(std::move(block));
  return true;
}

}  // namespace tabulox
