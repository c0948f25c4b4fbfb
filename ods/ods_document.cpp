#include "ods/ods_document.h"

#include <algorithm>
#include <exception>

#include "core/extraction_error.h"
#include "zip/member_read.h"
#include "zip/zip_archive.h"

namespace tabulox {
namespace {

constexpr std::string_view kContentMember = "content.xml";
constexpr std::string_view kStylesMember = "styles.xml";

// A flat document is handed to the tokenizer in blocks of this size.
constexpr std::size_t kFlatBlockBytes = 256 * 1024;

// Takes no table: a styles document has none.
class NoTables final : public OdsContentSink {
 public:
  void BeginTable(std::string_view, std::string_view) override {}
  void EndTable() override {}
  bool WantsCells() const override { return false; }
};

}  // namespace

bool LooksLikeZipArchive(std::span<const std::uint8_t> head) {
  return head.size() >= 2 && head[0] == 'P' && head[1] == 'K';
}

void OdsDocument::WalkContent(OdsContentSink& sink, OdsStyleSink* styles, RepeatBudget& budget) const {
  if (archive_ == nullptr) {
    std::size_t at = 0;
    const BlockSource source = [&](std::string& block) {
      if (at >= flat_.size()) return false;
      const std::size_t size = std::min(kFlatBlockBytes, flat_.size() - at);
      block.append(reinterpret_cast<const char*>(flat_.data() + at), size);
      at += size;
      return true;
    };
    WalkOdsContent(source, sink, styles, budget);
    return;
  }
  const MemberRead read = ReadMember(*archive_, kContentMember, [&](const BlockSource& source) {
    WalkOdsContent(source, sink, styles, budget);
  });
  if (read.error) std::rethrow_exception(read.error);
  if (read.extracted == 0) throw ExtractionError("no content.xml");
}

void OdsDocument::ReadStyles(OdsStyleSink& styles, RepeatBudget& budget) const {
  if (archive_ == nullptr) return;
  NoTables none;
  try {
    ReadMember(*archive_, kStylesMember,
               [&](const BlockSource& source) { WalkOdsContent(source, none, &styles, budget); });
  } catch (...) {
  }
}

}  // namespace tabulox
