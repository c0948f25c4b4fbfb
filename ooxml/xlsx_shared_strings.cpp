#include "ooxml/xlsx_shared_strings.h"

#include <algorithm>

#include "ooxml/xstring_escapes.h"
#include "xml/xml_document.h"
#include "xml/xml_lookup.h"

namespace tabulox {
namespace {

const XmlNode* FirstChildNamed(const XmlNode& item, std::string_view localName) {
  for (const XmlNode* child = item.FirstChild(); child; child = child->NextSibling()) {
    if (LocalName(child->Name()) == localName) return child;
  }
  return nullptr;
}

// Adds each child of the root (the sst element) to the table when it is complete.
class SharedStringItems : public XmlChildSink {
 public:
  explicit SharedStringItems(SharedStringTable& table) : table_(table) {}
  bool HandsOverChildren(const XmlNode& item) override { return item.Parent() == nullptr; }
  void TakeChild(const XmlNode& item) override { table_.AddItem(item); }

 private:
  SharedStringTable& table_;
};

}  // namespace

void SharedStringTable::Clear() {
  pool_.clear();
  ends_.clear();
}

void SharedStringTable::Reserve(std::uint64_t textBytes) {
  // Stated sizes come from the archive: a hint, kept within reason.
  constexpr std::uint64_t kMostReserved = 256u * 1024 * 1024;
  // The fewest bytes a string item takes in the part: "<si/>".
  constexpr std::uint64_t kSmallestItemBytes = 5;
  pool_.reserve(static_cast<std::size_t>(std::min(textBytes, kMostReserved)));
  // At most 8 million strings' room up front (64 MiB): room that is never
  // written costs address space only, and growing by doubling would copy the
  // list and touch each new page one by one. Longer lists still grow.
  constexpr std::uint64_t kMostStringsReserved = 8u * 1024 * 1024;
  ends_.reserve(
      static_cast<std::size_t>(std::min(textBytes / kSmallestItemBytes, kMostStringsReserved)));
}

void SharedStringTable::Add(std::string_view text) {
  pool_ += text;
  ends_.push_back(pool_.size());
}

void SharedStringTable::AddItem(const XmlNode& item) {
  AppendStringItemText(item, pool_);
  ends_.push_back(pool_.size());
}

std::string_view SharedStringTable::operator[](std::size_t i) const {
  const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(pool_).substr(begin, ends_[i] - begin);
}

void AppendStringItemText(const XmlNode& item, std::string& out) {
  const XmlNode* first = item.FirstChild();
  if (first == nullptr) return;
  if (LocalName(first->Name()) != "r") {
    AppendUnescapedXstring(first->Text(), out);
    return;
  }
  for (const XmlNode* run = first; run; run = run->NextSibling()) {
    if (LocalName(run->Name()) != "r") continue;
    if (const XmlNode* t = FirstChildNamed(*run, "t")) AppendUnescapedXstring(t->Text(), out);
  }
}

void LoadSharedStringsFromSource(XmlDocument& document, const BlockSource& source,
                                 SharedStringTable& table) {
  SharedStringItems items(table);
  document.LoadFromSource(source, items);
}

}  // namespace tabulox
