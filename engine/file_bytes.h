// Reading a whole source file into memory, with the outcomes the entry points
// report: a missing file (or a directory) and a file that cannot be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "result_code.h"

namespace tabulox {

// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string& path);

// Reads the file; kSourceMissing when there is no file, kSourceOpenFailed when
// it cannot be opened or read, 0 on success.
ResultCode ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

}  // namespace tabulox
