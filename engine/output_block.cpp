#include "output_block.h"

#include "large_pages.h"

namespace tabulox {

ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  return CopyToOutputBlock({}, bytes, block);
}

ResultCode CopyToOutputBlock(std::string_view head, std::string_view bytes, OutputBlock& block) {
  const std::size_t size = head.size() + bytes.size();
  ReserveLarge(block, size + 1, Filling::kWhole);
  // Copied in, not zeroed first and then copied: with the room reserved
  // nothing below can fail, so a failure above leaves the block as it was.
  const auto bytesOf = [](std::string_view s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
  };
  block.assign(bytesOf(head), bytesOf(head) + head.size());
  block.insert(block.end(), bytesOf(bytes), bytesOf(bytes) + bytes.size());
  block.push_back(0);
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
