// The digits of a whole number laid out over the whole-part placeholders of a
// code ("#,##0", "000-00-0000", the whole part of "# ?/?"), one placeholder at
// a time from the left, so that literal text between them stays in place.
#pragma once

#include <string>
#include <string_view>

namespace tabulox {

class WholeDigitsWriter {
 public:
  // `digits`: the whole number without leading zeros, "" for 0; `placeholders`:
  // how many Write calls follow (at least 1); `group`: the thousands separator,
  // empty for no grouping.
  WholeDigitsWriter(std::string_view digits, int placeholders, std::string_view group)
      : digits_(digits), placeholders_(placeholders), group_(group) {}

  // The next placeholder: the first one also takes the digits that no
  // placeholder stands for. A placeholder without a digit writes "0" for "0", a
  // space for "?" and nothing for "#".
  void Write(char placeholder, std::string& out);

 private:
  // The separator after the digit at `position` (0 the units), when grouping:
  // a space after a blank, nothing after a placeholder that wrote nothing.
  void Group(int position, char shown, std::string& out) const;

  std::string_view digits_;
  int placeholders_;
  std::string_view group_;
  int next_ = 0;
};

}  // namespace tabulox
