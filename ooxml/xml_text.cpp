#include "xml_text.h"

#include <array>
#include <cstring>

namespace tabulox {
namespace {

constexpr std::string_view kAmpChainLink = "amp;";

bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

// The replacement of the entity whose name (after "&") starts at `pos`, and the
// length of that name including ";"; 0 when none starts there.
std::size_t MatchTerminalEntity(std::string_view text, std::size_t pos, char& replacement) {
  if (StartsWith(text, pos, "lt;")) {
    replacement = '<';
    return 3;
  }
  if (StartsWith(text, pos, "gt;")) {
    replacement = '>';
    return 3;
  }
  if (StartsWith(text, pos, "quot;")) {
    replacement = '"';
    return 5;
  }
  return 0;
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
    char unused;
    if (MatchTerminalEntity(text, pos + 1, unused) != 0 ||
        StartsWith(text, pos + 1, kAmpChainLink)) {
      return true;
    }
    pos = text.find('&', pos + 1);
  }
  return false;
}

// One decoding turns "&" followed by j links "amp;" into "&" followed by j - 1
// links, and "&" followed by no link but "lt;", "gt;" or "quot;" into its
// character; no other text changes, and no other new entity can appear. So
// after `times` decodings such a chain is "&" and j - times links when times is
// at most j, and otherwise the chain's terminal decoded once.
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
    out.push_back('&');
    if (times <= links) {
      for (std::size_t i = times; i < links; ++i) out.append(kAmpChainLink);
      pos = tail;
      continue;
    }
    char replacement;
    const std::size_t nameLength = MatchTerminalEntity(text, tail, replacement);
    if (nameLength != 0) {
      out.back() = replacement;
      pos = tail + nameLength;
    } else {
      pos = tail;
    }
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
