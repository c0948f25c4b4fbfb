// The package inside an encrypted Office Open XML file ([MS-OFFCRYPTO]
// 2.3.4.4): the "EncryptionInfo" stream says how the "EncryptedPackage" stream
// was encrypted; standard and agile encryption are read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/file_bytes.h"
#include "crypt/decryption_outcome.h"

namespace tabulox {

// Decrypts the package with the default password or else `password` into
// `package` (its ZIP archive's bytes, on kDecrypted). A stream too short for
// its fields, a package size beyond the encrypted bytes, or a descriptor
// ReadAgileDescriptor refuses raises ExtractionError.
DecryptionOutcome DecryptPackage(std::span<const std::uint8_t> encryptionInfo,
                                 std::span<const std::uint8_t> encryptedPackage,
                                 const std::optional<std::string>& password,
                                 FileBytes& package);

}  // namespace tabulox
