// The XML reader: one document, kept between inputs as the .xlsx engine keeps
// it, loads each input; then every item of the tree is visited (without
// recursion) and its name, text and attribute lines are read. A second
// document reads the same input block by block, in blocks of a size taken
// from the input, and must build the same tree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xml/xml_document.h"

namespace {

using namespace tabulox;

// Names, texts and attribute lines of every item in document order.
std::string Picture(const XmlNode& root) {
  std::string picture;
  std::vector<const XmlNode*> pending{&root};
  while (!pending.empty()) {
    const XmlNode* item = pending.back();
    pending.pop_back();
    picture += '<';
    picture += item->Name();
    const XmlAttributes attributes = item->Attributes();
    for (int i = 0; i < attributes.Count(); ++i) picture += '|' + attributes.Line(i);
    picture += '{';
    picture += item->Text();
    picture += '}';
    (void)attributes.Attribute("r");
    (void)item->Child("c");
    std::vector<const XmlNode*> children;
    for (const XmlNode* child = item->FirstChild(); child; child = child->NextSibling())
      children.push_back(child);
    pending.insert(pending.end(), children.rbegin(), children.rend());
    picture += std::to_string(children.size());
  }
  return picture;
}

class KeepEverything : public XmlChildSink {
 public:
  bool HandsOverChildren(const XmlNode&) override { return false; }
  void TakeChild(const XmlNode&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static XmlDocument document;
  static XmlDocument blockDocument;
  const std::string input(reinterpret_cast<const char*>(data), size);
  LoadWholeDocument(document, input);
  const std::string picture = Picture(document.Root());
  // Names, texts and attribute lines come from the input, with entities
  // decoded (never longer than written) and CR LF between text runs.
  if (picture.size() > 64 * size + 64) __builtin_trap();

  const std::size_t blockSize = size == 0 ? 1 : 1 + data[size - 1] % 17;
  std::size_t pos = 0;
  KeepEverything keep;
  blockDocument.LoadFromSource(
      [&](std::string& out) {
        if (pos == input.size()) return false;
        const std::size_t length = std::min(blockSize, input.size() - pos);
        out.append(input, pos, length);
        pos += length;
        return true;
      },
      keep);
  if (Picture(blockDocument.Root()) != picture) __builtin_trap();
  return 0;
}
