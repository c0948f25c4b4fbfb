// The digits of a whole number laid out over the whole-part placeholders of a
// code ("#,##0", "000-00-0000", the whole part of "# ?/?"), one placeholder at
// a time from the left, so that literal text between them stays in place.
#pragma once

#include <string_view>

#include "numfmt/text_buffer.h"

namespace tabulox {

class WholeDigitsWriter {
 public:
  // The whole number has `length` digits: `leading`, then zeros (a shown
  // number keeps 15 significant digits, so a large one ends in zeros);
  // `length` 0 for 0, and no leading zeros. `placeholders`: how many Write
  // calls follow (at least 1); `group`: the thousands separator, empty for no
  // grouping.
  WholeDigitsWriter(std::string_view leading, int length, int placeholders, std::string_view group)
      : leading_(leading), length_(length), placeholders_(placeholders), group_(group) {}
  // A whole number given by all its digits.
  WholeDigitsWriter(std::string_view digits, int placeholders, std::string_view group)
      : WholeDigitsWriter(digits, static_cast<int>(digits.size()), placeholders, group) {}

  // The next placeholder: the first one also takes the digits that no
  // placeholder stands for. A placeholder without a digit writes "0" for "0", a
  // space for "?" and nothing for "#".
  void Write(char placeholder, TextBuffer& out);

  // Write for each of the placeholders, which are all there are (`placeholders`
  // given to the constructor) and none written yet: the whole part of a code
  // whose placeholders stand together.
  void WriteAll(std::string_view placeholders, TextBuffer& out);

 private:
  // The digits above the first placeholder's `position`, which no placeholder
  // stands for.
  void WriteLeading(int position, TextBuffer& out) const;
  // The digit at `position` (0 the units), which is below length_.
  char DigitAt(int position) const {
    const int index = length_ - 1 - position;
    return index < static_cast<int>(leading_.size()) ? leading_[static_cast<std::size_t>(index)] : '0';
  }
  // The separator after the digit at `position`, when grouping: a space after
  // a blank, nothing after a placeholder that wrote nothing.
  void Group(int position, char shown, TextBuffer& out) const {
    if (group_.empty() || position <= 0 || position % 3 != 0 || shown == 0) return;
    if (shown == ' ')
      out.Put(' ');
    else
      out.Put(group_);
  }

  std::string_view leading_;
  int length_;
  int placeholders_;
  std::string_view group_;
  int next_ = 0;
};

}  // namespace tabulox
