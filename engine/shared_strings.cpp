#include "shared_strings.h"

#include <algorithm>
#include <utility>

#include "record_segments.h"

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

// Reads one string into `table`. False when the data ends first; a string that
// was read whole is in the table even when its runs or phonetic block are cut.
bool ReadOneString(TRecordSegments& segments, TSharedStringTable& table) {
  if (segments.currentExhausted()) segments.NextContinuation();
  if (!segments.Available(3)) return false;
  ByteReader& in = segments.current();
  std::size_t charCount = in.u16le();
  const std::uint8_t options = in.u8();
  std::size_t runCount = 0;
  std::size_t phoneticSize = 0;
  if (options & kRichText) {
    if (!segments.Available(2)) return false;
    runCount = in.u16le();
  }
  if (options & kPhonetic) {
    if (!segments.Available(4)) return false;
    phoneticSize = segments.current().u32le();
  }
  // Characters that start a CONTINUE record are preceded by their flag byte
  // there, also when the header filled the record before ([MS-XLS] 2.4.58);
  // ReadChars reads it on moving to that record.
  const std::size_t width = (options & kHighByte) ? 2 : 1;
  if (!segments.ReadChars(charCount, width, table.pendingText())) {
    table.DropPending();
    return false;
  }
  table.AddString();

  return segments.SkipAcross(runCount, kFormattingRunSize) && segments.SkipAcross(phoneticSize, 1);
}

}  // namespace

void ReadSharedStrings(ByteReader& stream, const TRecordHeader& header, TWorkBookData& book) {
  TRecordSegments segments(stream, header);
  TSharedStringTable table;
  std::int32_t total = 0;
  std::int32_t unique = 0;
  if (segments.Available(8)) {
    ByteReader& in = segments.current();
    total = static_cast<std::int32_t>(in.u32le());
    unique = static_cast<std::int32_t>(in.u32le());
  }
  if (unique > 0) {
    const std::size_t present = segments.totalSize() / kMinStoredStringSize;
    // Mostly one text byte for each stored byte: a hint, not a bound.
    table.reserve(std::min(static_cast<std::size_t>(unique), present), segments.totalSize());
    for (std::int32_t i = 0; i < unique; ++i)
      if (!ReadOneString(segments, table)) break;
  }
  book.sharedStrings = std::move(table);
  book.totalStringCount = total;
  book.uniqueStringCount = unique;
  stream.seek(header.payloadEnd());
}

}  // namespace tabulox
