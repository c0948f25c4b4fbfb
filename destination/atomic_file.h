// Writing a converted text to its destination so that nothing the user had is
// lost. A regular file is written to a temporary file in the destination's
// folder and renamed into place once every byte is on disk, so a failure never
// leaves a half-written file in place of a good one. Used by both front ends.
//
// What counts as an existing destination is anything at the path: a regular
// file, a symbolic link (also one that points nowhere), a FIFO, a device node,
// a directory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tabulox {

enum class AtomicWriteResult {
  kOk,
  kExists,        // something is at the destination and replacing was not allowed
  kCreateFailed,  // the destination cannot be created (folder missing, no access, a directory)
  kWriteFailed,   // writing, flushing or putting in place failed; the destination is untouched
};

enum class ExistingDestination {
  kKeep,     // a destination that exists when the text is put in place is left alone (kExists)
  kReplace,  // a regular file is replaced (through a link: its target, the link kept); a FIFO
             // or character device is written into in place; a directory is kCreateFailed
};

// True when anything is at `path`; a symbolic link is not followed.
bool DestinationExists(const std::string& path);

// Writes `bytes` to `path`. A file that did not exist is created with the
// permissions 0666 less the umask; a replaced file keeps its permission bits,
// and its owner and group where the process may set them. `beforePlacing`, when
// given, is called once the temporary file is complete, just before it is put
// in place (a seam for tests).
AtomicWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                                      ExistingDestination existing,
                                      const std::function<void()>& beforePlacing = {});

// Makes SIGINT, SIGTERM and SIGHUP remove a temporary file that a write has
// under way before the process ends with that signal, as it would have without
// the handler. Installed once per process, by programs that do not handle those
// signals themselves.
void RemoveTemporaryFilesOnSignals();

}  // namespace tabulox
