// Office binary document RC4 CryptoAPI encryption ([MS-OFFCRYPTO] 2.3.5) of
// binary workbooks: the key of each block for a password, 40 to 128 bits,
// whatever cryptographic provider the header names.
#pragma once

#include <optional>
#include <string_view>

#include "crypt/encryption_header.h"
#include "crypt/rc4_stream.h"

namespace tabulox {

// Whether the header asks for what this method reads: RC4 keyed through
// SHA-1 (2.3.5.1).
bool IsCryptoApiRc4(const BinaryEncryptionInfo& info);

// The block keys of `password` (2.3.5.2), or std::nullopt when the verifier
// shows that it is not the password (2.3.5.6). The info is IsCryptoApiRc4; a
// key size outside 40 to 128 bits in steps of 8 raises ExtractionError.
std::optional<Rc4BlockKey> CryptoApiRc4KeysForPassword(const BinaryEncryptionInfo& info,
                                                       std::u16string_view password);

}  // namespace tabulox
