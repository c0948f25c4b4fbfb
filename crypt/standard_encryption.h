// ECMA-376 standard encryption of packages ([MS-OFFCRYPTO] 2.3.4.5 to
// 2.3.4.9): AES-128, -192 or -256 in ECB mode, keyed from the password through
// 50,000 rounds of SHA-1.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/file_bytes.h"
#include "crypt/encryption_header.h"

namespace tabulox {

// Whether the header asks for what this method reads: AES with SHA-1, not an
// extensible (external) method.
bool IsStandardAes(const BinaryEncryptionInfo& info);

// The AES key of `keyBytes` bytes that `password` and `salt` give (2.3.4.7).
std::vector<std::uint8_t> StandardKeyOf(std::span<const std::uint8_t> salt, std::size_t keyBytes,
                                        std::u16string_view password);

// The AES key of `password`, or std::nullopt when the verifier shows
// that it is not the password (2.3.4.8). The info is IsStandardAes; a key size
// that does not fit its algorithm, or a verifier hash cut short, raises
// ExtractionError.
std::optional<std::vector<std::uint8_t>> StandardKeyForPassword(const BinaryEncryptionInfo& info,
                                                                std::u16string_view password);

// The package in `encrypted` (the EncryptedPackage stream after its size field)
// decrypted with `key`, `packageSize` bytes (2.3.4.9). Raises ExtractionError
// when the stream holds fewer whole blocks than that takes.
FileBytes DecryptStandardPackage(std::span<const std::uint8_t> key,
                                                 std::span<const std::uint8_t> encrypted,
                                                 std::uint64_t packageSize);

}  // namespace tabulox
