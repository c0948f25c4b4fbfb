#include "whole_digits.h"

namespace tabulox {

void WholeDigitsWriter::Write(char placeholder, TextBuffer& out) {
  const int position = placeholders_ - 1 - next_;
  if (position < 0) return;
  if (next_ == 0) {
    for (int p = length_ - 1; p > position; --p) {
      const char digit = DigitAt(p);
      out.Put(digit);
      Group(p, digit, out);
    }
  }
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

}  // namespace tabulox
