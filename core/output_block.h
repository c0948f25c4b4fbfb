// The caller-owned output block of the entry points. After a successful call it
// is one byte longer than the result, and its first result bytes are the
// encoded text; after a failed call it is left exactly as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/result_code.h"

namespace tabulox {

// OutputBlock (tabulox/result_codes.h) holds its bytes as a string, so that a
// text already in its final form becomes the block without being copied (see
// FinishConversion).

// Resizes the block to the byte count plus one, copies the bytes into its
// start and returns their number.
ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block);

}  // namespace tabulox
