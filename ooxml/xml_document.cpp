#include "xml_document.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "xml_text.h"
#include "xml_tokenizer.h"

namespace tabulox {
namespace {

constexpr std::string_view kPreserveLine = "xml:space=preserve";

}  // namespace

// ---------------------------------------------------------------- TXMLParams

std::string TXMLParams::Line(int i) const {
  const TXMLParam& p = first_[i];
  std::string line(p.name);
  if (p.HasValue()) {
    line += '=';
    line += p.value;
  }
  return line;
}

int TXMLParams::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < count_; ++i) {
    if (first_[i].HasValue() && EqualsNoCase(first_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int TXMLParams::IndexOf(std::string_view line) const {
  const std::size_t eq = line.find('=');
  const std::string_view name = line.substr(0, eq);
  for (std::size_t i = 0; i < count_; ++i) {
    const TXMLParam& p = first_[i];
    if (p.HasValue() != (eq != std::string_view::npos) || !EqualsNoCase(p.name, name)) continue;
    if (!p.HasValue() || EqualsNoCase(p.value, line.substr(eq + 1))) return static_cast<int>(i);
  }
  return -1;
}

std::string_view TXMLParams::Values(std::string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::string_view() : first_[i].value;
}

// ------------------------------------------------------------------ TXMLItem

void TXMLItem::Reset(TKvXMLParser* document, TXMLItem* parent) {
  name_ = nullptr;
  text_ = nullptr;
  parent_ = parent;
  firstChild_ = nullptr;
  nextSibling_ = nullptr;
  document_ = document;
  nameLength_ = 0;
  textLength_ = 0;
  params_ = nullptr;
  paramCount_ = 0;
  count_ = 0;
}

void TXMLItem::SetName(std::string_view name) {
  name_ = name.data();
  nameLength_ = static_cast<std::uint32_t>(name.size());
}

void TXMLItem::SetText(std::string_view text) {
  text_ = text.data();
  textLength_ = static_cast<std::uint32_t>(text.size());
}

TXMLParams TXMLItem::Params() const { return {params_, paramCount_}; }

TXMLItem* TXMLItem::Items(int i) const {
  if (i < 0) return nullptr;
  TXMLItem* child = firstChild_;
  for (; child != nullptr && i > 0; --i) child = child->nextSibling_;
  return child;
}

TXMLItem& TXMLItem::ItemNamed(std::string_view name) {
  TXMLItem* last = nullptr;
  for (TXMLItem* child = firstChild_; child != nullptr; child = child->nextSibling_) {
    if (EqualsNoCase(child->Name(), name)) return *child;
    last = child;
  }
  TXMLItem& child = document_->NewChild(*this, last);
  child.SetName(document_->Store(name));
  return child;
}

int TXMLItem::IndexOfName(std::string_view name, int start) const {
  int index = 0;
  for (TXMLItem* child = firstChild_; child != nullptr; child = child->nextSibling_, ++index) {
    if (index >= start && EqualsNoCase(child->Name(), name)) return index;
  }
  return -1;
}

// -------------------------------------------------------------- TKvXMLParser

TKvXMLParser::TKvXMLParser() { root_.Reset(this, nullptr); }

TKvXMLParser::~TKvXMLParser() = default;

void TKvXMLParser::Clear() {
  root_.Reset(this, nullptr);
  bytes_ = std::string();
  items_.Reuse();
  params_.Reuse();
  texts_.Reuse();
}

std::string TKvXMLParser::TakeBytes() {
  std::string bytes = std::move(bytes_);
  Clear();
  return bytes;
}

void TKvXMLParser::Release() {
  Clear();
  items_.Release();
  params_.Release();
  texts_.Release();
}

std::size_t TKvXMLParser::StorageBytes() const {
  return items_.CapacityBytes() + params_.CapacityBytes() + texts_.CapacityBytes();
}

TXMLItem& TKvXMLParser::NewChild(TXMLItem& parent, TXMLItem* last) {
  TXMLItem& child = *::new (static_cast<void*>(items_.Allocate(1))) TXMLItem();
  child.Reset(this, &parent);
  if (last != nullptr) {
    last->nextSibling_ = &child;
  } else {
    parent.firstChild_ = &child;
  }
  ++parent.count_;
  return child;
}

std::string_view TKvXMLParser::Store(std::string_view bytes) {
  if (bytes.empty()) return std::string_view("", 0);
  char* at = texts_.Allocate(bytes.size());
  std::memcpy(at, bytes.data(), bytes.size());
  return {at, bytes.size()};
}

// ------------------------------------------------------------ XmlTreeBuilder

// Turns tokens into items. Character data is collected per open item as runs
// and joined when the item closes: the text of an item with runs r1 .. rn is
// r1 decoded n times, CR LF, r2 decoded n - 1 times, ..., rn decoded once,
// which is what decoding the whole text again at every join gives (no entity
// spans a CR LF), computed without quadratic work.
class XmlTreeBuilder {
 public:
  explicit XmlTreeBuilder(TKvXMLParser& document) : doc_(document) {
    open_.push_back({&doc_.root_, nullptr, 0, false});
  }

  // Processes one token; `preserve` is the whitespace-preservation flag, set
  // or cleared by start and empty tags.
  void Process(const TXMLToken& token, bool& preserve);

  // Closes the items still open at the end of the input.
  void Finish() {
    while (!open_.empty()) CloseTop();
  }

 private:
  struct OpenItem {
    TXMLItem* item;
    TXMLItem* lastChild;
    std::size_t firstRun;  // index in runs_
    bool significant;      // the runs hold a byte above 0x20
  };

  std::string_view WithoutLineBreakPairs(std::string_view text);
  TXMLItem& AppendChild(OpenItem& parent) {
    TXMLItem& child = doc_.NewChild(*parent.item, parent.lastChild);
    parent.lastChild = &child;
    return child;
  }
  void TakeTag(TXMLItem& item, std::string_view inner);
  bool Preserves(const TXMLItem& item) const { return item.Params().IndexOf(kPreserveLine) >= 0; }
  void CloseTop();

  TKvXMLParser& doc_;
  std::vector<OpenItem> open_;
  std::vector<std::string_view> runs_;
  std::size_t skippedLevels_ = 0;  // open tags below kMaxDepth
  std::vector<XmlAttributeLine> lines_;
  std::string scratch_;
};

std::string_view XmlTreeBuilder::WithoutLineBreakPairs(std::string_view text) {
  bool hasBreak = false;
  for (const char c : text) hasBreak |= (c == '\r') | (c == '\n');
  if (!hasBreak) return text;
  scratch_.clear();
  AppendWithoutLineBreakPairs(text, scratch_);
  return doc_.Store(scratch_);
}

void XmlTreeBuilder::TakeTag(TXMLItem& item, std::string_view inner) {
  item.SetName(TagName(inner));
  SplitAttributeLines(inner, lines_);
  TXMLParam* params = doc_.params_.Allocate(lines_.size());
  item.params_ = params;
  item.paramCount_ = static_cast<std::uint32_t>(lines_.size());
  for (const XmlAttributeLine& line : lines_) {
    if (!line.hasValue) {
      ::new (static_cast<void*>(params++)) TXMLParam{line.name, {}};
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
    ::new (static_cast<void*>(params++)) TXMLParam{line.name, value};
  }
}

void XmlTreeBuilder::Process(const TXMLToken& token, bool& preserve) {
  if (open_.empty()) return;  // after the document element: ignored
  switch (token.kind) {
    case xtText: {
      if (skippedLevels_ > 0) return;
      const std::string_view run = WithoutLineBreakPairs(token.text);
      OpenItem& top = open_.back();
      if (!top.significant) {
        runs_.resize(top.firstRun);
        top.significant = HasSignificantByte(run);
      }
      runs_.push_back(run);
      return;
    }
    case xtStartTag: {
      if (skippedLevels_ > 0) {
        ++skippedLevels_;
        return;
      }
      const std::string_view inner = WithoutLineBreakPairs(token.text);
      TXMLItem& current = *open_.back().item;
      if (!HasSignificantByte(current.Name())) {
        TakeTag(current, inner);
        preserve = Preserves(current);
        return;
      }
      if (open_.size() >= TKvXMLParser::kMaxDepth) {
        skippedLevels_ = 1;
        return;
      }
      TXMLItem& child = AppendChild(open_.back());
      TakeTag(child, inner);
      open_.push_back({&child, nullptr, runs_.size(), false});
      preserve = Preserves(child);
      return;
    }
    case xtEmptyTag: {
      if (skippedLevels_ > 0 || open_.size() >= TKvXMLParser::kMaxDepth) return;
      TXMLItem& child = AppendChild(open_.back());
      TakeTag(child, WithoutLineBreakPairs(token.text));
      preserve = Preserves(child);
      return;
    }
    case xtEndTag:
      if (skippedLevels_ > 0) {
        --skippedLevels_;
      } else {
        CloseTop();
      }
      return;
    default:
      return;  // declarations and comments leave the tree unchanged
  }
}

void XmlTreeBuilder::CloseTop() {
  const OpenItem top = open_.back();
  open_.pop_back();
  const std::size_t count = runs_.size() - top.firstRun;
  if (count == 0) return;
  const std::string_view first = runs_[top.firstRun];
  if (count == 1 && !HasEntity(first)) {
    top.item->SetText(first);
  } else {
    scratch_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) scratch_ += "\r\n";
      AppendDecodedEntities(runs_[top.firstRun + i], count - i, scratch_);
    }
    top.item->SetText(doc_.Store(scratch_));
  }
  runs_.resize(top.firstRun);
}

void TKvXMLParser::LoadFromBuffer(std::string bytes) {
  Clear();
  bytes_ = std::move(bytes);
  TXMLLargeTokenizer tokenizer(std::string_view(bytes_).substr(0, kMaxInputBytes));
  XmlTreeBuilder builder(*this);
  bool preserve = false;
  for (TXMLToken token = tokenizer.NextToken(preserve); token.kind != xtEnd;
       token = tokenizer.NextToken(preserve)) {
    builder.Process(token, preserve);
  }
  builder.Finish();
}

}  // namespace tabulox
