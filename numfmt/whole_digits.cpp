#include "whole_digits.h"

namespace tabulox {

void WholeDigitsWriter::Write(char placeholder, std::string& out) {
  const int length = static_cast<int>(digits_.size());
  const int position = placeholders_ - 1 - next_;
  if (position < 0) return;
  if (next_ == 0) {
    for (int p = length - 1; p > position; --p) {
      const char digit = digits_[static_cast<std::size_t>(length - 1 - p)];
      out.push_back(digit);
      Group(p, digit, out);
    }
  }
  ++next_;
  char shown = 0;
  if (position < length)
    shown = digits_[static_cast<std::size_t>(length - 1 - position)];
  else if (placeholder == '0')
    shown = '0';
  else if (placeholder == '?')
    shown = ' ';
  if (shown != 0) out.push_back(shown);
  Group(position, shown, out);
}

void WholeDigitsWriter::Group(int position, char shown, std::string& out) const {
  if (group_.empty() || position <= 0 || position % 3 != 0 || shown == 0) return;
  if (shown == ' ')
    out.push_back(' ');
  else
    out += group_;
}

}  // namespace tabulox
