// Where a document comes from when it is read block by block.
#pragma once

#include <functional>
#include <string>

namespace tabulox {

// Appends the next block to its argument, or returns false (appending
// nothing) at the end.
using BlockSource = std::function<bool(std::string&)>;

}  // namespace tabulox
