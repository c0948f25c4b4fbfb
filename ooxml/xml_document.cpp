#include "xml_document.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "xml_text.h"
#include "xml_tokenizer.h"

namespace tabulox {
namespace {

// Item chunks double from the first size to the largest.
constexpr std::size_t kFirstItemChunk = 64;
constexpr std::size_t kLargestItemChunk = 16384;
// Decoded texts are stored in chunks of this size; a longer one gets a chunk
// of its own.
constexpr std::size_t kTextChunkBytes = 64 * 1024;

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
  paramBegin_ = 0;
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

TXMLParams TXMLItem::Params() const {
  if (paramCount_ == 0) return {};
  return {document_->params_.data() + paramBegin_, paramCount_};
}

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

TXMLItem* TKvXMLParser::ItemStore::Allocate() {
  if (!chunks_.empty() && used_ == chunks_[chunk_].capacity && chunk_ + 1 < chunks_.size()) {
    ++chunk_;
    used_ = 0;
  }
  if (chunks_.empty() || used_ == chunks_[chunk_].capacity) {
    const std::size_t capacity = chunks_.empty()
                                     ? kFirstItemChunk
                                     : std::min(2 * chunks_.back().capacity, kLargestItemChunk);
    chunks_.push_back({std::allocator<TXMLItem>().allocate(capacity), capacity});
    chunk_ = chunks_.size() - 1;
    used_ = 0;
  }
  // Items hold only pointers and numbers: nothing to destroy later.
  return ::new (static_cast<void*>(chunks_[chunk_].items + used_++)) TXMLItem();
}

void TKvXMLParser::ItemStore::Release() {
  for (const Chunk& chunk : chunks_)
    std::allocator<TXMLItem>().deallocate(chunk.items, chunk.capacity);
  chunks_.clear();
  Reuse();
}

TKvXMLParser::TKvXMLParser() { root_.Reset(this, nullptr); }

TKvXMLParser::~TKvXMLParser() = default;

void TKvXMLParser::Clear() {
  root_.Reset(this, nullptr);
  bytes_ = std::string();
  items_.Reuse();
  params_.clear();
  textChunks_.clear();
  textChunkUsed_ = 0;
  textChunkSize_ = 0;
}

void TKvXMLParser::Release() {
  Clear();
  items_.Release();
  params_ = std::vector<TXMLParam>();
}

TXMLItem& TKvXMLParser::NewChild(TXMLItem& parent, TXMLItem* last) {
  TXMLItem& child = *items_.Allocate();
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
  if (bytes.size() > kTextChunkBytes / 4) {
    // A chunk of its own, kept before the current one so that the latter
    // stays open for small texts.
    auto chunk = std::make_unique<char[]>(bytes.size());
    std::memcpy(chunk.get(), bytes.data(), bytes.size());
    const std::string_view stored(chunk.get(), bytes.size());
    textChunks_.insert(textChunks_.end() - (textChunks_.empty() ? 0 : 1), std::move(chunk));
    return stored;
  }
  if (textChunks_.empty() || textChunkSize_ - textChunkUsed_ < bytes.size()) {
    textChunks_.push_back(std::make_unique<char[]>(kTextChunkBytes));
    textChunkUsed_ = 0;
    textChunkSize_ = kTextChunkBytes;
  }
  char* at = textChunks_.back().get() + textChunkUsed_;
  std::memcpy(at, bytes.data(), bytes.size());
  textChunkUsed_ += bytes.size();
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
  item.paramBegin_ = static_cast<std::uint32_t>(doc_.params_.size());
  item.paramCount_ = static_cast<std::uint32_t>(lines_.size());
  for (const XmlAttributeLine& line : lines_) {
    if (!line.hasValue) {
      doc_.params_.push_back({line.name, {}});
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
    doc_.params_.push_back({line.name, value});
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
  TXMLLargeTokenizer tokenizer(bytes_);
  XmlTreeBuilder builder(*this);
  bool preserve = false;
  for (TXMLToken token = tokenizer.NextToken(preserve); token.kind != xtEnd;
       token = tokenizer.NextToken(preserve)) {
    builder.Process(token, preserve);
  }
  builder.Finish();
}

}  // namespace tabulox
