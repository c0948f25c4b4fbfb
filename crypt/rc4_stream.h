// RC4 ([SCHNEIER] 17.1) by Nettle's arcfour, for the methods of binary
// workbooks that key it anew for every block of a stream.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "crypt/hash_function.h"

namespace tabulox {

// The RC4 key of each block of an encrypted stream, by block number
// ([MS-OFFCRYPTO] 2.3.6.2, 2.3.5.2).
using Rc4BlockKey = std::function<std::vector<std::uint8_t>(std::uint32_t block)>;

// Encrypts or decrypts `bytes` in place with a key stream started from `key`
// (1 to 256 bytes).
void ApplyRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> bytes);

// The password check of both RC4 methods ([MS-OFFCRYPTO] 2.3.6.4, 2.3.5.6):
// the verifier and its hash decrypted with the key of block 0, one key stream
// over both, and the hash of the verifier compared with the hash decrypted.
bool Rc4VerifierMatches(const Rc4BlockKey& keyOf, HashAlgorithm hash,
                        std::span<const std::uint8_t> encryptedVerifier,
                        std::span<const std::uint8_t> encryptedVerifierHash);

}  // namespace tabulox
