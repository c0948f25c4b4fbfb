#include "conversion_output.h"

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
  // Text that is already in its final form is copied once, after the byte
  // order mark of UTF-8.
  if (EncodesAsItself(breaksDone, codePage)) {
    const std::string_view mark = codePage == kCodePageUtf8 ? "\xEF\xBB\xBF" : "";
    if (mark.size() + breaksDone.size() > kMaxResultBytes) return kFormatNotCorrect;
    return CopyToOutputBlock(mark, breaksDone, block);
  }
  std::string encoded;
  const ResultCode rc = EncodeText(breaksDone, codePage, encoded);
  if (rc < 0) return rc;
  if (encoded.size() > kMaxResultBytes) return kFormatNotCorrect;
  return CopyToOutputBlock(encoded, block);
}

}  // namespace tabulox
