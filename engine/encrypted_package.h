// The package of an encrypted Office Open XML file: a compound file whose
// "EncryptionInfo" and "EncryptedPackage" streams ([MS-OFFCRYPTO] 2.3.4.4)
// hold a ZIP archive (.xlsx, .xlsm, .xlsb) encrypted with a password.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/file_bytes.h"
#include "crypt/decryption_outcome.h"

namespace tabulox {

// Decrypts the package of `file` with the default password or else
// `password` into `package`. A file that is not a compound file with both
// streams, or whose streams are damaged, raises ExtractionError.
DecryptionOutcome DecryptPackageFile(std::span<const std::uint8_t> file,
                                     const std::optional<std::string>& password,
                                     FileBytes& package);

}  // namespace tabulox
