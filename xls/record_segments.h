// A record that goes on in CONTINUE records, [MS-XLS] 2.4.58: the payload of
// the record and of each CONTINUE record after it is one segment. A parser reads
// from the current segment and moves to the next one at a cut. Where a string's
// characters are cut, the next segment starts with a flag byte that restates
// their width, [MS-XLS] 2.5.293 XLUnicodeRichExtendedString.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "xls/biff_records.h"

namespace tabulox {

class RecordSegments {
 public:
  // Takes the payload of the record whose header was just read, and the
  // payloads of the CONTINUE records right after it, from `stream`; leaves the
  // cursor after the record's own payload. A CONTINUE record cut off by the end
  // of the stream is not taken; an empty one is passed over.
  RecordSegments(ByteReader& stream, const RecordHeader& header);

  // The cursor of the current segment.
  ByteReader& current() { return current_; }

  bool hasNext() const { return next_ < segments_.size(); }

  // The bytes of all segments together.
  std::size_t totalSize() const;

  // Makes the next segment current, read from its start. False, changing
  // nothing, when there is none.
  bool NextContinuation();

  // Reads `count` characters of `width` (1 or 2) bytes each into `text` as
  // engine text, a code unit of 0 as a space. Where the characters run past the
  // current segment, reads the whole characters left in it, moves to the next
  // segment and reads its flag byte (0: 8-bit characters, else 16-bit), which
  // sets the width of the rest. False when the characters go on beyond the last
  // segment; `text` then holds those read so far.
  bool ReadChars(std::size_t count, std::size_t width, std::string& text);

  // Read a field that may be cut across segments: a string's character count,
  // option byte, run count and phonetic block size go on at the first byte of
  // the next segment, with no flag byte before them (only characters get one).
  // False when the data ends first.
  bool ReadU8(std::uint8_t& value);
  bool ReadU16(std::uint16_t& value);
  bool ReadU32(std::uint32_t& value);

  // Skips `count` items of `itemSize` bytes (formatting runs, phonetic bytes).
  // Where they run past the current segment, skips the whole items left in it
  // and goes on in the next segment, without a flag byte. False when they go on
  // beyond the last segment.
  bool SkipAcross(std::size_t count, std::size_t itemSize);


 private:
  // Reads `out.size()` bytes of one field, from as many segments as it takes.
  bool ReadFieldBytes(std::span<std::uint8_t> out);

  std::vector<std::span<const std::uint8_t>> segments_;
  std::size_t next_ = 1;
  ByteReader current_;
};

// Appends `count` characters of `width` bytes from `in` as engine text, a code
// unit of 0 as a space. An 8-bit character is the code unit of the same value.
void AppendStoredChars(ByteReader& in, std::size_t count, std::size_t width, std::string& text);

}  // namespace tabulox
