// The escapes of string texts in spreadsheet parts (ECMA-376 Part 1,
// ST_Xstring): "_x" followed by four hexadecimal digits and "_" stands for the
// UTF-16 code unit they give, so that a writer can store characters XML
// cannot hold (a CR, control characters). "_x005F_" stands for "_" and so
// keeps a following "x0041_" literal.
#pragma once

#include <string>
#include <string_view>

namespace tabulox {

// Appends the text with every escape replaced by its code unit in engine
// text, in one pass from the left: "_x000D_" gives a CR, "_x005F_x0041_"
// gives "_x0041_". Escapes of surrogates give them as written, so a pair of
// them is one character beyond the first plane. "_x0000_", a zero character,
// gives a space, as a zero character of an .xls string does.
void AppendUnescapedXstring(std::string_view text, std::string& out);

}  // namespace tabulox
