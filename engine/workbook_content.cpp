#include "engine/workbook_content.h"

#include <algorithm>
#include <string_view>

#include "core/file_bytes.h"
#include "xls/biff_version.h"
#include "xls/compound_file.h"

namespace tabulox {

namespace {

// Enough of a file's start to tell its kind; an XML document's root element
// after a longer prologue is not looked for.
constexpr std::size_t kLeadingBytes = 4096;

constexpr std::string_view kOdsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A local header, an end record (an empty archive) or a spanning marker.
bool HasZipSignature(std::string_view start) {
  return start.starts_with(std::string_view("PK\x03\x04", 4)) ||
         start.starts_with(std::string_view("PK\x05\x06", 4)) ||
         start.starts_with(std::string_view("PK\x07\x08", 4));
}

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The name of the first element of an XML document (after a UTF-8 byte-order
// mark, blanks, the declaration, processing instructions, comments and a
// document type); empty when the start holds none.
std::string_view RootElementName(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  for (;;) {
    while (!text.empty() && IsXmlBlank(text.front())) text.remove_prefix(1);
    if (!text.starts_with('<')) return {};
    std::string_view end;
    if (text.starts_with("<?")) {
      end = "?>";
    } else if (text.starts_with("<!--")) {
      end = "-->";
    } else if (text.starts_with("<!")) {
      end = ">";
    } else {
      text.remove_prefix(1);
      const std::size_t length = std::min(text.find_first_of(" \t\r\n/>"), text.size());
      return text.substr(0, length);
    }
    const std::size_t at = text.find(end);
    if (at == std::string_view::npos) return {};
    text.remove_prefix(at + end.size());
  }
}

// The kind of package an open archive is, from its member names.
WorkbookContent PackageContent(ZipArchive& archive) {
  if (archive.OpenMember("xl/workbook.xml").Found()) return WorkbookContent::kXlsxPackage;
  if (archive.OpenMember("xl/workbook.bin").Found()) return WorkbookContent::kXlsbPackage;
  MemberReader mimeType = archive.OpenMember("mimetype");
  if (mimeType.Found()) {
    // The type is the member's first bytes; one block is all that is read.
    std::string type;
    mimeType.Next(type);
    return type.starts_with(kOdsMimeType) ? WorkbookContent::kOdsPackage : WorkbookContent::kOther;
  }
  if (archive.OpenMember("content.xml").Found()) return WorkbookContent::kOdsPackage;
  return WorkbookContent::kOther;
}

// The content of a file that is not a ZIP archive, told by its first bytes.
WorkbookContent LeadingContent(std::span<const std::uint8_t> start) {
  if (HasCompoundFileSignature(start)) return WorkbookContent::kCompoundFile;
  if (IsBareEarlierBiffStream(start)) return WorkbookContent::kBareBiffStream;
  if (RootElementName(AsText(start)) == "office:document") return WorkbookContent::kFlatOds;
  return WorkbookContent::kOther;
}

// Looks at the members of an archive `open` opens; kOther when it cannot.
template <typename Open>
WorkbookContent ArchiveContent(ZipArchive& archive, Open open) {
  try {
    open();
    return PackageContent(archive);
  } catch (...) {
    return WorkbookContent::kOther;
  }
}

}  // namespace

WorkbookContent ContentOfFile(const std::string& path, ZipArchive& archive) {
  FileBytes start;
  if (ReadFileStart(path, kLeadingBytes, start) < 0) return WorkbookContent::kOther;
  if (!HasZipSignature(AsText(start))) return LeadingContent(start);
  return ArchiveContent(archive, [&] { archive.Open(path); });
}

WorkbookContent ContentOfBytes(std::span<const std::uint8_t> file, ZipArchive& archive) {
  const std::span<const std::uint8_t> start = file.first(std::min(file.size(), kLeadingBytes));
  if (!HasZipSignature(AsText(start))) return LeadingContent(start);
  return ArchiveContent(archive, [&] { archive.OpenBuffer(file); });
}

}  // namespace tabulox
