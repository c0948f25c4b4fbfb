// Reading a whole source file into memory, with the outcomes the entry points
// report: a missing file (or a directory) and a file that cannot be read.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "result_code.h"

namespace tabulox {

// An allocator whose containers leave the elements they add by growing
// unwritten: bytes about to be read into need no zeroing first.
template <typename T>
struct UnfilledAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UnfilledAllocator<U>;
  };
  UnfilledAllocator() = default;
  template <typename U>
  UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// The bytes of a file as read.
using FileBytes = std::vector<std::uint8_t, UnfilledAllocator<std::uint8_t>>;

// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string& path);

// Reads the file up to the size it had when it was opened (fewer bytes when it
// shrank meanwhile); kSourceMissing when there is no file, kSourceOpenFailed
// when it cannot be opened or read, 0 on success.
ResultCode ReadFileBytes(const std::string& path, FileBytes& bytes);

}  // namespace tabulox
