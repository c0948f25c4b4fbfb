// Storage for many small objects of one trivially destructible type, handed
// out in contiguous runs from chunks that grow from small to large: a small
// document costs little, a large one few allocations, and nothing ever moves,
// so objects can point at each other. Reuse() keeps the chunks for the next
// round, Rewind() back to a mark; Release() gives them back.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace tabulox {

template <typename T, std::size_t kFirstChunk, std::size_t kLargestChunk>
class ChunkStore {
  static_assert(std::is_trivially_destructible_v<T>);

 public:
  ChunkStore() = default;
  ChunkStore(const ChunkStore&) = delete;
  ChunkStore& operator=(const ChunkStore&) = delete;
  ~ChunkStore() { Release(); }

  // Room for `count` objects in a row, not yet constructed; null for 0.
  T* Allocate(std::size_t count) {
    if (count == 0) return nullptr;
    for (;;) {
      if (chunk_ < chunks_.size() && chunks_[chunk_].capacity - used_ >= count) {
        T* at = chunks_[chunk_].data + used_;
        used_ += count;
        return at;
      }
      if (chunk_ + 1 >= chunks_.size()) break;
      ++chunk_;  // a kept chunk; skipped when too small
      used_ = 0;
    }
    const std::size_t grown =
        chunks_.empty() ? kFirstChunk : std::min(2 * chunks_.back().capacity, kLargestChunk);
    const std::size_t capacity = std::max(count, grown);
    chunks_.push_back({std::allocator<T>().allocate(capacity), capacity});
    chunk_ = chunks_.size() - 1;
    used_ = count;
    return chunks_.back().data;
  }

  // Where the next object would go; Rewind(mark) gives back everything
  // allocated after it was taken.
  struct Mark {
    std::size_t chunk;
    std::size_t used;
  };
  Mark Position() const { return {chunk_, used_}; }
  void Rewind(Mark mark) {
    chunk_ = mark.chunk;
    used_ = mark.used;
  }

  void Reuse() {
    chunk_ = 0;
    used_ = 0;
  }

  void Release() {
    for (const Chunk& chunk : chunks_) std::allocator<T>().deallocate(chunk.data, chunk.capacity);
    chunks_.clear();
    Reuse();
  }

  std::size_t CapacityBytes() const {
    std::size_t total = 0;
    for (const Chunk& chunk : chunks_) total += chunk.capacity * sizeof(T);
    return total;
  }

 private:
  struct Chunk {
    T* data;
    std::size_t capacity;
  };
  std::vector<Chunk> chunks_;
  std::size_t chunk_ = 0;  // the chunk being filled
  std::size_t used_ = 0;   // objects used in it
};

}  // namespace tabulox
