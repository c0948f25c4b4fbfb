// ECMA-376 agile encryption of packages ([MS-OFFCRYPTO] 2.3.4.10 to
// 2.3.4.15): the package key from a password, and the package decrypted
// segment by segment.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "crypt/agile_descriptor.h"

namespace tabulox {

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
std::vector<std::uint8_t> DecryptAgilePackage(const AgileDescriptor& descriptor,
                                              std::span<const std::uint8_t> key,
                                              std::span<const std::uint8_t> encrypted,
                                              std::uint64_t packageSize);

}  // namespace tabulox
