// Office binary document RC4 CryptoAPI encryption ([MS-OFFCRYPTO] 2.3.5) of
// binary workbooks: the key of each block for a password, 40 to 128 bits,
// whatever cryptographic provider the header names.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "crypt/encryption_header.h"
#include "crypt/rc4_stream.h"

namespace tabulox {

// Whether the header asks for what this method reads: RC4 keyed through
// SHA-1 (2.3.5.1).
bool IsCryptoApiRc4(const BinaryEncryptionInfo& info);

// The block keys `password` and `salt` give for keys of `keyBits` bits
// (2.3.5.2), 40 to 128 bits in steps of 8.
Rc4BlockKey CryptoApiRc4KeysOf(std::span<const std::uint8_t> salt, std::uint32_t keyBits,
                               std::u16string_view password);

// The block keys of `password`, or std::nullopt when the verifier
// shows that it is not the password (2.3.5.6). The info is IsCryptoApiRc4; a
// key size outside 40 to 128 bits in steps of 8, or a verifier hash cut
// short, raises ExtractionError.
std::optional<Rc4BlockKey> CryptoApiRc4KeysForPassword(const BinaryEncryptionInfo& info,
                                                       std::u16string_view password);

}  // namespace tabulox
