// The XML encryption descriptor of ECMA-376 agile encryption ([MS-OFFCRYPTO]
// 2.3.4.10): how the package's key and data are encrypted, read from the
// EncryptionInfo stream after its version and reserved field.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "crypt/hash_function.h"

namespace tabulox {

// The attributes keyData and a password key encryptor share (CT_KeyData,
// CT_PasswordKeyEncryptor).
struct AgileKeyParameters {
  std::vector<std::uint8_t> salt;
  std::uint32_t blockSize = 0;
  std::uint32_t keyBits = 0;
  std::uint32_t hashSize = 0;
  HashAlgorithm hash = HashAlgorithm::kSha1;
};

// The password key encryptor: the package key encrypted with a key derived
// from the password, and the verifier that tells the password.
struct AgilePasswordKey {
  AgileKeyParameters parameters;
  std::uint32_t spinCount = 0;
  std::vector<std::uint8_t> encryptedVerifierHashInput;
  std::vector<std::uint8_t> encryptedVerifierHashValue;
  std::vector<std::uint8_t> encryptedKeyValue;
};

struct AgileDescriptor {
  AgileKeyParameters keyData;
  AgilePasswordKey passwordKey;
};

// [MS-OFFCRYPTO] 2.3.4.11: spin counts above this are not allowed, and would
// take minutes of hashing.
inline constexpr std::uint32_t kMaxAgileSpinCount = 10'000'000;

// The descriptor when it asks for what this reader decrypts: AES with CBC
// chaining, keyed through MD5, SHA-1 or SHA-2 from a password; std::nullopt
// for another cipher, chaining or hash, or when no key encryptor takes a
// password. A descriptor without a value the decryption needs, with a value
// that is not a number or not base64, or with sizes that do not fit the
// cipher and hash (key of 128, 192 or 256 bits, 16-byte blocks, a salt of 1
// to 65,536 bytes, the hash's own size) raises ExtractionError.
std::optional<AgileDescriptor> ReadAgileDescriptor(std::span<const std::uint8_t> xml);

}  // namespace tabulox
