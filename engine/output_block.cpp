#include "output_block.h"

#include <cstring>

namespace tabulox {

ResultCode CopyToOutputBlock(std::string_view bytes, OutputBlock& block) {
  block.resize(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(block.data(), bytes.data(), bytes.size());
  block[bytes.size()] = 0;
  return static_cast<ResultCode>(bytes.size());
}

}  // namespace tabulox
