// An OpenDocument data style (number:number-style, number:date-style ...)
// turned into the format code that writes its numbers the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

class OdsTag;

// One data style's code, built from its child elements as they are read.
class OdsNumberStyleBuilder {
 public:
  // Starts the data style of `tag` (number:number-style, number:date-style,
  // number:percentage-style ...).
  void Begin(const OdsTag& tag);
  // A child element, its text, and the end of the child.
  void Child(const OdsTag& tag);
  void Text(std::string_view text);
  void EndChild();

  // The format code of the style's own elements ("#,##0.00", "dd/mm/yyyy").
  const std::string& Code() const { return code_; }

 private:
  void AppendLiteral(std::string_view text);
  void AppendNumber(const OdsTag& tag);

  std::string code_;
  bool percentage_ = false;
  bool time_ = false;
  // Text is taken inside number:text and number:currency-symbol only.
  bool takesText_ = false;
  bool durationHours_ = false;  // number:truncate-on-overflow="false"
};

}  // namespace tabulox
