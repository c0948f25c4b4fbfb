#include "core/conversion_output.h"

#include <string>
#include <utility>

#include "core/code_pages.h"

namespace tabulox {

std::string_view LeadingMark(std::int32_t codePage) {
  return codePage == kCodePageUtf8 ? "\xEF\xBB\xBF" : "";
}

ResultCode FinishConversion(std::string&& text, OutputBlock& block, std::int32_t codePage,
                            LineBreaks breaks) {
  const std::size_t markSize = LeadingMark(codePage).size();
  // Layout writes the breaks of the usual style already; copy only when some
  // break differs, after the same mark.
  std::string normalized;
  std::string* finished = &text;
  if (breaks == LineBreaks::kCrLf && !HasOnlyCrLfBreaks(std::string_view(text).substr(markSize))) {
    normalized.assign(text, 0, markSize);
    AppendCrLfLineBreaks(std::string_view(text).substr(markSize), normalized);
    finished = &normalized;
  }
  const std::string_view engineText = std::string_view(*finished).substr(markSize);
  // Text that is already in its final form becomes the block, with the zero
  // after it.
  if (EncodesAsItself(engineText, codePage)) {
    const std::size_t size = finished->size();
    if (size > kMaxResultBytes) return kFormatNotCorrect;
    finished->push_back('\0');
    block = std::move(*finished);
    return static_cast<ResultCode>(size);
  }
  std::string encoded;
  const ResultCode rc = EncodeText(engineText, codePage, encoded);
  if (rc < 0) return rc;
  const std::size_t size = encoded.size();
  if (size > kMaxResultBytes) return kFormatNotCorrect;
  encoded.push_back('\0');
  block = std::move(encoded);
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
