#include "conversion_output.h"

#include <cstring>
#include <string>

#include "code_pages.h"

namespace tabulox {

ResultCode FinishConversion(std::string_view text, OutputBlock& block, std::int32_t codePage,
                            LineBreakStyle style) {
  // Layout writes the breaks of the usual style already; copy only when some
  // break differs.
  std::string normalized;
  std::string_view breaksDone = text;
  if (!HasOnlyBreaksOfStyle(text, style)) {
    normalized = NormalizeLineBreaks(text, style);
    breaksDone = normalized;
  }
  // UTF-8 text without a 0xED byte holds no surrogate pair to join, so its
  // encoding is the byte order mark and the text itself: copied once.
  if (codePage == kCodePageUtf8 &&
      std::memchr(breaksDone.data(), 0xED, breaksDone.size()) == nullptr) {
    if (3 + breaksDone.size() > kMaxResultBytes) return kFormatNotCorrect;
    return CopyToOutputBlock("\xEF\xBB\xBF", breaksDone, block);
  }
  std::string encoded;
  const ResultCode rc = EncodeText(breaksDone, codePage, encoded);
  if (rc < 0) return rc;
  if (encoded.size() > kMaxResultBytes) return kFormatNotCorrect;
  return CopyToOutputBlock(encoded, block);
}

}  // namespace tabulox
