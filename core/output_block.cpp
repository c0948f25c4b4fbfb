#include "output_block.h"


namespace tabulox {

ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  return CopyToOutputBlock({}, bytes, block);
}

ResultCode CopyToOutputBlock(std::string_view head, std::string_view bytes, OutputBlock& block) {
  const std::size_t size = head.size() + bytes.size();
  block.reserve(size + 1);
  // Copied in, not zeroed first and then copied: with the room reserved
  // nothing below can fail, so a failure above leaves the block as it was.
  block.assign(head);
  block.append(bytes);
  block.push_back('\0');
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
