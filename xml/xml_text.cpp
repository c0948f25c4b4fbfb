#include "xml/xml_text.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/engine_text.h"

namespace tabulox {
namespace {

constexpr std::string_view kAmpChainLink = "amp;";

bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

// The characters XML allows (XML 1.0 §2.2, Char): a reference to any other
// code point is not a reference.
bool IsXmlCharacter(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A character reference "#digits;" or "#xhexdigits;" (XML 1.0 §4.1, CharRef)
// whose "#" is at `pos`: its code point and its length including ";", or
// length 0 when none stands there or it names a character XML does not allow.
std::size_t ReadCharacterReference(std::string_view text, std::size_t pos,
                                   std::uint32_t& codePoint) {
  if (pos >= text.size() || text[pos] != '#') return 0;
  std::size_t i = pos + 1;
  const bool hex = i < text.size() && text[i] == 'x';
  if (hex) ++i;
  const std::size_t firstDigit = i;
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], hex);
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (value > 0x10FFFF) return 0;  // also keeps the value from overflowing
  }
  if (i == firstDigit || i == text.size() || text[i] != ';' || !IsXmlCharacter(value)) return 0;
  codePoint = value;
  return i + 1 - pos;
}

struct NamedEntity {
  std::string_view name;  // after "&", with its ";"
  char character;
};

// The predefined entities (XML 1.0 §4.6) but "amp;", which decoding follows
// as a chain of its own.
constexpr NamedEntity kTerminalEntities[] = {
    {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};

// The reference whose name (after "&") starts at `pos`, other than "amp;": a
// predefined entity or a character reference. Appends its character to `out`
// (as engine text; nothing when `out` is null) and returns the length of the
// name including ";"; 0, appending nothing, when none starts there.
std::size_t AppendTerminalReference(std::string_view text, std::size_t pos, std::string* out) {
  for (const NamedEntity& entity : kTerminalEntities) {
    if (StartsWith(text, pos, entity.name)) {
      if (out != nullptr) out->push_back(entity.character);
      return entity.name.size();
    }
  }
  std::uint32_t codePoint = 0;
  const std::size_t length = ReadCharacterReference(text, pos, codePoint);
  if (length != 0 && out != nullptr) AppendCodePoint(*out, codePoint);
  return length;
}

}  // namespace

bool HasSignificantByte(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > 0x20) return true;
  }
  return false;
}

void AppendWithoutLineBreakPairs(std::string_view text, std::string& out) {
  const std::size_t start = out.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  // Second pass, in place, over what the first one left.
  std::size_t write = start;
  for (std::size_t read = start; read < out.size(); ++read) {
    if (out[read] == '\n' && read + 1 < out.size() && out[read + 1] == '\r') {
      ++read;
      continue;
    }
    out[write++] = out[read];
  }
  out.resize(write);
}

bool HasEntity(std::string_view text) {
  // Most texts are short and hold no "&": a loop costs less than the call.
  constexpr std::size_t kShortText = 16;
  if (text.size() <= kShortText) {
    bool ampersand = false;
    for (const char c : text) ampersand |= c == '&';
    if (!ampersand) return false;
  }
  std::size_t pos = text.find('&');
  while (pos != std::string_view::npos) {
    if (AppendTerminalReference(text, pos + 1, nullptr) != 0 ||
        StartsWith(text, pos + 1, kAmpChainLink)) {
      return true;
    }
    pos = text.find('&', pos + 1);
  }
  return false;
}

// One decoding turns "&" followed by j links "amp;" into "&" followed by j - 1
// links, and "&" followed by no link but another reference into its
// character; no other text changes. So after `times` decodings such a chain is
// "&" and j - times links when times is at most j, and otherwise the chain's
// terminal decoded once. A character that a reference gives is final: later
// decodings do not read it again (only a character reference can give "&" or
// the letters of a name, and two decodings of one text are rare already).
void AppendDecodedEntities(std::string_view text, std::size_t times, std::string& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) break;
    out.append(text, pos, amp - pos);
    std::size_t links = 0;
    std::size_t tail = amp + 1;
    while (StartsWith(text, tail, kAmpChainLink)) {
      ++links;
      tail += kAmpChainLink.size();
    }
    if (times <= links) {
      out.push_back('&');
      for (std::size_t i = times; i < links; ++i) out.append(kAmpChainLink);
      pos = tail;
      continue;
    }
    const std::size_t nameLength = AppendTerminalReference(text, tail, &out);
    if (nameLength == 0) out.push_back('&');
    pos = tail + nameLength;
  }
  if (pos < text.size()) out.append(text, pos);
}

namespace {

// The position of the first space, or npos; `slash` gets the first "/" before it.
std::size_t FindNameEnd(std::string_view inner, std::size_t& slash) {
  slash = std::string_view::npos;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == ' ') return i;
    if (inner[i] == '/' && slash == std::string_view::npos) slash = i;
  }
  return std::string_view::npos;
}

// The lines of the attribute text: what follows the tag's first space.
void SplitAttributeText(std::string_view text, std::vector<XmlAttributeLine>& lines) {
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);

  // Byte i breaks a line when it is a CR or LF, or a space outside quotes that
  // is not the last byte of the text. Bytes that matter are found by table.
  static constexpr auto kMatters = [] {
    std::array<bool, 256> matters{};
    for (const char c : std::string_view(" \"=&\r\n")) matters[static_cast<unsigned char>(c)] = true;
    return matters;
  }();
  const char* bytes = text.data();
  const std::size_t size = text.size();
  bool insideQuotes = false;
  std::size_t i = 0;
  while (i < size) {
    const std::size_t lineStart = i;
    std::size_t eq = std::string_view::npos;
    bool ampersand = false;
    for (;; ++i) {
      while (i < size && !kMatters[static_cast<unsigned char>(bytes[i])]) ++i;
      if (i == size) break;
      // Tested in the order they are most often met.
      const char c = bytes[i];
      if (c == '"') {
        if (i + 1 < size) insideQuotes = !insideQuotes;
      } else if (c == '=') {
        if (eq == std::string_view::npos) eq = i;
      } else if (c == ' ') {
        if (!insideQuotes && i + 1 < size) break;
      } else if (c == '&') {
        ampersand = true;
      } else {
        break;  // CR or LF
      }
    }
    if (eq == std::string_view::npos) {
      lines.push_back({{bytes + lineStart, i - lineStart}, {}, false, false});
    } else {
      lines.push_back({{bytes + lineStart, eq - lineStart}, {bytes + eq + 1, i - eq - 1}, true,
                       ampersand});
    }
    if (i == size) break;
    // A CR LF pair is one break; a lone CR, a lone LF or a space is one too.
    const bool crLf = bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n';
    i += crLf ? 2 : 1;
  }
}

}  // namespace

std::string_view TagName(std::string_view inner) {
  std::size_t slash = 0;
  const std::size_t space = FindNameEnd(inner, slash);
  return inner.substr(0, space != std::string_view::npos ? space : slash);
}

void SplitAttributeLines(std::string_view inner, std::vector<XmlAttributeLine>& lines) {
  lines.clear();
  const std::size_t space = inner.find(' ');
  if (space != std::string_view::npos) SplitAttributeText(inner.substr(space + 1), lines);
}

std::string_view SplitTag(std::string_view inner, std::vector<XmlAttributeLine>& lines) {
  lines.clear();
  std::size_t slash = 0;
  const std::size_t space = FindNameEnd(inner, slash);
  if (space == std::string_view::npos) return inner.substr(0, slash);
  SplitAttributeText(inner.substr(space + 1), lines);
  return inner.substr(0, space);
}

}  // namespace tabulox
