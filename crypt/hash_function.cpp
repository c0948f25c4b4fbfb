#include "crypt/hash_function.h"

#include <nettle/md5.h>
#include <nettle/nettle-meta.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>

namespace tabulox {
namespace {

const nettle_hash& FunctionOf(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::kMd5:
      return nettle_md5;
    case HashAlgorithm::kSha1:
      return nettle_sha1;
    case HashAlgorithm::kSha256:
      return nettle_sha256;
    case HashAlgorithm::kSha384:
      return nettle_sha384;
    case HashAlgorithm::kSha512:
      return nettle_sha512;
  }
  return nettle_sha1;
}

}  // namespace

static_assert(sizeof(md5_ctx) <= 256 && sizeof(sha1_ctx) <= 256 && sizeof(sha256_ctx) <= 256 &&
              sizeof(sha512_ctx) <= 256);

std::size_t DigestSize(HashAlgorithm algorithm) { return FunctionOf(algorithm).digest_size; }

Hash::Hash(HashAlgorithm algorithm) : function_(&FunctionOf(algorithm)) {
  function_->init(context_);
}

Hash& Hash::Update(std::span<const std::uint8_t> bytes) {
  function_->update(context_, bytes.size(), bytes.data());
  return *this;
}

std::vector<std::uint8_t> Hash::Finish() {
  std::vector<std::uint8_t> digest(function_->digest_size);
  FinishInto(digest);
  return digest;
}

void Hash::FinishInto(std::span<std::uint8_t> digest) {
  function_->digest(context_, function_->digest_size, digest.data());
}

std::vector<std::uint8_t> HashOf(HashAlgorithm algorithm,
                                 std::initializer_list<std::span<const std::uint8_t>> pieces) {
  Hash hash(algorithm);
  for (const std::span<const std::uint8_t> piece : pieces) hash.Update(piece);
  return hash.Finish();
}

std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace tabulox
