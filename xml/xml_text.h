// Byte-level text rules of the lenient XML reader: line-break pair removal,
// entity and character reference decoding, tag names and attribute lines.
// Everything works on bytes; UTF-8 passes through unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

// True when the text holds a byte above 0x20 (the text is not blank).
bool HasSignificantByte(std::string_view text);

// Appends the text with every CR LF pair removed and then every LF CR pair
// removed from that result; lone CRs and LFs stay.
void AppendWithoutLineBreakPairs(std::string_view text, std::string& out);

// True when the text holds a reference that DecodeEntities replaces: "&lt;",
// "&gt;", "&quot;", "&apos;", "&amp;", or a character reference.
bool HasEntity(std::string_view text);

// Appends the text decoded `times` times (1 or more). One decoding replaces,
// in one pass from the left, each predefined entity ("&lt;", "&gt;",
// "&quot;", "&apos;", "&amp;", case-sensitive) and each character reference
// ("&#" decimal digits ";" or "&#x" hexadecimal digits ";") that names a
// character XML allows by its character, in engine text (a character beyond
// the first plane as its two surrogates); so "&amp;#65;" gives "&#65;". Every
// other "&" stays as written, an invalid reference ("&#0;", "&#xD800;",
// "&#x110000;", "&#65" without ";") included. Repeated decoding is computed
// in one pass: only an "&amp;" chain can form a new reference (a character a
// reference gives is not read again), so the work is linear in the text
// whatever `times` is.
void AppendDecodedEntities(std::string_view text, std::size_t times, std::string& out);

// The name of a start or empty tag, from the bytes between "<" and ">": what
// comes before the first space; without a space, before the first "/"; without
// either, all of it.
std::string_view TagName(std::string_view inner);

// One attribute line "name=value". A line without "=" keeps its whole text in
// `name` and has `hasValue` false.
struct XmlAttributeLine {
  std::string_view name;
  std::string_view value;  // raw: quotes not yet removed, entities not decoded
  bool hasValue = false;
  bool valueHasAmpersand = false;
};

// Splits the attribute text of a tag (the bytes between "<" and ">") into
// lines: the text after the first space, without a "/" at its end; outside
// double quotes every space but the text's last byte breaks a line, and CR, LF
// and CR LF break lines as well (LF CR is two breaks, so it leaves an empty
// line). No space means no lines. The views point into `inner`.
void SplitAttributeLines(std::string_view inner, std::vector<XmlAttributeLine>& lines);

// TagName and SplitAttributeLines in one pass: fills `lines` and returns the name.
std::string_view SplitTag(std::string_view inner, std::vector<XmlAttributeLine>& lines);

// The value of an attribute line with its quotes removed: when it is longer
// than 2 bytes, a leading double quote and then a trailing double quote.
inline std::string_view StripAttributeQuotes(std::string_view value) {
  if (value.size() <= 2) return value;
  if (value.front() == '"') value.remove_prefix(1);
  if (!value.empty() && value.back() == '"') value.remove_suffix(1);
  return value;
}

// ASCII case-insensitive comparison.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace tabulox
