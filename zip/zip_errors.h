// Errors the archive reader raises to its caller. Their texts are the reader's
// own messages.
#pragma once

#include <stdexcept>
#include <string>

namespace tabulox {

// The central directory is damaged and no local header could be found either.
class ZipFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ZipFormatError() : std::runtime_error("Not a valid zip file!") {}
};

// The archive file cannot be opened or read ("Cannot open file <path>").
class ZipOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The data of a stored member ends before its compressed size is reached.
class ZipTruncatedError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ZipTruncatedError() : std::runtime_error("Premature end of file reached") {}
};

}  // namespace tabulox
