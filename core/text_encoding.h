// Line breaks and output encodings shared by both conversion engines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/result_code.h"

namespace tabulox {

// Appends the text to `out` with every line break (CR LF, a lone CR, a lone
// LF) written as CR LF; every other byte is copied unchanged.
void AppendCrLfLineBreaks(std::string_view text, std::string& out);

// True when AppendCrLfLineBreaks would append the text unchanged: every CR is
// followed by an LF and every LF follows a CR.
bool HasOnlyCrLfBreaks(std::string_view text);

// Decodes engine text into UTF-16 code units. Sequences are one to three bytes
// long (a lead byte with bit 0x20 set starts a three-byte sequence); the unit is
// cut to 16 bits. Returns false when a continuation byte is not 10xxxxxx or a
// sequence is cut off by the end of the text.
bool DecodeEngineText(std::string_view text, std::u16string& units);

// True when EncodeText gives the text itself for the code page, after the
// byte-order mark of 65001: for 65001 text without surrogate halves to join,
// for 0 in a UTF-8 locale text that is shortest-form UTF-8 without surrogates.
bool EncodesAsItself(std::string_view text, std::int32_t codePage);

// Encodes engine text for the code page:
//   65001  EF BB BF, then the text (surrogate pairs joined into four-byte form)
//   1200   FF FE, then UTF-16LE
//   0      the system code page without byte-order mark (see code_pages.h)
//   other  that Windows code page; unconvertible characters become the code
//          page's default character; an unknown code page gives an empty result
// Returns 0 and fills `out`, or kTextNotConvertible when the text is not well
// formed (every code page but 65001, which passes the bytes through): a text
// that cannot be read never becomes an empty or shortened output.
ResultCode EncodeText(std::string_view text, std::int32_t codePage, std::string& out);

// Engine text as UTF-8 without a byte-order mark (surrogate halves joined):
// how names go to a program. Empty when the text is not well formed.
std::string EngineTextAsUtf8(std::string_view text);

}  // namespace tabulox
