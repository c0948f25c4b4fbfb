#include "xml/xml_document.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "xml/xml_part_encoding.h"
#include "xml/xml_text.h"
#include "xml/xml_tokenizer.h"

namespace tabulox {
namespace {

constexpr std::string_view kPreserveLine = "xml:space=preserve";

// memcpy without a call for the short names, attribute lines and values most
// items keep: two copies of a fixed size that overlap.
void CopyBytes(char* to, const char* from, std::size_t count) {
  if (count > 32) {
    std::memcpy(to, from, count);
  } else if (count >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + count - 16, from + count - 16, 16);
  } else if (count >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + count - 8, from + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + count - 4, from + count - 4, 4);
  } else if (count > 0) {
    to[0] = from[0];
    to[count / 2] = from[count / 2];
    to[count - 1] = from[count - 1];
  }
}

}  // namespace

// ---------------------------------------------------------------- XmlAttributes

std::string XmlAttributes::Line(int i) const {
  const XmlAttribute& p = first_[i];
  std::string line(p.name);
  if (p.HasValue()) {
    line += '=';
    line += p.value;
  }
  return line;
}

int XmlAttributes::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < count_; ++i) {
    if (first_[i].HasValue() && EqualsNoCase(first_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int XmlAttributes::IndexOfLine(std::string_view line) const {
  const std::size_t eq = line.find('=');
  const std::string_view name = line.substr(0, eq);
  for (std::size_t i = 0; i < count_; ++i) {
    const XmlAttribute& p = first_[i];
    if (p.HasValue() != (eq != std::string_view::npos) || !EqualsNoCase(p.name, name)) continue;
    if (!p.HasValue() || EqualsNoCase(p.value, line.substr(eq + 1))) return static_cast<int>(i);
  }
  return -1;
}

std::string_view XmlAttributes::Attribute(std::string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::string_view() : first_[i].value;
}

// ------------------------------------------------------------------ XmlNode

void XmlNode::Reset(XmlDocument* document, XmlNode* parent) {
  name_ = nullptr;
  text_ = nullptr;
  parent_ = parent;
  firstChild_ = nullptr;
  nextSibling_ = nullptr;
  document_ = document;
  nameLength_ = 0;
  textLength_ = 0;
  attributes_ = nullptr;
  attributeCount_ = 0;
  childCount_ = 0;
}

void XmlNode::SetName(std::string_view name) {
  name_ = name.data();
  nameLength_ = static_cast<std::uint32_t>(name.size());
}

void XmlNode::SetText(std::string_view text) {
  text_ = text.data();
  textLength_ = static_cast<std::uint32_t>(text.size());
}

XmlAttributes XmlNode::Attributes() const { return {attributes_, attributeCount_}; }

XmlNode* XmlNode::Child(std::string_view name) const {
  for (XmlNode* child = firstChild_; child != nullptr; child = child->nextSibling_) {
    if (EqualsNoCase(child->Name(), name)) return child;
  }
  return nullptr;
}

// -------------------------------------------------------------- XmlDocument

XmlDocument::XmlDocument() { root_.Reset(this, nullptr); }

XmlDocument::~XmlDocument() = default;

void XmlDocument::Clear() {
  root_.Reset(this, nullptr);
  items_.Reuse();
  attributes_.Reuse();
  texts_.Reuse();
}

void XmlDocument::Release() {
  Clear();
  items_.Release();
  attributes_.Release();
  texts_.Release();
}

std::size_t XmlDocument::StorageBytes() const {
  return items_.CapacityBytes() + attributes_.CapacityBytes() + texts_.CapacityBytes();
}

XmlNode& XmlDocument::NewChild(XmlNode& parent, XmlNode* last) {
  XmlNode& child = *::new (static_cast<void*>(items_.Allocate(1))) XmlNode();
  child.Reset(this, &parent);
  if (last != nullptr) {
    last->nextSibling_ = &child;
  } else {
    parent.firstChild_ = &child;
  }
  ++parent.childCount_;
  return child;
}

std::string_view XmlDocument::Store(std::string_view bytes) {
  if (bytes.empty()) return std::string_view("", 0);
  char* at = texts_.Allocate(bytes.size());
  CopyBytes(at, bytes.data(), bytes.size());
  return {at, bytes.size()};
}

// ------------------------------------------------------------ XmlTreeBuilder

// Turns tokens into items. Character data is collected per open item as runs
// and joined when the item closes: the text of an item with runs r1 .. rn is
// r1 decoded n times, CR LF, r2 decoded n - 1 times, ..., rn decoded once,
// which is what decoding the whole text again at every join gives (no entity
// spans a CR LF), computed without quadratic work. A CDATA section is text as
// it stands, never decoded; it belongs to the run of the character data right
// before it and after it (nothing but blanks between), as in XML.
//
// Whitespace preservation (xml:space, XML 1.0 §2.10) holds for an item whose
// own attribute says "preserve" and, without the attribute, for one whose
// parent's does: so the flag follows the innermost open item.
class XmlTreeBuilder {
 public:
  // Without a sink the tokens' bytes outlive the tree and items point into
  // them; with one, tokens come from a window that moves on, so the bytes an
  // item keeps are copied, and the children the sink asks for are handed over.
  XmlTreeBuilder(XmlDocument& document, XmlChildSink& sink) : doc_(document), sink_(sink) {
    const bool handsOver = sink_.HandsOverChildren(doc_.root_);
    open_.push_back({&doc_.root_, nullptr, 0, false, handsOver, false});
  }

  // Processes one token; `preserve` is the whitespace-preservation flag,
  // set to that of the innermost open item.
  void Process(const XmlToken& token, bool& preserve);

  // Closes the items still open at the end of the input.
  void Finish() {
    while (!open_.empty()) CloseTop();
  }

 private:
  struct StoreMarks {
    ChunkStore<XmlNode, 64, 16384>::Mark items;
    ChunkStore<XmlAttribute, 64, 16384>::Mark attributes;
    ChunkStore<char, 4096, 1024 * 1024>::Mark texts;
  };

  struct OpenItem {
    XmlNode* item;
    XmlNode* lastChild;
    std::size_t firstRun;  // index in runs_
    bool significant;      // the runs hold a byte above 0x20 or a CDATA section's text
    bool handsOver;        // its children go to the sink
    bool preserves;        // whitespace preservation holds for its text
  };

  // One piece of an item's character data.
  struct TextPiece {
    std::string_view text;
    bool literal;         // a CDATA section: not decoded
    bool joinsPrevious;   // no tag between it and the piece before: the same run
  };

  // What an item's own xml:space attribute says.
  enum class SpaceRule { kInherit, kPreserve, kDefault };

  StoreMarks Marks() const {
    return {doc_.items_.Position(), doc_.attributes_.Position(), doc_.texts_.Position()};
  }
  // Bytes of the token that the tree keeps: copied, as tokens do not last.
  std::string_view Keep(std::string_view bytes, const XmlToken& token) {
    return bytes.data() == token.text.data() ? doc_.Store(bytes) : bytes;
  }
  std::string_view WithoutLineBreakPairs(const XmlToken& token);
  XmlNode& AppendChild(OpenItem& parent) {
    XmlNode& child = doc_.NewChild(*parent.item, parent.lastChild);
    parent.lastChild = &child;
    return child;
  }
  // Gives the complete child to the sink and takes it out of the tree again.
  void HandOver(OpenItem& parent, const XmlNode& child, const StoreMarks& mark);
  // Sets the item's name and attributes from the tag's bytes and tells what
  // its xml:space lines say: kPreserve when one is "xml:space=preserve"
  // (ignoring case, as Attributes().IndexOfLine would find it), kDefault when there
  // are others only.
  SpaceRule TakeTag(XmlNode& item, std::string_view inner);
  // One token of each kind, outside skipped levels. `afterText`: the token
  // before was character data or CDATA.
  void AddText(std::string_view text, bool literal, bool afterText);
  // With text read as written: blanks alone before a child element lay out
  // the markup and are dropped, so that an item holding many children (the
  // rows of a sheet) keeps none of them.
  void DropLayoutBlanks(const OpenItem& parent) {
    if (doc_.textAsWritten_ && !parent.significant) runs_.resize(parent.firstRun);
  }
  void OpenTag(const XmlToken& token);
  void AddEmptyTag(const XmlToken& token);
  void CloseTop();

  XmlDocument& doc_;
  XmlChildSink& sink_;
  std::vector<OpenItem> open_;
  // The storage before each open item whose parent hands over, innermost last.
  std::vector<StoreMarks> handOverMarks_;
  std::vector<TextPiece> runs_;  // the character data of the open items, in pieces
  bool textBefore_ = false;        // the last token was character data or CDATA
  std::size_t skippedLevels_ = 0;  // open tags below kMaxDepth
  std::vector<XmlAttributeLine> lines_;
  std::string scratch_;
};

void XmlTreeBuilder::HandOver(OpenItem& parent, const XmlNode& child, const StoreMarks& mark) {
  sink_.TakeChild(child);
  doc_.items_.Rewind(mark.items);
  doc_.attributes_.Rewind(mark.attributes);
  doc_.texts_.Rewind(mark.texts);
  parent.item->firstChild_ = nullptr;
  parent.item->childCount_ = 0;
  parent.lastChild = nullptr;
}

std::string_view XmlTreeBuilder::WithoutLineBreakPairs(const XmlToken& token) {
  if (!token.hasLineBreak) return token.text;
  scratch_.clear();
  AppendWithoutLineBreakPairs(token.text, scratch_);
  return doc_.Store(scratch_);
}

XmlTreeBuilder::SpaceRule XmlTreeBuilder::TakeTag(XmlNode& item, std::string_view inner) {
  constexpr std::string_view kName = kPreserveLine.substr(0, kPreserveLine.find('='));
  constexpr std::string_view kValue = kPreserveLine.substr(kPreserveLine.find('=') + 1);
  item.SetName(SplitTag(inner, lines_));
  XmlAttribute* attributes = doc_.attributes_.Allocate(lines_.size());
  item.attributes_ = attributes;
  item.attributeCount_ = static_cast<std::uint32_t>(lines_.size());
  SpaceRule rule = SpaceRule::kInherit;
  for (const XmlAttributeLine& line : lines_) {
    if (!line.hasValue) {
      ::new (static_cast<void*>(attributes++)) XmlAttribute{line.name, {}};
      continue;
    }
    std::string_view value = StripAttributeQuotes(line.value);
    if (line.valueHasAmpersand && HasEntity(value)) {
      scratch_.clear();
      AppendDecodedEntities(value, 1, scratch_);
      value = doc_.Store(scratch_);
    } else if (value.data() == nullptr) {
      value = std::string_view("", 0);
    }
    ::new (static_cast<void*>(attributes++)) XmlAttribute{line.name, value};
    if (line.name.size() == kName.size() && EqualsNoCase(line.name, kName) &&
        rule != SpaceRule::kPreserve)
      rule = EqualsNoCase(value, kValue) ? SpaceRule::kPreserve : SpaceRule::kDefault;
  }
  return rule;
}

void XmlTreeBuilder::Process(const XmlToken& token, bool& preserve) {
  if (open_.empty()) return;  // after the document element: ignored
  const bool afterText = std::exchange(textBefore_, false);
  switch (token.kind) {
    case XmlTokenKind::kText:
      if (skippedLevels_ > 0) break;
      AddText(Keep(WithoutLineBreakPairs(token), token), false, afterText);
      textBefore_ = true;
      break;
    case XmlTokenKind::kCData:
      if (skippedLevels_ > 0) break;
      AddText(Keep(token.text, token), true, afterText);
      textBefore_ = true;
      break;
    case XmlTokenKind::kStartTag:
      if (skippedLevels_ > 0) {
        ++skippedLevels_;
      } else {
        OpenTag(token);
      }
      break;
    case XmlTokenKind::kEmptyTag:
      if (skippedLevels_ == 0 && open_.size() < XmlDocument::kMaxDepth) AddEmptyTag(token);
      break;
    case XmlTokenKind::kEndTag:
      if (skippedLevels_ > 0) {
        --skippedLevels_;
      } else {
        CloseTop();
      }
      break;
    default:
      break;  // declarations and comments leave the tree unchanged
  }
  if (!open_.empty()) preserve = open_.back().preserves;
}

void XmlTreeBuilder::AddText(std::string_view text, bool literal, bool afterText) {
  OpenItem& top = open_.back();
  const bool joinsPrevious = afterText && runs_.size() > top.firstRun;
  if (!joinsPrevious && !top.significant && !doc_.textAsWritten_) runs_.resize(top.firstRun);
  if (!top.significant) top.significant = literal ? !text.empty() : HasSignificantByte(text);
  runs_.push_back({text, literal, joinsPrevious});
}

void XmlTreeBuilder::OpenTag(const XmlToken& token) {
  // Taken before the tag's bytes are kept, so a handed-over child gives them back.
  const StoreMarks mark = open_.back().handsOver ? Marks() : StoreMarks{};
  const std::string_view inner = Keep(WithoutLineBreakPairs(token), token);
  OpenItem& parent = open_.back();
  XmlNode& current = *parent.item;
  if (!HasSignificantByte(current.Name())) {
    parent.preserves = TakeTag(current, inner) == SpaceRule::kPreserve;
    return;
  }
  if (open_.size() >= XmlDocument::kMaxDepth) {
    skippedLevels_ = 1;
    return;
  }
  DropLayoutBlanks(parent);
  XmlNode& child = AppendChild(parent);
  const SpaceRule rule = TakeTag(child, inner);
  const bool preserves =
      rule == SpaceRule::kInherit ? parent.preserves : rule == SpaceRule::kPreserve;
  const bool handsOver = open_.size() == 1 && sink_.HandsOverChildren(child);
  if (parent.handsOver) handOverMarks_.push_back(mark);
  open_.push_back({&child, nullptr, runs_.size(), false, handsOver, preserves});
}

void XmlTreeBuilder::AddEmptyTag(const XmlToken& token) {
  OpenItem& parent = open_.back();
  const StoreMarks mark = parent.handsOver ? Marks() : StoreMarks{};
  DropLayoutBlanks(parent);
  XmlNode& child = AppendChild(parent);
  TakeTag(child, Keep(WithoutLineBreakPairs(token), token));
  if (parent.handsOver) HandOver(parent, child, mark);
}

void XmlTreeBuilder::CloseTop() {
  const OpenItem& top = open_.back();
  XmlNode& item = *top.item;
  const std::size_t firstRun = top.firstRun;
  const std::size_t count = runs_.size() - firstRun;
  if (count == 1 && (runs_[firstRun].literal || !HasEntity(runs_[firstRun].text))) {
    item.SetText(runs_[firstRun].text);
  } else if (count > 0 && doc_.textAsWritten_) {
    scratch_.clear();
    for (std::size_t i = firstRun; i < runs_.size(); ++i) {
      const TextPiece& piece = runs_[i];
      if (piece.literal) {
        scratch_ += piece.text;
      } else {
        AppendDecodedEntities(piece.text, 1, scratch_);
      }
    }
    item.SetText(doc_.Store(scratch_));
  } else if (count > 0) {
    // Each run (but the last) is decoded once more for every run after it.
    std::size_t decodings = 0;
    for (std::size_t i = firstRun; i < runs_.size(); ++i) decodings += !runs_[i].joinsPrevious;
    scratch_.clear();
    for (std::size_t i = firstRun; i < runs_.size(); ++i) {
      const TextPiece& piece = runs_[i];
      if (i > firstRun && !piece.joinsPrevious) {
        scratch_ += "\r\n";
        --decodings;
      }
      if (piece.literal) {
        scratch_ += piece.text;
      } else {
        AppendDecodedEntities(piece.text, decodings, scratch_);
      }
    }
    item.SetText(doc_.Store(scratch_));
  }
  runs_.resize(firstRun);
  open_.pop_back();
  if (!open_.empty() && open_.back().handsOver) {
    const StoreMarks mark = handOverMarks_.back();
    handOverMarks_.pop_back();
    HandOver(open_.back(), item, mark);
  }
}

namespace {

void ReadTokens(XmlTokenizer& tokenizer, XmlTreeBuilder& builder) {
  bool preserve = false;
  for (;;) {
    const XmlToken token = tokenizer.NextToken(preserve);  // built in place, not assigned
    if (token.kind == XmlTokenKind::kEnd) break;
    builder.Process(token, preserve);
  }
  builder.Finish();
}

}  // namespace

void XmlDocument::LoadFromSource(const BlockSource& source, XmlChildSink& sink) {
  Clear();
  XmlTokenizer tokenizer(EngineTextSource(source), kMaxInputBytes);
  if (textAsWritten_) tokenizer.KeepEveryBlank();
  XmlTreeBuilder builder(*this, sink);
  ReadTokens(tokenizer, builder);
}

void LoadWholeDocument(XmlDocument& document, std::string_view xml) {
  struct KeepEverything : XmlChildSink {
    bool HandsOverChildren(const XmlNode&) override { return false; }
    void TakeChild(const XmlNode&) override {}
  } keep;
  bool given = false;
  const BlockSource once = [&](std::string& out) {
    if (given) return false;
    given = true;
    out.append(xml);
    return true;
  };
  document.LoadFromSource(once, keep);
}

}  // namespace tabulox
