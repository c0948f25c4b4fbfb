// Writing a whole file so that a failure never leaves a half-written file in
// place of a good one: the bytes go to a temporary file in the same folder,
// which is renamed over the destination once they are all on disk. Used by
// the front ends for converted text and by the desktop program for its own
// files.
#pragma once

#include <string>
#include <string_view>

namespace tabulox {

enum class AtomicWriteResult {
  kOk,
  kCreateFailed,  // the temporary file could not be created (folder missing, no access)
  kWriteFailed,   // writing, flushing or renaming failed; the destination is untouched
};

AtomicWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace tabulox
