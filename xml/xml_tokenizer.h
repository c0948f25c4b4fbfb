// The tokenizer of the lenient XML reader. It recognises tags by "<" and ">"
// only (quotes are not considered) and never fails: every input, however
// malformed, is a sequence of tokens that ends with XmlTokenKind::kEnd.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/block_source.h"

namespace tabulox {

enum class XmlTokenKind : std::uint8_t {
  kEnd = 0,
  kComment = 6,      // tag text that begins "<!--"
  kDeclaration = 8,  // tag text that begins "<?xml", compared without regard to case
  kText = 9,         // character data
  kStartTag = 10,    // any other tag text
  kEndTag = 11,      // tag text that begins "</"
  kEmptyTag = 12,    // tag text that ends "/>"
  kCData = 13,       // the content of a CDATA section "<![CDATA[ ... ]]>"
};

struct XmlToken {
  XmlTokenKind kind = XmlTokenKind::kEnd;
  // Tags: the bytes between "<" and ">" (to the end of the input when the tag
  // has no ">"). Text: the character data. CDATA: the bytes between
  // "<![CDATA[" and "]]>" (to the end of the input when there is no "]]>").
  // All still hold their line breaks.
  std::string_view text;
  // The text holds a CR or LF.
  bool hasLineBreak = false;
};


// ClassifyTag for a tag that begins "?" or "!".
XmlTokenKind ClassifyMarkupTag(std::string_view inner);

// Reads the input in one forward pass. The input ends at its first zero byte,
// if it has one. Either the whole input is given at once (the tokenizer keeps
// a view: the bytes must outlive it), or it comes block by block from a
// source; then a token's view is valid until the next NextToken call, and the
// source is not called again once it ended or a zero byte turned up.
class XmlTokenizer {
 public:
  explicit XmlTokenizer(std::string_view input);
  // Reads at most `maxBytes` bytes from the source.
  XmlTokenizer(BlockSource source, std::size_t maxBytes);

  // Skips blanks (bytes 1 to 31, and the space unless `preserve` is set) and
  // reads one token. Character data runs to the next "<" and ends after its
  // last byte from 0x21 up (from 0x20 up with `preserve`); the next token
  // starts right behind it. A tag runs through the next ">"; one cut off by the
  // end of the input ends there and is classified as if it were closed. A
  // CDATA section runs through the next "]]>" (XML 1.0 §2.7), whatever stands
  // in it.
  XmlToken NextToken(bool preserve);

  // Character data as written: from then on NextToken skips no blanks and
  // ends a run of character data at the next "<" only, whatever `preserve` says.
  void KeepEveryBlank() { everyBlank_ = true; }

 private:
  bool everyBlank_ = false;
  // True when the input at pos_ begins "<![CDATA[", reading more while fewer
  // bytes than that are there.
  bool AtCDataSection();
  // The CDATA section at pos_, which AtCDataSection found.
  XmlToken CDataSection();
  // Drops the bytes before `keepFrom` (positions shift down by `dropped`, also
  // when nothing more comes) and reads the next block behind the rest. False
  // at the end of the input.
  bool ReadMore(std::size_t keepFrom, std::size_t& dropped);
  // The position of the first `c` at or after pos_ + offset, reading more
  // input while there is none (pos_ and positions after it shift when the
  // bytes before pos_ are dropped); input_.size() when the input ends first.
  std::size_t FindReadingOn(char c, std::size_t offset);
  // The position of the first `c` at or after `from`, or input_.size().
  std::size_t Find(char c, std::size_t from) const;
  // True when a CR or LF stands in input_[from, to). `from` never decreases
  // between calls within one window.
  bool HasLineBreak(std::size_t from, std::size_t to) {
    if (nextBreak_ < from) {
      if (nextCr_ < from) nextCr_ = Find('\r', from);
      if (nextLf_ < from) nextLf_ = Find('\n', from);
      nextBreak_ = std::min(nextCr_, nextLf_);
    }
    return nextBreak_ < to;
  }
  // Finds the line breaks again from `from` on.
  void FindLineBreaks(std::size_t from) {
    nextCr_ = Find('\r', from);
    nextLf_ = Find('\n', from);
    nextBreak_ = std::min(nextCr_, nextLf_);
  }
  XmlToken Token(XmlTokenKind kind, std::size_t from, std::size_t to) {
    return {kind, input_.substr(from, to - from), HasLineBreak(from, to)};
  }

  std::string_view input_;
  std::size_t pos_ = 0;
  // The next CR and LF at or after the last token's start (input_.size() when
  // there is none), found again when a token starts behind them.
  std::size_t nextCr_ = 0;
  std::size_t nextLf_ = 0;
  std::size_t nextBreak_ = 0;  // the nearer of the two
  // Reading block by block: input_ views window_.
  BlockSource source_;
  std::string window_;
  std::size_t bytesLeft_ = 0;  // of maxBytes
};

// The kind of a tag from the bytes between "<" and ">", tested in this order:
// begins "?xml" (any case), begins "!--", ends "/", begins "/", else a start tag.
inline XmlTokenKind ClassifyTag(std::string_view inner) {
  if (inner.empty()) return XmlTokenKind::kStartTag;
  if (inner[0] == '?' || inner[0] == '!') return ClassifyMarkupTag(inner);
  if (inner.back() == '/') return XmlTokenKind::kEmptyTag;
  if (inner[0] == '/') return XmlTokenKind::kEndTag;
  return XmlTokenKind::kStartTag;
}

}  // namespace tabulox
