#include "xml_tokenizer.h"

#include <cstring>

#include "xml_text.h"

namespace tabulox {

TXMLLargeTokenizer::TXMLLargeTokenizer(std::string_view input) : input_(input) {
  const std::size_t zero = input_.find('\0');
  if (zero != std::string_view::npos) input_ = input_.substr(0, zero);
}

TXMLTokenKind ClassifyTag(std::string_view inner) {
  if (inner.size() >= 4 && EqualsNoCase(inner.substr(0, 4), "?xml")) return xtDeclaration;
  if (inner.starts_with("!--")) return xtComment;
  if (inner.ends_with('/')) return xtEmptyTag;
  if (inner.starts_with('/')) return xtEndTag;
  return xtStartTag;
}

TXMLToken TXMLLargeTokenizer::NextToken(bool preserve) {
  const char* bytes = input_.data();
  const std::size_t size = input_.size();
  while (pos_ < size) {
    const auto c = static_cast<unsigned char>(bytes[pos_]);
    if (c > 0x20 || (c == 0x20 && preserve)) break;
    ++pos_;
  }
  if (pos_ >= size) return {xtEnd, {}};

  if (bytes[pos_] == '<') {
    const std::size_t start = pos_ + 1;
    const void* close = start < size ? std::memchr(bytes + start, '>', size - start) : nullptr;
    const std::size_t end =
        close ? static_cast<std::size_t>(static_cast<const char*>(close) - bytes) : size;
    pos_ = close ? end + 1 : size;
    const std::string_view inner = input_.substr(start, end - start);
    return {ClassifyTag(inner), inner};
  }

  const void* open = std::memchr(bytes + pos_, '<', size - pos_);
  const std::size_t end =
      open ? static_cast<std::size_t>(static_cast<const char*>(open) - bytes) : size;
  const unsigned char lowestSignificant = preserve ? 0x20 : 0x21;
  std::size_t last = end;
  while (last > pos_ && static_cast<unsigned char>(bytes[last - 1]) < lowestSignificant) --last;
  if (last == pos_) last = end;  // unreachable: the first byte is significant
  const std::string_view text = input_.substr(pos_, last - pos_);
  pos_ = last;
  return {xtText, text};
}

}  // namespace tabulox
