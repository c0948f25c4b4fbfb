#include "xls/shared_strings.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "xls/record_segments.h"

namespace tabulox {
namespace {

// Option byte of a stored string, [MS-XLS] 2.5.293.
constexpr std::uint8_t kHighByte = 0x01;
constexpr std::uint8_t kPhonetic = 0x04;
constexpr std::uint8_t kRichText = 0x08;

// The smallest string takes three bytes (character count and option byte), so
// no more strings than this can be present in the segments.
constexpr std::size_t kMinStoredStringSize = 3;
constexpr std::size_t kFormattingRunSize = 4;

// The fields before a stored string's characters.
struct StringHeader {
  std::size_t charCount = 0;
  std::uint8_t options = 0;
  std::size_t runCount = 0;
  std::size_t phoneticSize = 0;

  std::size_t width() const { return (options & kHighByte) ? 2 : 1; }
};

// Reads the header of the string at the reading place; any of its fields may
// be cut across segments. False when the data ends first.
bool ReadStringHeader(RecordSegments& segments, StringHeader& header) {
  std::uint16_t charCount = 0;
  if (!segments.ReadU16(charCount) || !segments.ReadU8(header.options)) return false;
  header.charCount = charCount;
  if (header.options & kRichText) {
    std::uint16_t runCount = 0;
    if (!segments.ReadU16(runCount)) return false;
    header.runCount = runCount;
  }
  if (header.options & kPhonetic) {
    std::uint32_t phoneticSize = 0;
    if (!segments.ReadU32(phoneticSize)) return false;
    header.phoneticSize = phoneticSize;
  }
  return true;
}

// Reads one string into `table`. False when the data ends first; a string that
// was read whole is in the table even when its runs or phonetic block are cut.
bool ReadOneString(RecordSegments& segments, XlsSharedStrings& table) {
  StringHeader header;
  if (!ReadStringHeader(segments, header)) return false;
  // Characters that start a CONTINUE record are preceded by their flag byte
  // there, also when the header filled the record before ([MS-XLS] 2.4.58);
  // ReadChars reads it on moving to that record.
  if (!segments.ReadChars(header.charCount, header.width(), table.pendingText())) {
    table.DropPending();
    return false;
  }
  table.AddString();

  return segments.SkipAcross(header.runCount, kFormattingRunSize) &&
         segments.SkipAcross(header.phoneticSize, 1);
}

// Reads up to `count` strings, as many as the segments hold.
XlsSharedStrings ReadAllStrings(RecordSegments& segments, std::size_t count) {
  XlsSharedStrings table;
  const std::size_t total = segments.totalSize();
  // The count is only a field: no more strings than the bytes can hold are
  // made room for. Mostly one text byte for each stored byte: a hint, not a
  // bound.
  table.reserve(std::min(count, total / kMinStoredStringSize), total);
  while (table.size() < count) {
    if (!ReadOneString(segments, table)) break;
  }
  return table;
}

}  // namespace

void ReadSharedStrings(ByteReader& stream, const RecordHeader& header, WorkbookData& book) {
  RecordSegments segments(stream, header);
  XlsSharedStrings table;
  std::int32_t total = 0;
  std::int32_t unique = 0;
  std::uint32_t totalField = 0;
  std::uint32_t uniqueField = 0;
  if (segments.ReadU32(totalField) && segments.ReadU32(uniqueField)) {
    total = static_cast<std::int32_t>(totalField);
    unique = static_cast<std::int32_t>(uniqueField);
  }
  // Some writers leave the count at 0 however many strings they store: the
  // table then holds the strings the records hold (an empty table has none).
  if (unique > 0)
    table = ReadAllStrings(segments, static_cast<std::size_t>(unique));
  else if (unique == 0)
    table = ReadAllStrings(segments, SIZE_MAX);
  book.sharedStrings = std::move(table);
  book.totalStringCount = total;
  book.uniqueStringCount = unique;
  stream.seek(header.payloadEnd());
}

}  // namespace tabulox
