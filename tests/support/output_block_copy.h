// Fills an output block as a conversion does, for fake converters in tests.
#pragma once

#include <string_view>

#include "core/result_code.h"

namespace tabulox {

// Resizes the block to the byte count plus one, copies the bytes into its
// start and returns their number.
inline ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  block.assign(bytes);
  block.push_back('\0');
  return static_cast<ResultCode>(bytes.size());
}

}  // namespace tabulox
