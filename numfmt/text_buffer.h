// The bytes of one shown value gathered in a small buffer on the stack and
// appended to the output string a piece at a time, so that writing a digit is
// a store and not a call into std::string.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tabulox {

class TextBuffer {
 public:
  explicit TextBuffer(std::string& out) : out_(out) {}
  ~TextBuffer() { Flush(); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  void Put(char c) {
    if (size_ == kCapacity) Flush();
    data_[size_++] = c;
  }

  void Put(std::string_view text) {
    // Separators and signs are mostly one byte.
    if (text.size() == 1) {
      Put(text.front());
      return;
    }
    if (text.size() > kCapacity - size_) {
      Flush();
      if (text.size() > kCapacity) {
        out_ += text;
        return;
      }
    }
    std::memcpy(data_ + size_, text.data(), text.size());
    size_ += text.size();
  }

  void Put(std::size_t count, char c) {
    for (std::size_t i = 0; i < count; ++i) Put(c);
  }

  // Appends what is gathered to the output string.
  void Flush() {
    out_.append(data_, size_);
    size_ = 0;
  }

 private:
  static constexpr std::size_t kCapacity = 256;
  char data_[kCapacity];
  std::size_t size_ = 0;
  std::string& out_;
};

}  // namespace tabulox
