// Reading a whole source file into memory, with the outcomes the entry points
// report: a missing file (or a directory) and a file that cannot be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/huge_pages.h"
#include "core/result_code.h"

namespace tabulox {

// The bytes of a file as read; a large file's in 2 MiB pages where the kernel
// offers them (filling 16 MB of 4 KiB pages costs several times as much).
using FileBytes = std::vector<std::uint8_t, HugePageAllocator<std::uint8_t>>;

// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string& path);

// Reads the file up to the size it had when it was opened (fewer bytes when it
// shrank meanwhile); kSourceMissing when there is no file, kSourceOpenFailed
// when it cannot be opened or read, 0 on success.
ResultCode ReadFileBytes(const std::string& path, FileBytes& bytes);

// Reads at most `count` bytes from the start of the file, with the same
// outcomes: what tells the kind of a file without reading all of it.
ResultCode ReadFileStart(const std::string& path, std::size_t count, FileBytes& bytes);

}  // namespace tabulox
