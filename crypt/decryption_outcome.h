// How an attempt to open an encrypted workbook ends. A damaged encryption
// structure is no outcome of its own: it raises ExtractionError, as any
// damaged part of a workbook does.
#pragma once

namespace tabulox {

enum class DecryptionOutcome {
  kDecrypted,
  // Neither the default password nor the caller's opened it.
  kPasswordRefused,
  // Encrypted by a method, cipher or hash the readers here do not decrypt.
  kMethodUnknown,
};

}  // namespace tabulox
