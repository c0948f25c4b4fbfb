#include "output_block.h"

#include <cstring>

#include "large_pages.h"

namespace tabulox {

ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  return CopyToOutputBlock({}, bytes, block);
}

ResultCode CopyToOutputBlock(std::string_view head, std::string_view bytes, OutputBlock& block) {
  const std::size_t size = head.size() + bytes.size();
  ReserveLarge(block, size + 1, Filling::kWhole);
  block.resize(size + 1);
  if (!head.empty()) std::memcpy(block.data(), head.data(), head.size());
  if (!bytes.empty()) std::memcpy(block.data() + head.size(), bytes.data(), bytes.size());
  block[size] = 0;
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
