// The last stage both entry points share: line breaks, encoding and the copy
// into the caller's output block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/result_code.h"
#include "core/text_encoding.h"

namespace tabulox {

// The largest text an entry point can report: its length must fit the
// non-negative range of a result code.
inline constexpr std::size_t kMaxResultBytes = 0x7FFFFFFF;

// The byte-order mark that opens the output of the code page when the text is
// already in its final form (EncodesAsItself): that of UTF-8 for 65001, none
// for the others. The entry points start their text with it, so that such a
// text becomes the output block where it lies, without being moved.
std::string_view LeadingMark(std::int32_t codePage);

// What the last stage does with the line breaks of a text: writes each as
// CR LF (the default layout), or keeps them as the text holds them (the
// as-shown layouts, whose grid ends its lines with CR LF itself and whose
// quoted fields keep the line breaks of their cells).
enum class LineBreaks { kCrLf, kAsHeld };

// Takes LeadingMark(codePage) followed by engine text, writes its line
// breaks as `breaks` says, encodes the text for the code page and puts it into `block`. Returns
// the byte count, kTextNotConvertible, or kFormatNotCorrect when the encoded
// text would not fit a result code. `block` is only changed on success. Text
// that is already in its final form becomes the block itself; otherwise
// `text` is left as it was.
ResultCode FinishConversion(std::string&& text, OutputBlock& block, std::int32_t codePage,
                            LineBreaks breaks);

}  // namespace tabulox
