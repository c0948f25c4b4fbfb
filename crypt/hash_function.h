// The hash functions the encryption methods name, computed by Nettle.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

struct nettle_hash;

namespace tabulox {

enum class HashAlgorithm { kMd5, kSha1, kSha256, kSha384, kSha512 };

// Bytes of a digest.
std::size_t DigestSize(HashAlgorithm algorithm);

// One hash computation, fed piece by piece.
class Hash {
 public:
  explicit Hash(HashAlgorithm algorithm);

  Hash& Update(std::span<const std::uint8_t> bytes);
  // The digest; the computation starts over after it.
  std::vector<std::uint8_t> Finish();
  // The same into `digest`, which holds DigestSize bytes.
  void FinishInto(std::span<std::uint8_t> digest);

 private:
  const nettle_hash* function_;
  // Large and aligned enough for the context of every algorithm above.
  alignas(16) std::uint8_t context_[256];
};

// The digest of the pieces one after the other.
std::vector<std::uint8_t> HashOf(HashAlgorithm algorithm,
                                 std::initializer_list<std::span<const std::uint8_t>> pieces);

// A 32-bit value as the four little-endian bytes the key derivations hash.
std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value);

}  // namespace tabulox
