#include "core/output_block.h"

namespace tabulox {

ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  block.reserve(bytes.size() + 1);
  // Copied in, not zeroed first and then copied: with the room reserved
  // nothing below can fail, so a failure above leaves the block as it was.
  block.assign(bytes);
  block.push_back('\0');
  return static_cast<ResultCode>(bytes.size());
}

}  // namespace tabulox
