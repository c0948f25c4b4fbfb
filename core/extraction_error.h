// The error raised inside an extraction. The entry points catch it (and any
// other exception) and return kFormatNotCorrect.
#pragma once

#include <stdexcept>

namespace tabulox {

class ExtractionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tabulox
