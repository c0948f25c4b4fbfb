// The XML reader: one document, kept between inputs as the .xlsx engine keeps
// it, loads each input; then every item of the tree is visited (without
// recursion) and its name, text and attribute lines are read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  static TKvXMLParser document;
  document.LoadFromBuffer(std::string(reinterpret_cast<const char*>(data), size));

  std::size_t seen = 0;
  std::vector<const TXMLItem*> pending{&document.Root()};
  while (!pending.empty()) {
    const TXMLItem* item = pending.back();
    pending.pop_back();
    seen += item->Name().size() + item->Text().size();
    const TXMLParams params = item->Params();
    for (int i = 0; i < params.Count(); ++i) seen += params.Line(i).size();
    (void)params.Values("r");
    (void)item->IndexOfName("c");
    for (const TXMLItem* child = item->FirstChild(); child; child = child->NextSibling())
      pending.push_back(child);
  }
  // Names, texts and attribute lines come from the input, with entities
  // decoded (never longer than written) and CR LF between text runs.
  if (seen > 4 * size + 64) __builtin_trap();
  return 0;
}
