// The last stage both entry points share: line breaks, encoding and the copy
// into the caller's output block.
#pragma once

#include <cstdint>
#include <string_view>

#include "output_block.h"
#include "result_code.h"
#include "text_encoding.h"

namespace tabulox {

// The largest text an entry point can report: its length must fit the
// non-negative range of a result code.
inline constexpr std::size_t kMaxResultBytes = 0x7FFFFFFF;

// Rewrites the line breaks of engine text, encodes it for the code page and
// puts it into `block`. Returns the byte count, kTextNotConvertible, or
// kFormatNotCorrect when the encoded text would not fit a result code. `block`
// is only changed on success. Text that is already in its final form becomes
// the block itself; otherwise `text` is left as it was.
ResultCode FinishConversion(std::string&& text, OutputBlock& block, std::int32_t codePage,
                            LineBreakStyle style);

}  // namespace tabulox
