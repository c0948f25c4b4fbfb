#include "crypt/agile_encryption.h"

#include <algorithm>
#include <memory>

#include "core/extraction_error.h"
#include "crypt/aes_decryptor.h"
#include "crypt/password_text.h"

namespace tabulox {
namespace {

constexpr std::size_t kSegmentSize = 4096;
// A key or IV shorter than its use is padded with this byte (2.3.4.11, 2.3.4.12).
constexpr std::uint8_t kPadByte = 0x36;

std::vector<std::uint8_t> SizedTo(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size, kPadByte);
  return bytes;
}

// The password hashed with the salt, then rehashed spinCount times with the
// round's number in front.
std::vector<std::uint8_t> SpunPasswordHash(const AgilePasswordKey& key, std::u16string_view password) {
  const HashAlgorithm algorithm = key.parameters.hash;
  std::vector<std::uint8_t> hash = HashOf(algorithm, {key.parameters.salt, Utf16LeBytes(password)});
  Hash round(algorithm);
  for (std::uint32_t i = 0; i < key.spinCount; ++i) round.Update(LittleEndian32(i)).Update(hash).FinishInto(hash);
  return hash;
}

std::vector<std::uint8_t> KeyOfSpunHash(const AgileKeyParameters& parameters,
                                        std::span<const std::uint8_t> spunHash,
                                        std::span<const std::uint8_t> blockKey) {
  return SizedTo(HashOf(parameters.hash, {spunHash, blockKey}), parameters.keyBits / 8);
}

// One of the encryptor's values decrypted with the key for its block key,
// chained from the encryptor's salt.
std::vector<std::uint8_t> DecryptValue(const AgilePasswordKey& key, std::span<const std::uint8_t> spunHash,
                                       std::span<const std::uint8_t> blockKey,
                                       std::span<const std::uint8_t> value) {
  const AgileKeyParameters& parameters = key.parameters;
  if (value.empty() || value.size() % kAesBlockSize != 0) throw ExtractionError("agile encrypted value");
  const std::vector<std::uint8_t> cipherKey = KeyOfSpunHash(parameters, spunHash, blockKey);
  const std::vector<std::uint8_t> iv = SizedTo(parameters.salt, parameters.blockSize);
  std::vector<std::uint8_t> plain(value.size());
  AesDecryptor::ForKey(cipherKey)->DecryptCbc(iv, value, plain);
  return plain;
}

}  // namespace

std::vector<std::uint8_t> AgileEncryptorKey(const AgilePasswordKey& key, std::u16string_view password,
                                            std::span<const std::uint8_t> blockKey) {
  return KeyOfSpunHash(key.parameters, SpunPasswordHash(key, password), blockKey);
}

std::optional<std::vector<std::uint8_t>> AgileKeyForPassword(const AgileDescriptor& descriptor,
                                                             std::u16string_view password) {
  if (password.size() > kMaxPasswordUnits) return std::nullopt;
  const AgilePasswordKey& key = descriptor.passwordKey;
  const std::vector<std::uint8_t> spun = SpunPasswordHash(key, password);
  std::vector<std::uint8_t> input =
      DecryptValue(key, spun, kVerifierInputBlockKey, key.encryptedVerifierHashInput);
  const std::vector<std::uint8_t> value =
      DecryptValue(key, spun, kVerifierValueBlockKey, key.encryptedVerifierHashValue);
  const std::size_t saltSize = key.parameters.salt.size();
  if (input.size() < saltSize || value.size() < key.parameters.hashSize)
    throw ExtractionError("agile verifier cut short");
  input.resize(saltSize);
  const std::vector<std::uint8_t> expected = HashOf(key.parameters.hash, {input});
  if (!std::equal(expected.begin(), expected.end(), value.begin())) return std::nullopt;
  std::vector<std::uint8_t> packageKey = DecryptValue(key, spun, kKeyValueBlockKey, key.encryptedKeyValue);
  const std::size_t keyBytes = descriptor.keyData.keyBits / 8;
  if (packageKey.size() < keyBytes) throw ExtractionError("agile package key cut short");
  packageKey.resize(keyBytes);
  return packageKey;
}

FileBytes DecryptAgilePackage(const AgileDescriptor& descriptor,
                                              std::span<const std::uint8_t> key,
                                              std::span<const std::uint8_t> encrypted,
                                              std::uint64_t packageSize) {
  const std::uint64_t blocks = (packageSize + kAesBlockSize - 1) / kAesBlockSize;
  if (blocks > encrypted.size() / kAesBlockSize) throw ExtractionError("encrypted package cut short");
  const auto cipherBytes = static_cast<std::size_t>(blocks * kAesBlockSize);
  const AgileKeyParameters& keyData = descriptor.keyData;
  const std::unique_ptr<AesDecryptor> aes = AesDecryptor::ForKey(key);
  FileBytes package(cipherBytes);
  Hash ivHash(keyData.hash);
  std::vector<std::uint8_t> iv(DigestSize(keyData.hash));
  for (std::size_t at = 0, segment = 0; at < cipherBytes; at += kSegmentSize, ++segment) {
    const std::size_t length = std::min(kSegmentSize, cipherBytes - at);
    ivHash.Update(keyData.salt).Update(LittleEndian32(static_cast<std::uint32_t>(segment))).FinishInto(iv);
    // Every hash is at least as long as the AES block the IV fills.
    aes->DecryptCbc(std::span(iv).first(keyData.blockSize), encrypted.subspan(at, length),
                    std::span(package).subspan(at, length));
  }
  package.resize(static_cast<std::size_t>(packageSize));
  return package;
}

}  // namespace tabulox
