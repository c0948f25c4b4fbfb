// A block source over a string that hands out blocks of random sizes, so that
// tokens and items fall across block boundaries at every position.
#pragma once

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>

#include "xml/xml_tokenizer.h"

namespace tabulox::testing {

inline BlockSource RandomBlocks(std::string bytes, unsigned seed, std::size_t largest = 9) {
  struct State {
    std::string bytes;
    std::size_t pos = 0;
    std::mt19937 random;
  };
  auto state = std::make_shared<State>(State{std::move(bytes), 0, std::mt19937(seed)});
  return [state, largest](std::string& out) {
    if (state->pos == state->bytes.size()) return false;
    const std::size_t length =
        std::min(1 + state->random() % largest, state->bytes.size() - state->pos);
    out.append(state->bytes, state->pos, length);
    state->pos += length;
    return true;
  };
}

}  // namespace tabulox::testing
