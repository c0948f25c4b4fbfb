#include "crypt/binary_rc4.h"

#include <algorithm>
#include <vector>

#include "crypt/password_text.h"

namespace tabulox {
namespace {

// The password hash and the intermediate hash are each cut to 40 bits.
constexpr std::size_t kTruncatedHashSize = 5;
constexpr int kIntermediateRepeats = 16;

template <std::size_t size>
void ReadArray(ByteReader& fields, std::array<std::uint8_t, size>& out) {
  const std::span<const std::uint8_t> bytes = fields.bytes(size);
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

// 2.3.6.2: the truncated MD5 of the password, sixteen times with the salt,
// hashed and truncated again: what every block key is made from.
std::vector<std::uint8_t> PasswordKeyBase(std::span<const std::uint8_t> salt, std::u16string_view password) {
  std::vector<std::uint8_t> passwordHash = HashOf(HashAlgorithm::kMd5, {Utf16LeBytes(password)});
  passwordHash.resize(kTruncatedHashSize);
  Hash intermediate(HashAlgorithm::kMd5);
  for (int i = 0; i < kIntermediateRepeats; ++i) intermediate.Update(passwordHash).Update(salt);
  std::vector<std::uint8_t> base = intermediate.Finish();
  base.resize(kTruncatedHashSize);
  return base;
}

}  // namespace

Rc4Header ReadRc4Header(ByteReader& fields) {
  Rc4Header header;
  ReadArray(fields, header.salt);
  ReadArray(fields, header.encryptedVerifier);
  ReadArray(fields, header.encryptedVerifierHash);
  return header;
}

Rc4BlockKey Rc4KeysOf(std::span<const std::uint8_t> salt, std::u16string_view password) {
  return [base = PasswordKeyBase(salt, password)](std::uint32_t block) {
    return HashOf(HashAlgorithm::kMd5, {base, LittleEndian32(block)});
  };
}

std::optional<Rc4BlockKey> Rc4KeysForPassword(const Rc4Header& header, std::u16string_view password) {
  if (password.size() > kMaxPasswordUnits) return std::nullopt;
  Rc4BlockKey keyOf = Rc4KeysOf(header.salt, password);
  if (!Rc4VerifierMatches(keyOf, HashAlgorithm::kMd5, header.encryptedVerifier,
                          header.encryptedVerifierHash))
    return std::nullopt;
  return keyOf;
}

}  // namespace tabulox
