// Loads a whole XML text into a document as one block, every element kept in
// the tree: what tests and harnesses look at. Conversions hand the children of
// long lists over as they are read (XmlDocument::LoadFromSource).
#pragma once

#include <string>
#include <string_view>

#include "xml/xml_document.h"

namespace tabulox {

inline void LoadWholeDocument(XmlDocument& document, std::string_view xml) {
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
