// The fraction approximation that fraction sections show.
#pragma once

#include <cstdint>

namespace tabulox {

struct Fraction {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
};

// The fraction closest to x (0 <= x < 1) whose denominator is at most
// `maxDenominator`; of two equally close ones the one with the smaller
// denominator. 0 gives 0/1.
Fraction BestFraction(double x, std::int64_t maxDenominator);

}  // namespace tabulox
