// Result codes shared by both readers and both programs.
#pragma once

#include "tabulox/result_codes.h"

namespace tabulox {

// Outcomes inside the engine only, which it gives to programs as
// kSourceEncrypted. The workbook is encrypted with a method its reader does
// not decrypt (Engine::LastEncryptionFailure tells this reason apart):
inline constexpr ResultCode kEncryptionMethodUnknown = -1011;
// The compound file holds an encrypted package, not a workbook stream: the
// engine decrypts it and hands it to the package readers.
inline constexpr ResultCode kEncryptedPackage = -1012;

}  // namespace tabulox
