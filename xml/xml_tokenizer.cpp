#include "xml/xml_tokenizer.h"

#include <cstring>

#include "xml/xml_text.h"

namespace tabulox {

XmlTokenizer::XmlTokenizer(std::string_view input) : input_(input) {
  const std::size_t zero = input_.find('\0');
  if (zero != std::string_view::npos) input_ = input_.substr(0, zero);
  FindLineBreaks(0);
}

XmlTokenizer::XmlTokenizer(BlockSource source, std::size_t maxBytes)
    : source_(std::move(source)), bytesLeft_(maxBytes) {}

XmlTokenKind ClassifyMarkupTag(std::string_view inner) {
  if (inner[0] == '?' && inner.size() >= 4 && EqualsNoCase(inner.substr(0, 4), "?xml"))
    return XmlTokenKind::kDeclaration;
  if (inner[0] == '!' && inner.starts_with("!--")) return XmlTokenKind::kComment;
  return inner.ends_with('/') ? XmlTokenKind::kEmptyTag : XmlTokenKind::kStartTag;
}

bool XmlTokenizer::ReadMore(std::size_t keepFrom, std::size_t& dropped) {
  dropped = 0;
  if (!source_ || bytesLeft_ == 0) return false;
  window_.erase(0, keepFrom);
  dropped = keepFrom;
  pos_ -= keepFrom;
  const std::size_t before = window_.size();
  bool more = true;
  while (more && window_.size() == before) more = source_(window_);
  std::size_t added = window_.size() - before;
  if (added > bytesLeft_) {
    window_.resize(before + bytesLeft_);
    added = bytesLeft_;
  }
  bytesLeft_ -= added;
  const void* zero = std::memchr(window_.data() + before, '\0', added);
  if (zero != nullptr) {
    window_.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - window_.data()));
    bytesLeft_ = 0;
  }
  if (!more) bytesLeft_ = 0;
  input_ = window_;
  FindLineBreaks(pos_);
  return window_.size() > before;
}

std::size_t XmlTokenizer::Find(char c, std::size_t from) const {
  if (from >= input_.size()) return input_.size();
  const void* at = std::memchr(input_.data() + from, c, input_.size() - from);
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - input_.data())
            : input_.size();
}

std::size_t XmlTokenizer::FindReadingOn(char c, std::size_t offset) {
  const std::size_t found = Find(c, pos_ + offset);
  if (found < input_.size()) return found;
  std::size_t searched = input_.size();
  for (;;) {
    std::size_t dropped = 0;
    const bool more = ReadMore(pos_, dropped);
    searched -= dropped;
    if (!more) return input_.size();
    const std::size_t at = Find(c, searched);
    if (at < input_.size()) return at;
    searched = input_.size();
  }
}

namespace {
constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";
}  // namespace

bool XmlTokenizer::AtCDataSection() {
  // Most tags are not markup declarations: known from their second byte.
  if (pos_ + 1 < input_.size() && input_[pos_ + 1] != '!') return false;
  std::size_t dropped = 0;
  while (input_.size() - pos_ < kCDataOpen.size() && ReadMore(pos_, dropped)) {
  }
  return input_.substr(pos_).starts_with(kCDataOpen);
}

XmlToken XmlTokenizer::CDataSection() {
  // Every ">" is looked at until one closes the section. Offsets count from
  // pos_, which reading more input moves.
  std::size_t offset = kCDataOpen.size();
  for (;;) {
    const std::size_t gt = FindReadingOn('>', offset);
    const std::size_t start = pos_ + kCDataOpen.size();
    if (gt == input_.size()) {
      pos_ = gt;
      return Token(XmlTokenKind::kCData, start, gt);
    }
    const std::size_t closeAt = gt + 1 - kCDataClose.size();
    if (closeAt >= start && input_.substr(closeAt, kCDataClose.size()) == kCDataClose) {
      pos_ = gt + 1;
      return Token(XmlTokenKind::kCData, start, closeAt);
    }
    offset = gt + 1 - pos_;
  }
}

XmlToken XmlTokenizer::NextToken(bool preserve) {
  std::size_t dropped = 0;
  for (;;) {
    const char* bytes = input_.data();
    while (pos_ < input_.size()) {
      const auto c = static_cast<unsigned char>(bytes[pos_]);
      if (c > 0x20 || (c == 0x20 && preserve) || everyBlank_) break;
      ++pos_;
    }
    if (pos_ < input_.size()) break;
    if (!ReadMore(pos_, dropped)) return {XmlTokenKind::kEnd, {}};
  }

  if (input_[pos_] == '<') {
    if (AtCDataSection()) return CDataSection();
    std::size_t end = Find('>', pos_ + 1);
    if (end == input_.size()) end = FindReadingOn('>', 1);
    const std::size_t start = pos_ + 1;
    pos_ = end < input_.size() ? end + 1 : end;
    return Token(ClassifyTag(input_.substr(start, end - start)), start, end);
  }

  std::size_t end = Find('<', pos_);
  if (end == input_.size()) end = FindReadingOn('<', 0);
  const char* bytes = input_.data();
  const unsigned char lowestSignificant = preserve ? 0x20 : 0x21;
  std::size_t last = end;
  while (!everyBlank_ && last > pos_ && static_cast<unsigned char>(bytes[last - 1]) < lowestSignificant)
    --last;
  if (last == pos_) last = end;  // unreachable: the first byte is significant
  const std::size_t first = pos_;
  pos_ = last;
  return Token(XmlTokenKind::kText, first, last);
}

}  // namespace tabulox
