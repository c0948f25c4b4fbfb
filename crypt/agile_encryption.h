// ECMA-376 agile encryption of packages ([MS-OFFCRYPTO] 2.3.4.10 to
// 2.3.4.15): the package key from a password, and the package decrypted
// segment by segment.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/file_bytes.h"
#include "crypt/agile_descriptor.h"

namespace tabulox {

// The block keys of the password key encryptor's values (2.3.4.13): the
// verifier hash input, the verifier hash value and the package key.
inline constexpr std::array<std::uint8_t, 8> kVerifierInputBlockKey = {0xfe, 0xa7, 0xd2, 0x76,
                                                                       0x3b, 0x4b, 0x9e, 0x79};
inline constexpr std::array<std::uint8_t, 8> kVerifierValueBlockKey = {0xd7, 0xaa, 0x0f, 0x6d,
                                                                       0x30, 0x61, 0x34, 0x4e};
inline constexpr std::array<std::uint8_t, 8> kKeyValueBlockKey = {0x14, 0x6e, 0x0b, 0xe7,
                                                                  0xab, 0xac, 0xd0, 0xd6};

// The key `password` gives for one of the encryptor's values (2.3.4.11):
// the password hashed with the salt and rehashed spinCount times, hashed with
// the block key and sized to keyBits.
std::vector<std::uint8_t> AgileEncryptorKey(const AgilePasswordKey& key, std::u16string_view password,
                                            std::span<const std::uint8_t> blockKey);

// The package key (keyData.keyBits long) that the password key encryptor
// holds, decrypted with the key `password` gives (2.3.4.11, 2.3.4.13), or
// std::nullopt when the verifier shows that it is not the password. An
// encrypted value that is not whole blocks, or shorter than what it holds,
// raises ExtractionError.
std::optional<std::vector<std::uint8_t>> AgileKeyForPassword(const AgileDescriptor& descriptor,
                                                             std::u16string_view password);

// The package in `encrypted` (the EncryptedPackage stream after its size field)
// decrypted with `key`, `packageSize` bytes: segments of 4,096 bytes, each
// chained from an IV made of keyData's salt and the segment's number
// (2.3.4.15). Raises ExtractionError when the stream holds fewer whole blocks
// than that takes.
FileBytes DecryptAgilePackage(const AgileDescriptor& descriptor,
                                              std::span<const std::uint8_t> key,
                                              std::span<const std::uint8_t> encrypted,
                                              std::uint64_t packageSize);

}  // namespace tabulox
