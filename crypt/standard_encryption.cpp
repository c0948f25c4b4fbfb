#include "crypt/standard_encryption.h"

#include <algorithm>

#include "core/extraction_error.h"
#include "crypt/aes_decryptor.h"
#include "crypt/hash_function.h"
#include "crypt/password_text.h"

namespace tabulox {
namespace {

constexpr std::uint32_t kSpinCount = 50000;
constexpr std::size_t kSha1Size = 20;
// 2.3.4.7: the derived key is the start of two hashes of the final hash
// against these bytes, 64 of each.
constexpr std::uint8_t kInnerPad = 0x36;
constexpr std::uint8_t kOuterPad = 0x5C;
constexpr std::size_t kPadBytes = 64;

std::size_t KeyBytesOf(std::uint32_t algorithm) {
  switch (algorithm) {
    case kAlgorithmAes128:
      return 16;
    case kAlgorithmAes192:
      return 24;
    case kAlgorithmAes256:
      return 32;
    default:
      return 0;
  }
}

// SHA-1 of the final hash XORed into 64 bytes of `pad`.
std::vector<std::uint8_t> PaddedHash(std::span<const std::uint8_t> finalHash, std::uint8_t pad) {
  std::vector<std::uint8_t> block(kPadBytes, pad);
  for (std::size_t i = 0; i < finalHash.size(); ++i) block[i] ^= finalHash[i];
  return HashOf(HashAlgorithm::kSha1, {block});
}

}  // namespace

std::vector<std::uint8_t> StandardKeyOf(std::span<const std::uint8_t> salt, std::size_t keyBytes,
                                        std::u16string_view password) {
  std::vector<std::uint8_t> hash = HashOf(HashAlgorithm::kSha1, {salt, Utf16LeBytes(password)});
  Hash round(HashAlgorithm::kSha1);
  for (std::uint32_t i = 0; i < kSpinCount; ++i) round.Update(LittleEndian32(i)).Update(hash).FinishInto(hash);
  const std::vector<std::uint8_t> finalHash = HashOf(HashAlgorithm::kSha1, {hash, LittleEndian32(0)});
  std::vector<std::uint8_t> key = PaddedHash(finalHash, kInnerPad);
  const std::vector<std::uint8_t> outer = PaddedHash(finalHash, kOuterPad);
  key.insert(key.end(), outer.begin(), outer.end());
  key.resize(keyBytes);
  return key;
}

bool IsStandardAes(const BinaryEncryptionInfo& info) {
  const EncryptionHeader& header = info.header;
  return KeyBytesOf(CipherAlgorithm(header)) != 0 &&
         (header.hashAlgorithm == 0 || header.hashAlgorithm == kAlgorithmSha1) &&
         (header.flags & kEncryptionFlagExternal) == 0;
}

std::optional<std::vector<std::uint8_t>> StandardKeyForPassword(const BinaryEncryptionInfo& info,
                                                                std::u16string_view password) {
  const std::size_t keyBytes = KeyBytesOf(CipherAlgorithm(info.header));
  if (info.header.keyBits != 8 * keyBytes) throw ExtractionError("standard encryption key size");
  if (info.verifier.encryptedVerifierHash.size() < kAesVerifierHashBytes)
    throw ExtractionError("standard encryption verifier cut short");
  if (password.size() > kMaxPasswordUnits) return std::nullopt;
  std::vector<std::uint8_t> key = StandardKeyOf(info.verifier.salt, keyBytes, password);
  const std::unique_ptr<AesDecryptor> aes = AesDecryptor::ForKey(key);
  std::array<std::uint8_t, kVerifierSize> verifier;
  aes->DecryptEcb(info.verifier.encryptedVerifier, verifier);
  std::vector<std::uint8_t> verifierHash(kAesVerifierHashBytes);
  aes->DecryptEcb(std::span(info.verifier.encryptedVerifierHash).first(kAesVerifierHashBytes), verifierHash);
  const std::vector<std::uint8_t> expected = HashOf(HashAlgorithm::kSha1, {verifier});
  if (!std::equal(expected.begin(), expected.begin() + kSha1Size, verifierHash.begin())) return std::nullopt;
  return key;
}

FileBytes DecryptStandardPackage(std::span<const std::uint8_t> key,
                                                 std::span<const std::uint8_t> encrypted,
                                                 std::uint64_t packageSize) {
  const std::uint64_t blocks = (packageSize + kAesBlockSize - 1) / kAesBlockSize;
  if (blocks > encrypted.size() / kAesBlockSize) throw ExtractionError("encrypted package cut short");
  const auto cipherBytes = static_cast<std::size_t>(blocks * kAesBlockSize);
  FileBytes package(cipherBytes);
  AesDecryptor::ForKey(key)->DecryptEcb(encrypted.first(cipherBytes), package);
  package.resize(static_cast<std::size_t>(packageSize));
  return package;
}

}  // namespace tabulox
