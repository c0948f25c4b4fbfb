// Office binary document RC4 encryption ([MS-OFFCRYPTO] 2.3.6), the 40-bit
// method of binary workbooks: the RC4 Encryption Header that follows its
// version (1.1) and the key of each block for a password.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/byte_reader.h"
#include "crypt/rc4_stream.h"

namespace tabulox {

// [MS-OFFCRYPTO] 2.3.6.1, after EncryptionVersionInfo.
struct Rc4Header {
  std::array<std::uint8_t, 16> salt{};
  std::array<std::uint8_t, 16> encryptedVerifier{};
  std::array<std::uint8_t, 16> encryptedVerifierHash{};
};

// Raises ExtractionError when the fields are cut short.
Rc4Header ReadRc4Header(ByteReader& fields);

// The block keys `password` and `salt` give (2.3.6.2).
Rc4BlockKey Rc4KeysOf(std::span<const std::uint8_t> salt, std::u16string_view password);

// The block keys of `password`, or std::nullopt when the header's verifier
// shows that it is not the password (2.3.6.4).
std::optional<Rc4BlockKey> Rc4KeysForPassword(const Rc4Header& header, std::u16string_view password);

}  // namespace tabulox
