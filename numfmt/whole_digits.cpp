#include "numfmt/whole_digits.h"

#include <algorithm>

namespace tabulox {

void WholeDigitsWriter::Write(char placeholder, TextBuffer& out) {
  const int position = placeholders_ - 1 - next_;
  if (position < 0) return;
  if (next_ == 0) WriteLeading(position, out);
  ++next_;
  char shown = 0;
  if (position < length_)
    shown = DigitAt(position);
  else if (placeholder == '0')
    shown = '0';
  else if (placeholder == '?')
    shown = ' ';
  if (shown != 0) out.Put(shown);
  Group(position, shown, out);
}

// The same as Write for each placeholder, in one loop over the positions from
// the highest: the digits no placeholder stands for, then the placeholders'.
void WholeDigitsWriter::WriteAll(std::string_view placeholders, TextBuffer& out) {
  const auto count = static_cast<int>(placeholders.size());
  for (int p = std::max(length_, count) - 1; p >= 0; --p) {
    char shown = 0;
    if (p < length_) {
      shown = DigitAt(p);
    } else {
      const char placeholder = placeholders[static_cast<std::size_t>(count - 1 - p)];
      if (placeholder == '0')
        shown = '0';
      else if (placeholder == '?')
        shown = ' ';
    }
    if (shown != 0) out.Put(shown);
    Group(p, shown, out);
  }
  next_ += count;
}

void WholeDigitsWriter::WriteLeading(int position, TextBuffer& out) const {
  for (int p = length_ - 1; p > position; --p) {
    const char digit = DigitAt(p);
    out.Put(digit);
    Group(p, digit, out);
  }
}

}  // namespace tabulox
