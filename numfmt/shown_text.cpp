// Sections of literal text, "General" and "@".
#include "numfmt/general_format.h"
#include "numfmt/section_renderers.h"

namespace tabulox {

ShownValue AppendGeneralSection(const FormatSection& section, double magnitude, std::string& out) {
  bool general = false;
  for (const FormatToken& token : section.tokens) {
    if (token.kind == TokenKind::kLiteral) {
      out += section.TextOf(token);
    } else if (token.kind == TokenKind::kGeneral) {
      AppendGeneralShown(magnitude, out);
      general = true;
    }
  }
  // Text alone takes no minus sign.
  return general && magnitude != 0 ? ShownValue::kNonZero : ShownValue::kZero;
}

void AppendTextSection(const FormatSection& section, std::string_view text, std::string& out) {
  for (const FormatToken& token : section.tokens) {
    if (token.kind == TokenKind::kLiteral)
      out += section.TextOf(token);
    else if (token.kind == TokenKind::kTextValue)
      out += text;
  }
}

}  // namespace tabulox
