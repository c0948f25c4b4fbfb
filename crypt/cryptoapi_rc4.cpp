#include "crypt/cryptoapi_rc4.h"

#include "core/extraction_error.h"
#include "crypt/password_text.h"

namespace tabulox {
namespace {

constexpr std::uint32_t kMinKeyBits = 40;
constexpr std::uint32_t kMaxKeyBits = 128;
// A 40-bit key is padded with zero bytes to 128 bits (2.3.5.2).
constexpr std::size_t kPaddedShortKeyBytes = 16;

}  // namespace

bool IsCryptoApiRc4(const BinaryEncryptionInfo& info) {
  const EncryptionHeader& header = info.header;
  return CipherAlgorithm(header) == kAlgorithmRc4 &&
         (header.hashAlgorithm == 0 || header.hashAlgorithm == kAlgorithmSha1) &&
         (header.flags & kEncryptionFlagExternal) == 0;
}

Rc4BlockKey CryptoApiRc4KeysOf(std::span<const std::uint8_t> salt, std::uint32_t keyBits,
                               std::u16string_view password) {
  const std::size_t keyBytes = keyBits / 8;
  std::vector<std::uint8_t> passwordHash = HashOf(HashAlgorithm::kSha1, {salt, Utf16LeBytes(password)});
  return [passwordHash = std::move(passwordHash), keyBytes](std::uint32_t block) {
    std::vector<std::uint8_t> key = HashOf(HashAlgorithm::kSha1, {passwordHash, LittleEndian32(block)});
    key.resize(keyBytes);
    if (keyBytes == kMinKeyBits / 8) key.resize(kPaddedShortKeyBytes, 0);
    return key;
  };
}

std::optional<Rc4BlockKey> CryptoApiRc4KeysForPassword(const BinaryEncryptionInfo& info,
                                                       std::u16string_view password) {
  // KeySize 0 stands for 40 bits.
  const std::uint32_t keyBits = info.header.keyBits == 0 ? kMinKeyBits : info.header.keyBits;
  if (keyBits < kMinKeyBits || keyBits > kMaxKeyBits || keyBits % 8 != 0)
    throw ExtractionError("RC4 CryptoAPI key size");
  const std::vector<std::uint8_t>& verifierHash = info.verifier.encryptedVerifierHash;
  if (verifierHash.size() < kRc4VerifierHashBytes) throw ExtractionError("RC4 CryptoAPI verifier cut short");
  if (password.size() > kMaxPasswordUnits) return std::nullopt;
  Rc4BlockKey keyOf = CryptoApiRc4KeysOf(info.verifier.salt, keyBits, password);
  if (!Rc4VerifierMatches(keyOf, HashAlgorithm::kSha1, info.verifier.encryptedVerifier,
                          std::span(verifierHash).first(kRc4VerifierHashBytes)))
    return std::nullopt;
  return keyOf;
}

}  // namespace tabulox
