#include "shared_strings.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include "extraction_error.h"
#include "processor_cores.h"
#include "second_thread.h"
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

// Tables of this many bytes or more are read in two halves at once.
constexpr std::size_t kBytesForTwoHalves = std::size_t{256} << 10;
// A place is taken for a string's start when this many strings read on from
// it look like strings.
constexpr int kStringsToTrust = 32;
// Longer strings (or more formatting runs) are taken as a sign that a place is
// not a string's start.
constexpr std::size_t kMostLikelyChars = 4096;
constexpr std::size_t kMostLikelyPhoneticBytes = 1 << 16;
// How far into a segment a string's start is looked for.
constexpr std::size_t kStartSearchBytes = 4096;

// Goes past one string as ReadOneString reads it, without its text. False
// when its fields look unlike a string's or the data ends first.
bool SkipLikelyString(RecordSegments& segments) {
  StringHeader header;
  if (!ReadStringHeader(segments, header)) return false;
  if ((header.options & ~(kHighByte | kPhonetic | kRichText)) != 0 ||
      header.charCount > kMostLikelyChars || header.runCount > kMostLikelyChars ||
      header.phoneticSize > kMostLikelyPhoneticBytes)
    return false;
  return segments.SkipChars(header.charCount, header.width()) &&
         segments.SkipAcross(header.runCount, kFormattingRunSize) &&
         segments.SkipAcross(header.phoneticSize, 1);
}

// A place about half way through the segments where, judging by the strings
// read on from it, a string begins; only a guess, which reading the strings
// before it must confirm.
std::optional<RecordSegments::Place> LikelyMiddleString(RecordSegments probe) {
  const std::size_t half = probe.totalSize() / 2;
  std::size_t segment = 0;
  for (std::size_t before = 0; segment + 1 < probe.segmentCount(); ++segment) {
    before += probe.segmentSize(segment);
    if (before > half) break;
  }
  const std::size_t searched = std::min(probe.segmentSize(segment), kStartSearchBytes);
  for (std::size_t offset = 0; offset < searched; ++offset) {
    probe.MoveTo({segment, offset});
    int strings = 0;
    try {
      while (strings < kStringsToTrust && SkipLikelyString(probe)) ++strings;
    } catch (const ExtractionError&) {
      continue;
    }
    if (strings == kStringsToTrust) return RecordSegments::Place{segment, offset};
  }
  return std::nullopt;
}

// Reads strings into `table` until it holds `most`, the data ends, or the
// reading reaches `stopAt` between two strings. Gives true for the last.
bool ReadStrings(RecordSegments& segments, std::size_t most, XlsSharedStrings& table,
                 std::optional<RecordSegments::Place> stopAt = std::nullopt) {
  while (table.size() < most) {
    if (stopAt && segments.place() == *stopAt) return true;
    if (!ReadOneString(segments, table)) break;
  }
  return false;
}

// The strings from a middle place on, read on a thread of their own: as many
// as were read, and the error the reading raised, after `table.size()` of them.
struct LaterStrings {
  XlsSharedStrings table;
  std::exception_ptr error;
};

// Reads `count` strings as one pass over the segments would: in two halves at
// once when the table is large and a middle string's start can be found. The
// halves are joined only when the earlier half's reading ends right at the
// middle; otherwise the earlier half goes on reading past it.
XlsSharedStrings ReadAllStrings(RecordSegments& segments, std::size_t count) {
  XlsSharedStrings table;
  const std::size_t total = segments.totalSize();
  // The count is only a field: no more strings than the bytes can hold are
  // made room for. Mostly one text byte for each stored byte: a hint, not a
  // bound.
  const std::size_t room = std::min(count, total / kMinStoredStringSize);
  table.reserve(room, total);
  std::optional<RecordSegments::Place> middle;
  if (total >= kBytesForTwoHalves && MoreThanOneCore())
    middle = LikelyMiddleString(segments);
  if (!middle) {
    ReadStrings(segments, count, table);
    return table;
  }
  LaterStrings later;
  SecondThread laterThread;
  try {
    laterThread = SecondThread([&later, &middle, count, room, laterSegments = segments]() mutable {
      try {
        laterSegments.MoveTo(*middle);
        later.table.reserve(room, laterSegments.totalSize());
        ReadStrings(laterSegments, count, later.table);
      } catch (...) {
        later.error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    ReadStrings(segments, count, table);
    return table;
  }
  bool atMiddle = false;
  std::exception_ptr earlierError;
  try {
    atMiddle = ReadStrings(segments, count, table, middle);
  } catch (...) {
    earlierError = std::current_exception();
  }
  laterThread.join();
  if (earlierError) std::rethrow_exception(earlierError);
  if (!atMiddle) return table;
  const std::size_t wanted = count - table.size();
  // The later half read on as the earlier half would have: what it read
  // before an error, or before the count was reached, is what one pass reads.
  if (later.error && later.table.size() < wanted) std::rethrow_exception(later.error);
  const std::size_t taken = std::min(wanted, later.table.size());
  table.TakeLater(std::move(later.table), taken);
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
