// The two questions the last stage asks of a finished text before it becomes
// the output: are its line breaks already those of the style, and does it
// encode as itself. A large text is asked in two parts at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text_encoding.h"

namespace tabulox {

struct FinishedTextChecks {
  bool breaksOfStyle = false;    // HasOnlyBreaksOfStyle
  bool encodesAsItself = false;  // EncodesAsItself
};

FinishedTextChecks CheckFinishedText(std::string_view text, LineBreakStyle style,
                                     std::int32_t codePage);

// A place from `from` on where the text may be cut so that the checks of the
// two parts together answer for the whole: an ASCII byte that is neither CR
// nor LF and does not follow a CR, so that no character and no CR LF pair
// spans the cut. npos when there is none among the next `most` bytes.
std::size_t CheckCutPoint(std::string_view text, std::size_t from, std::size_t most);

// The checks of text[0, cut) and text[cut, end) made at once on two threads
// (one where no second thread can be started), combined.
FinishedTextChecks CheckFinishedTextInTwoParts(std::string_view text, std::size_t cut,
                                               LineBreakStyle style, std::int32_t codePage);

}  // namespace tabulox
