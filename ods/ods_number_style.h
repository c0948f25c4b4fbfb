// An OpenDocument data style (number:number-style, number:date-style ...)
// turned into the format code that writes its numbers the same way.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulox {

class OdsTag;

// One data style's code, built from its child elements as they are read.
class OdsNumberStyleBuilder {
 public:
  // Starts the data style of `tag` (number:number-style, number:date-style,
  // number:percentage-style ...).
  void Begin(const OdsTag& tag);
  // An element inside the style (`depth` 1 for a child of the style, 2 for
  // one of its children), its text, and the end of an element.
  void Element(const OdsTag& tag, int depth);
  void Text(std::string_view text);
  void EndElement(int depth);

  // The format code of the style's own elements ("#,##0.00", "dd/mm/yyyy").
  const std::string& Code() const { return code_; }

 private:
  void Child(const OdsTag& tag);
  void AppendLiteral(std::string_view text, std::string& code) const;
  // Ends a number:currency-symbol: one without text writes the local symbol.
  void EndCurrencySymbol();
  // Puts the Japanese locale id before the code, once.
  void MarkJapaneseEras();
  void BeginNumber(const OdsTag& tag);
  // The number element with its embedded texts, once it ends.
  void EndNumber();

  std::string code_;
  bool percentage_ = false;
  bool time_ = false;
  // Text is taken inside number:text and number:currency-symbol only.
  bool takesText_ = false;
  // A number:currency-symbol without text yet: one that stays empty stands
  // for the local currency.
  bool symbolPending_ = false;
  bool durationHours_ = false;  // number:truncate-on-overflow="false"
  // A number:number being read: its digits and the texts embedded in them
  // (number:embedded-text, by position counted in digits from the point).
  bool inNumber_ = false;
  std::string integers_;
  std::string decimals_;
  std::vector<std::pair<int, std::string>> embedded_;
  bool takesEmbeddedText_ = false;
};

}  // namespace tabulox
