#include "conversion_output.h"

#include <string>

namespace tabulox {

ResultCode FinishConversion(std::string_view text, OutputBlock& block, std::int32_t codePage,
                            LineBreakStyle style) {
  const std::string normalized = NormalizeLineBreaks(text, style);
  std::string encoded;
  const ResultCode rc = EncodeText(normalized, codePage, encoded);
  if (rc < 0) return rc;
  if (encoded.size() > kMaxResultBytes) return kFormatNotCorrect;
  return CopyToOutputBlock(encoded, block);
}

}  // namespace tabulox
