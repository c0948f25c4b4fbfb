#include "xls/shared_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine_text.h"
#include "core/extraction_error.h"
#include "support/biff_writer.h"
#include "xls/biff_records.h"

namespace tabulox {
namespace {

using testing::AppendSstString;
using testing::AppendSstStringHeader;
using testing::BiffWriter;
using testing::ContinuedRecord;
using testing::SstRecord;
using testing::SstString;

struct SstCase {
  const char* name;
  ContinuedRecord sst;
  std::vector<std::string> expected;

  friend void PrintTo(const SstCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<std::string> Strings(const XlsSharedStrings& table) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < table.size(); ++i) out.emplace_back(table[i]);
  return out;
}

// Reads the SST record at the start of `w`, then checks that the cursor is
// left right after the SST payload.
std::vector<std::string> ReadTable(const BiffWriter& w) {
  ByteReader stream(w.bytes());
  RecordHeader header;
  EXPECT_TRUE(ReadRecordHeader(stream, header));
  WorkbookData book;
  ReadSharedStrings(stream, header, book);
  EXPECT_EQ(stream.position(), header.payloadEnd());
  return Strings(book.sharedStrings);
}

ContinuedRecord CutMidStringWithWidthChange() {
  // "AB" as 16-bit characters, cut, then "cd" as 8-bit characters.
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstStringHeader(sst, SstString{u"ABcd", true});
  sst.bytes().chars(u"AB", true);
  sst.CutChars(false).bytes().chars(u"cd", false);
  AppendSstString(sst, SstString{u"next"});
  return sst;
}

ContinuedRecord CutFrom8BitTo16Bit() {
  ContinuedRecord sst = SstRecord(1, 1);
  AppendSstStringHeader(sst, SstString{u"ab\u20AC", false});
  sst.bytes().chars(u"ab", false);
  sst.CutChars(true).bytes().chars(u"\u20AC", true);
  return sst;
}

ContinuedRecord RunsAndPhoneticSplit() {
  // Runs cut after one of three runs; the phonetic block cut after 3 of its
  // 10 bytes. The next string must start at the right byte.
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstStringHeader(sst, SstString{u"rich", false, 3, 10});
  sst.bytes().chars(u"rich", false).u16(0).u16(1);
  sst.Cut().bytes().u16(2).u16(1).u16(3).u16(1);
  for (int i = 0; i < 3; ++i) sst.bytes().u8(0xEE);
  sst.Cut();
  for (int i = 0; i < 7; ++i) sst.bytes().u8(0xEE);
  AppendSstString(sst, SstString{u"after"});
  return sst;
}

ContinuedRecord CutBetweenHeaderAndCharacters() {
  // The header fills the SST record; the CONTINUE record starts with the flag
  // byte of the characters (8-bit here, although the header says 16-bit).
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstStringHeader(sst, SstString{u"abc", true, 1});
  sst.CutChars(false).bytes().chars(u"abc", false).u32(0);
  AppendSstString(sst, SstString{u"next"});
  return sst;
}

ContinuedRecord StringStartsInNextSegment() {
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstString(sst, SstString{u"one"});
  sst.Cut();
  AppendSstString(sst, SstString{u"two", true});
  return sst;
}

ContinuedRecord CharactersOddBytesLeft() {
  // 16-bit characters with one odd byte left before the cut: that byte is
  // dropped with its segment.
  ContinuedRecord sst = SstRecord(1, 1);
  AppendSstStringHeader(sst, SstString{u"XY", true});
  sst.bytes().chars(u"X", true).u8(0x99);
  sst.CutChars(true).bytes().chars(u"Y", true);
  return sst;
}

ContinuedRecord ZeroAndLatin1() {
  ContinuedRecord sst = SstRecord(4, 4);
  AppendSstString(sst, SstString{std::u16string(u"a\0b", 3)});
  AppendSstString(sst, SstString{u"caf\u00E9"});
  // The last ASCII character, and the first beyond it.
  AppendSstString(sst, SstString{u"~\u007F"});
  AppendSstString(sst, SstString{u"~\u0080"});
  return sst;
}

ContinuedRecord WideZero() {
  ContinuedRecord sst = SstRecord(1, 1);
  AppendSstString(sst, SstString{std::u16string(u"x\0\u4E2D", 3), true});
  return sst;
}

ContinuedRecord Empty() { return SstRecord(0, 0); }

ContinuedRecord NegativeCount() {
  ContinuedRecord sst = SstRecord(0, 0xFFFFFFFF);
  AppendSstString(sst, SstString{u"unused"});
  return sst;
}

ContinuedRecord CountOfZero() {
  ContinuedRecord sst = SstRecord(0, 0);
  AppendSstString(sst, SstString{u"one"});
  AppendSstString(sst, SstString{u"two"});
  return sst;
}

ContinuedRecord CountBeyondStrings() {
  ContinuedRecord sst = SstRecord(5, 5);
  AppendSstString(sst, SstString{u"only"});
  sst.Cut();
  AppendSstString(sst, SstString{u"two"});
  return sst;
}

ContinuedRecord CharactersBeyondLastSegment() {
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstString(sst, SstString{u"whole"});
  AppendSstStringHeader(sst, SstString{u"cut short", false});
  sst.bytes().chars(u"cut", false);
  return sst;
}

ContinuedRecord RunsBeyondLastSegment() {
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstStringHeader(sst, SstString{u"kept", false, 4});
  sst.bytes().chars(u"kept", false).u16(0).u16(0);
  return sst;
}

ContinuedRecord EmptyContinueRecords() {
  // Writers leave empty CONTINUE records in the middle of characters and
  // between strings: they hold nothing, not even a flag byte.
  ContinuedRecord sst = SstRecord(2, 2);
  sst.bytes().u16(3).u8(0).chars(u"a", false);
  sst.Cut();
  sst.CutChars(false).bytes().chars(u"bc", false);
  sst.Cut();
  sst.Cut();
  AppendSstString(sst, SstString{u"d"});
  return sst;
}

ContinuedRecord EmptyString() {
  ContinuedRecord sst = SstRecord(2, 2);
  AppendSstString(sst, SstString{u""});
  AppendSstString(sst, SstString{u"z"});
  return sst;
}

class SharedStrings : public ::testing::TestWithParam<SstCase> {};

TEST_P(SharedStrings, TableFromRecords) {
  BiffWriter w;
  w.Record(GetParam().sst);
  w.Eof();
  EXPECT_EQ(ReadTable(w), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedStrings,
    ::testing::Values(
        SstCase{"CutMidStringWithWidthChange", CutMidStringWithWidthChange(), {"ABcd", "next"}},
        SstCase{"CutFrom8BitTo16Bit", CutFrom8BitTo16Bit(), {"ab\xE2\x82\xAC"}},
        SstCase{"RunsAndPhoneticSplit", RunsAndPhoneticSplit(), {"rich", "after"}},
        SstCase{"CutBetweenHeaderAndCharacters", CutBetweenHeaderAndCharacters(), {"abc", "next"}},
        SstCase{"StringStartsInNextSegment", StringStartsInNextSegment(), {"one", "two"}},
        SstCase{"CharactersOddBytesLeft", CharactersOddBytesLeft(), {"XY"}},
        SstCase{"ZeroBecomesSpaceAndLatin1", ZeroAndLatin1(), {"a b", "caf\xC3\xA9", "~\x7F", "~\xC2\x80"}},
        SstCase{"WideZeroBecomesSpace", WideZero(), {"x \xE4\xB8\xAD"}},
        SstCase{"Empty", Empty(), {}}, SstCase{"NegativeCountIsEmpty", NegativeCount(), {}},
        SstCase{"CountOfZeroReadsTheStringsPresent", CountOfZero(), {"one", "two"}},
        SstCase{"CountBeyondStringsStopsTable", CountBeyondStrings(), {"only", "two"}},
        SstCase{"CharactersBeyondLastSegmentDropString", CharactersBeyondLastSegment(), {"whole"}},
        SstCase{"RunsBeyondLastSegmentKeepString", RunsBeyondLastSegment(), {"kept"}},
        SstCase{"EmptyString", EmptyString(), {"", "z"}},
        SstCase{"EmptyContinueRecordsAreSkipped", EmptyContinueRecords(), {"abc", "d"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedStringsCounts, StoredInWorkbook) {
  BiffWriter w;
  ContinuedRecord sst = SstRecord(7, 1);
  AppendSstString(sst, SstString{u"s"});
  w.Record(sst);
  ByteReader stream(w.bytes());
  RecordHeader header;
  ASSERT_TRUE(ReadRecordHeader(stream, header));
  WorkbookData book;
  book.sharedStrings.pendingText() = "old";
  book.sharedStrings.AddString();
  ReadSharedStrings(stream, header, book);
  EXPECT_EQ(book.totalStringCount, 7);
  EXPECT_EQ(book.uniqueStringCount, 1);
  EXPECT_EQ(Strings(book.sharedStrings), std::vector<std::string>{"s"});
}

TEST(SharedStringsCounts, HugeCountReservesNoMoreThanTheBytesHold) {
  BiffWriter w;
  ContinuedRecord sst = SstRecord(0x7FFFFFFF, 0x7FFFFFFF);
  AppendSstString(sst, SstString{u"a"});
  w.Record(sst);
  ByteReader stream(w.bytes());
  RecordHeader header;
  ASSERT_TRUE(ReadRecordHeader(stream, header));
  WorkbookData book;
  ReadSharedStrings(stream, header, book);
  EXPECT_EQ(Strings(book.sharedStrings), std::vector<std::string>{"a"});
  EXPECT_LE(book.sharedStrings.capacity(), 8u);
}


// A large table: strings of every kind, with CONTINUE records started between
// strings and inside characters about every 8,000 bytes, as writers cut them.
class LargeTable : public ::testing::Test {
 protected:
  static constexpr std::size_t kStrings = 60'000;

  void SetUp() override {
    for (std::size_t i = 0; i < kStrings; ++i) {
      SstString s;
      const std::u16string number = Utf16(std::to_string(i));
      switch (i % 5) {
        case 0: s.text = u"name " + number; break;
        case 1: s.text = u"\u0151r\u00F6k " + number; s.wide = true; break;
        case 2: s.text = u"rich " + number; s.runs = static_cast<std::uint16_t>(1 + i % 3); break;
        case 3: s.text = u"\u30AB\u30CA " + number; s.wide = true; s.phoneticBytes = 12; break;
        default: s.text = std::u16string(i % 40, u'x') + number; break;
      }
      strings_.push_back(s);
      std::string text;
      for (const char16_t unit : s.text) AppendUtf16Unit(text, unit);
      expected_.push_back(text);
    }
  }

  static std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

  // The SST for `count`, with the strings written; `emptyCutAt` strings in,
  // "abc" in place of the string there, its characters cut by an empty
  // CONTINUE record.
  BiffWriter Write(std::uint32_t count, std::size_t emptyCutAt = SIZE_MAX) const {
    ContinuedRecord sst = SstRecord(count, count);
    std::size_t cuts = 0;
    for (std::size_t i = 0; i < strings_.size(); ++i) {
      const SstString& s = strings_[i];
      if (i == emptyCutAt) {
        sst.bytes().u16(3).u8(0).chars(u"a", false);
        sst.Cut();
        sst.CutChars(false).bytes().chars(u"bc", false);
        continue;
      }
      // Every 1,000th string has its header cut across a CONTINUE record,
      // after the first byte of its character count: it reads on there.
      if (i % 1000 == 999) {
        ContinuedRecord stored(kRecordSst);
        AppendSstString(stored, s);
        const std::span<const std::uint8_t> bytes = stored.bytes().data();
        sst.bytes().u8(bytes[0]);
        sst.Cut().bytes().raw(bytes.subspan(1));
        continue;
      }
      if (sst.bytes().data().size() > 8000) {
        if (cuts++ % 3 == 0 && s.runs == 0 && s.phoneticBytes == 0) {
          const std::size_t half = s.text.size() / 2;
          AppendSstStringHeader(sst, s);
          sst.bytes().chars(std::u16string_view(s.text).substr(0, half), s.wide);
          sst.CutChars(!s.wide);  // the rest in the other width
          sst.bytes().chars(std::u16string_view(s.text).substr(half), !s.wide);
          continue;
        }
        sst.Cut();
      }
      AppendSstString(sst, s);
    }
    BiffWriter w;
    w.Record(sst);
    return w;
  }

  std::vector<SstString> strings_;
  std::vector<std::string> expected_;
};

TEST_F(LargeTable, ReadsEveryStringAsWritten) {
  const BiffWriter w = Write(kStrings);
  ASSERT_GT(w.size(), std::size_t{1} << 20);
  const std::vector<std::string> read = ReadTable(w);
  ASSERT_EQ(read.size(), kStrings);
  for (std::size_t i = 0; i < kStrings; ++i) ASSERT_EQ(read[i], expected_[i]) << i;
}

// The count ends the table wherever it falls; the data ending first ends it
// there.
TEST_F(LargeTable, EndsAtTheCountOrTheData) {
  for (const std::size_t count : {std::size_t{1}, kStrings / 2, kStrings * 3 / 4, kStrings + 1000}) {
    const std::vector<std::string> read = ReadTable(Write(static_cast<std::uint32_t>(count)));
    ASSERT_EQ(read.size(), std::min(count, kStrings)) << count;
    EXPECT_EQ(read.back(), expected_[read.size() - 1]);
  }
}

// A count far beyond the strings present makes room for no more strings than
// the bytes can hold (a string takes three bytes at least).
TEST_F(LargeTable, HugeCountReservesNoMoreThanTheBytesHold) {
  const BiffWriter w = Write(0x7FFFFFFF);
  ByteReader stream(w.bytes());
  RecordHeader header;
  ASSERT_TRUE(ReadRecordHeader(stream, header));
  WorkbookData book;
  ReadSharedStrings(stream, header, book);
  EXPECT_EQ(book.sharedStrings.size(), kStrings);
  EXPECT_LE(book.sharedStrings.capacity(), w.size());
}

// An empty CONTINUE record that cuts a string's characters is passed over
// wherever it stands, and the strings after it are read as written.
TEST_F(LargeTable, AnEmptyContinueRecordIsPassedOverAnywhere) {
  for (const std::size_t at : {kStrings / 10, kStrings * 3 / 4}) {
    const std::vector<std::string> read = ReadTable(Write(static_cast<std::uint32_t>(kStrings), at));
    ASSERT_EQ(read.size(), kStrings) << at;
    EXPECT_EQ(read[at], "abc");
    EXPECT_EQ(read[at + 1], expected_[at + 1]);
  }
}

}  // namespace
}  // namespace tabulox
