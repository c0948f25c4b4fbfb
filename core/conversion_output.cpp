#include "conversion_output.h"

#include <string>
#include <utility>

#include "code_pages.h"
#include "finished_text_checks.h"
#include "prepend_text.h"

namespace tabulox {

ResultCode FinishConversion(std::string&& text, OutputBlock& block, std::int32_t codePage,
                            LineBreakStyle style) {
  // Layout writes the breaks of the usual style already; copy only when some
  // break differs.
  const FinishedTextChecks checks = CheckFinishedText(text, style, codePage);
  std::string normalized;
  std::string* breaksDone = &text;
  bool asItself = checks.encodesAsItself;
  if (!checks.breaksOfStyle) {
    normalized = NormalizeLineBreaks(text, style);
    breaksDone = &normalized;
    asItself = EncodesAsItself(normalized, codePage);
  }
  // Text that is already in its final form becomes the block, after the byte
  // order mark of UTF-8 and with the zero after it.
  if (asItself) {
    const std::string_view mark = codePage == kCodePageUtf8 ? "\xEF\xBB\xBF" : "";
    const std::size_t size = mark.size() + breaksDone->size();
    if (size > kMaxResultBytes) return kFormatNotCorrect;
    PrependInPlace(*breaksDone, mark);
    breaksDone->push_back('\0');
    block = std::move(*breaksDone);
    return static_cast<ResultCode>(size);
  }
  std::string encoded;
  const ResultCode rc = EncodeText(*breaksDone, codePage, encoded);
  if (rc < 0) return rc;
  const std::size_t size = encoded.size();
  if (size > kMaxResultBytes) return kFormatNotCorrect;
  encoded.push_back('\0');
  block = std::move(encoded);
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
