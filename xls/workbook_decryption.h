// Encrypted workbook streams ([MS-XLS] 2.2.10 Encryption (Password to Open),
// 2.4.117 FilePass): a FILEPASS record in the globals says how the records
// after it were encrypted. BIFF8 streams are read with XOR obfuscation, RC4 or
// RC4 CryptoAPI, BIFF5 and BIFF7 streams with XOR obfuscation; BIFF2 to BIFF4
// encryption is not read.
//
// A stream is decrypted whole into a copy, which the readers then read as
// they read any stream: record headers are never encrypted, nor the records
// that must stay readable (BOF, FILEPASS, INTERFACEHDR, USREXCL, FILELOCK,
// RRDINFO, RRDHEAD) and the sheet positions of BOUNDSHEET records.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/file_bytes.h"
#include "crypt/decryption_outcome.h"

namespace tabulox {

// The type the FILEPASS record takes in a decrypted copy: no BIFF record has
// it, so the readers pass over the record as over any they do not read, and
// the copy reads as the workbook read before it was encrypted.
inline constexpr std::uint16_t kRecordFilePassOpened = 0xFFFF;

// std::nullopt for a stream without a FILEPASS record. Otherwise tries the
// default password and then `password`, and on kDecrypted fills `decrypted`
// with the stream decrypted. A FILEPASS record too short for its method, or
// a key size RC4 CryptoAPI does not allow, raises ExtractionError.
std::optional<DecryptionOutcome> DecryptWorkbookStream(std::span<const std::uint8_t> stream,
                                                       const std::optional<std::string>& password,
                                                       FileBytes& decrypted);

}  // namespace tabulox
