// Where the documents of an OpenDocument spreadsheet come from: the
// content.xml and styles.xml members of a package, or the one flat document.
#pragma once

#include <cstdint>
#include <span>

#include "ods/ods_content_walk.h"

namespace tabulox {

class ZipArchive;

// True when the bytes open as a ZIP archive does ("PK").
bool LooksLikeZipArchive(std::span<const std::uint8_t> head);

class OdsDocument {
 public:
  // A package read through `archive`, already open.
  explicit OdsDocument(ZipArchive& archive) : archive_(&archive) {}
  // A flat document held in memory.
  explicit OdsDocument(std::span<const std::uint8_t> flat) : flat_(flat) {}

  // Walks the content (a package's content.xml, the flat document). Raises
  // ExtractionError when a package has no content.xml, and what the walk or
  // the archive raise.
  void WalkContent(OdsContentSink& sink, OdsStyleSink* styles, RepeatBudget& budget) const;
  // Hands the styles of a package's styles.xml to `styles`; a member that is
  // missing or cannot be read gives what was read of it. A flat document
  // holds its styles in the content.
  void ReadStyles(OdsStyleSink& styles, RepeatBudget& budget) const;

 private:
  ZipArchive* archive_ = nullptr;
  std::span<const std::uint8_t> flat_;
};

}  // namespace tabulox
