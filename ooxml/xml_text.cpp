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

std::string_view TagName(std::string_view inner) {
  std::size_t slash = std::string_view::npos;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == ' ') return inner.substr(0, i);
    if (inner[i] == '/' && slash == std::string_view::npos) slash = i;
  }
  return inner.substr(0, slash);
}

void SplitAttributeLines(std::string_view inner, std::vector<XmlAttributeLine>& lines) {
  lines.clear();
  const std::size_t space = inner.find(' ');
  if (space == std::string_view::npos) return;
  std::string_view text = inner.substr(space + 1);
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);

  // Byte i breaks a line when it is a CR or LF, or a space outside quotes that
  // is not the last byte of the text. Bytes that matter are found by table.
  static constexpr auto kMatters = [] {
    std::array<bool, 256> matters{};
    for (const char c : std::string_view(" \"=&\r\n")) matters[static_cast<unsigned char>(c)] = true;
    return matters;
  }();
  bool insideQuotes = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t lineStart = i;
    std::size_t eq = std::string_view::npos;
    bool ampersand = false;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (!kMatters[static_cast<unsigned char>(c)]) continue;
      if (c == '\r' || c == '\n') break;
      if (c == ' ') {
        if (!insideQuotes && i + 1 < text.size()) break;
      } else if (c == '"') {
        if (i + 1 < text.size()) insideQuotes = !insideQuotes;
      } else if (c == '=') {
        if (eq == std::string_view::npos) eq = i;
      } else {
        ampersand = true;
      }
    }
    if (eq == std::string_view::npos) {
      lines.push_back({text.substr(lineStart, i - lineStart), {}, false, false});
    } else {
      lines.push_back({text.substr(lineStart, eq - lineStart), text.substr(eq + 1, i - eq - 1),
                       true, ampersand});
    }
    if (i == text.size()) break;
    // A CR LF pair is one break; a lone CR, a lone LF or a space is one too.
    const bool crLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    i += crLf ? 2 : 1;
  }
}

std::string_view StripAttributeQuotes(std::string_view value) {
  if (value.size() <= 2) return value;
  if (value.front() == '"') value.remove_prefix(1);
  if (!value.empty() && value.back() == '"') value.remove_suffix(1);
  return value;
}


}  // namespace tabulox
