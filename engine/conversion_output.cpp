#include "conversion_output.h"

#include <string>

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
  std::string encoded;
  const ResultCode rc = EncodeText(breaksDone, codePage, encoded);
  if (rc < 0) return rc;
  if (encoded.size() > kMaxResultBytes) return kFormatNotCorrect;
  return CopyToOutputBlock(encoded, block);
}

}  // namespace tabulox
