// The node tree of the lenient XML reader. A document (XmlDocument) owns the
// bytes it was loaded from and every node of its tree; names, texts and
// attribute values are views into those bytes or into storage the document
// owns, valid until the document is cleared or loaded again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/chunk_store.h"
#include "xml/xml_tokenizer.h"

namespace tabulox {

class XmlDocument;

// One attribute line "name=value", the value without its quotes and decoded.
// A line without "=" has its whole text in `name` and a null `value`.
struct XmlAttribute {
  std::string_view name;
  std::string_view value;
  bool HasValue() const { return value.data() != nullptr; }
};

// The ordered attribute lines of one node. Name comparisons ignore ASCII case.
class XmlAttributes {
 public:
  XmlAttributes() = default;
  XmlAttributes(const XmlAttribute* first, std::size_t count) : first_(first), count_(count) {}

  int Count() const { return static_cast<int>(count_); }
  const XmlAttribute& operator[](int i) const { return first_[i]; }
  // The line as text: name, "=", value (just the name for a line without "=").
  std::string Line(int i) const;
  // Index of the first line whose part before its first "=" equals `name`, or -1.
  int IndexOfName(std::string_view name) const;
  // Index of the first line equal to `line`, or -1.
  int IndexOfLine(std::string_view line) const;
  // The value of the line IndexOfName finds; empty when there is none.
  std::string_view Attribute(std::string_view name) const;

 private:
  const XmlAttribute* first_ = nullptr;
  std::size_t count_ = 0;
};

class XmlNode {
 public:
  XmlNode() = default;
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;

  // The tag name as written, namespace prefix included.
  std::string_view Name() const { return {name_, nameLength_}; }
  // The decoded character data; several runs are joined with CR LF.
  std::string_view Text() const { return {text_, textLength_}; }
  XmlAttributes Attributes() const;

  int ChildCount() const { return static_cast<int>(childCount_); }
  XmlNode* Parent() const { return parent_; }
  XmlNode* FirstChild() const { return firstChild_; }
  XmlNode* NextSibling() const { return nextSibling_; }

  // The first child whose name equals `name` ignoring ASCII case, or null.
  XmlNode* Child(std::string_view name) const;

 private:
  friend class XmlDocument;
  friend class XmlTreeBuilder;

  void Reset(XmlDocument* document, XmlNode* parent);
  void SetName(std::string_view name);
  void SetText(std::string_view text);

  // Kept small: a worksheet part makes two nodes per cell. Lengths fit 32 bits
  // because a document reads at most kMaxInputBytes.
  const char* name_ = nullptr;
  const char* text_ = nullptr;
  const XmlAttribute* attributes_ = nullptr;
  XmlNode* parent_ = nullptr;
  XmlNode* firstChild_ = nullptr;
  XmlNode* nextSibling_ = nullptr;
  XmlDocument* document_ = nullptr;
  std::uint32_t nameLength_ = 0;
  std::uint32_t textLength_ = 0;
  std::uint32_t attributeCount_ = 0;
  std::uint32_t childCount_ = 0;
};

// Receives complete children while a document is read block by block
// (XmlDocument::LoadFromSource), so that a long list of them never has to
// be held at once.
class XmlChildSink {
 public:
  virtual ~XmlChildSink() = default;
  // Asked once for the root node before reading and once for every child of
  // the root a start tag creates, when its name and attributes are set (its
  // earlier siblings are in the tree, complete). True: each child of `node`
  // goes to TakeChild when it is complete and is then removed from the tree,
  // so that `node` keeps no children.
  virtual bool HandsOverChildren(const XmlNode& node) = 0;
  // A complete child, with its attributes, text and descendants; valid only
  // during the call.
  virtual void TakeChild(const XmlNode& child) = 0;
};

// The document: one root node, created with the document and never replaced.
// Loading makes the document element the root node, its children the root's
// children, and so on. Loading never fails on malformed input.
class XmlDocument {
 public:
  // Nodes deeper than this are not created: their tags, text and descendants
  // are skipped. Workbook parts nest a handful of levels; the bound keeps any
  // code that walks a tree recursively within its stack.
  static constexpr std::size_t kMaxDepth = 10000;

  // Bytes beyond this are not read: node names, texts and counts are kept in
  // 32 bits. (A workbook part is below 2 GiB: kMaxMemberUncompressedSize.)
  static constexpr std::size_t kMaxInputBytes = 0xFFFFFFFFu;

  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  XmlNode& Root() { return root_; }
  const XmlNode& Root() const { return root_; }

  // Deletes every child of the root and empties its attributes, name and
  // text. The storage of the nodes is kept for the
  // next load.
  void Clear();

  // Clear, and gives all storage back.
  void Release();

  // The bytes of node, attribute and text storage held, used or kept.
  std::size_t StorageBytes() const;

  // Builds the tree from bytes read block by block (as engine text, see
  // xml_part_encoding.h, which ends at its first zero byte, if any, or after
  // kMaxInputBytes), keeping copies of the bytes the tree refers to; the
  // children that `sink` asks for are handed over and not kept.
  void LoadFromSource(const BlockSource& source, XmlChildSink& sink);

  // How the loads that follow read character data. By default as the default
  // layout has always read it: the blanks at the edges of a run are dropped
  // (the space kept under xml:space="preserve"), and the runs of an item that
  // tags or comments separate are joined by CR LF. With `asWritten`, an
  // item's text is its character data exactly as written, entities decoded
  // once, the runs one after the other; only runs of blanks before a child
  // element of an item without other text are dropped, as they lay out the
  // markup.
  void ReadTextAsWritten(bool asWritten) { textAsWritten_ = asWritten; }

 private:
  friend class XmlNode;
  friend class XmlTreeBuilder;

  // Appends a new empty child after `last`, the parent's last child (null
  // when it has none).
  XmlNode& NewChild(XmlNode& parent, XmlNode* last);
  // Copies the bytes into storage that lives as long as the tree.
  std::string_view Store(std::string_view bytes);

  XmlNode root_;
  bool textAsWritten_ = false;
  ChunkStore<XmlNode, 64, 16384> items_;
  ChunkStore<XmlAttribute, 64, 16384> attributes_;
  ChunkStore<char, 4096, 1024 * 1024> texts_;  // names, values and texts of the tree
};

// Loads a whole XML text held in memory as one block, every element kept in
// the tree: for small parts read whole (an encryption descriptor) and for
// tests. Conversions of long parts use LoadFromSource with a sink.
void LoadWholeDocument(XmlDocument& document, std::string_view xml);

}  // namespace tabulox
