#include "support/member_extract.h"
#include "zip/zip_archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>

#include "support/zip_writer.h"
#include "zip/zip_limits.h"

namespace tabulox {
namespace {

using testing::Bytes;
using testing::WriteZip;
using testing::ZipEntry;
using testing::ZipOptions;

// A reader over an archive held in memory; the archive bytes live in the fixture.
class ZipBufferTest : public ::testing::Test {
 protected:
  void Open(std::string archive, const std::string& name = "book.xlsx") {
    archive_ = std::move(archive);
    reader_.OpenBuffer(Bytes(archive_), name);
  }
  std::pair<int, std::string> Extract(std::string_view name) {
    std::string out;
    const int count = ExtractMember(reader_, out, name);
    return {count, out};
  }

  std::string archive_;
  ZipArchive reader_;
};

// --- Member lookup -----------------------------------------------------------

struct LookupCase {
  const char* request;
  int count;
  const char* bytes;
};

class ZipLookupTest : public ZipBufferTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(ZipLookupTest, FindsMembersIgnoringAsciiCaseAndSeparator) {
  Open(WriteZip({{"xl/", ""},
                 {"xl/worksheets/sheet1.xml", "S1"},
                 {"xl\\sharedStrings.xml", "SST", 0},
                 {"\xC3\xA9t\xC3\xA9.xml", "accents"}}));
  const auto [count, bytes] = Extract(GetParam().request);
  EXPECT_EQ(count, GetParam().count);
  EXPECT_EQ(bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ZipLookupTest,
    ::testing::Values(LookupCase{"xl\\worksheets\\sheet1.xml", 1, "S1"},
                      LookupCase{"XL\\Worksheets\\Sheet1.XML", 1, "S1"},
                      LookupCase{"xl/worksheets/sheet1.xml", 1, "S1"},
                      LookupCase{"xl\\worksheets/SHEET1.xml", 1, "S1"},
                      LookupCase{"xl/sharedstrings.XML", 1, "SST"},
                      LookupCase{"xl\\", 0, ""},  // directory entry
                      LookupCase{"xl/", 0, ""}, LookupCase{"xl\\worksheets\\sheet2.xml", 0, ""},
                      LookupCase{"xl\\worksheets\\sheet1.xm", 0, ""},
                      LookupCase{" xl\\worksheets\\sheet1.xml", 0, ""},  // not trimmed
                      LookupCase{"", 0, ""}, LookupCase{" \t\r\n", 0, ""},
                      LookupCase{"\xC3\xA9t\xC3\xA9.xml", 1, "accents"},
                      LookupCase{"\xC3\x89T\xC3\x89.XML", 0, ""}));  // only ASCII folds

TEST_F(ZipBufferTest, DuplicateNamesAreAllExtractedInLocalHeaderOrder) {
  ZipOptions options;
  options.reverseCentralDirectory = true;
  Open(WriteZip({{"a.xml", "one"}, {"b.xml", "bee"}, {"A.XML", "two", 0}}, options));
  EXPECT_EQ(reader_.MemberCount(), 3);
  EXPECT_EQ(Extract("a.xml"), std::make_pair(2, std::string("onetwo")));
  ASSERT_EQ(reader_.Members().size(), 3u);
  EXPECT_EQ(reader_.Members()[0].fileName, "a.xml");
  EXPECT_EQ(reader_.Members()[2].fileName, "A.XML");
}

// --- Archives without members ------------------------------------------------

TEST_F(ZipBufferTest, FilesWithoutEndRecordOpenWithNoMembers) {
  for (const std::string& bytes : {std::string(), std::string(10, 'x'), std::string(21, '\0'),
                                   std::string("just some text, not an archive\r\n")}) {
    SCOPED_TRACE(bytes.size());
    EXPECT_NO_THROW(Open(bytes));
    EXPECT_EQ(reader_.MemberCount(), 0);
    EXPECT_EQ(Extract("xl\\workbook.xml").first, 0);
  }
}

TEST_F(ZipBufferTest, EmptyArchiveHasNoMembers) {
  Open(WriteZip({}));
  EXPECT_EQ(reader_.MemberCount(), 0);
}

TEST_F(ZipBufferTest, EndRecordIsFoundBehindTheLongestComment) {
  ZipOptions options;
  options.comment = std::string(65535, 'c');
  Open(WriteZip({{"a.xml", "A"}}, options));
  EXPECT_EQ(reader_.MemberCount(), 1);
  EXPECT_EQ(Extract("a.xml").second, "A");
}

TEST_F(ZipBufferTest, EndRecordMoreThan65557BytesFromTheEndIsNotFound) {
  ZipOptions options;
  options.comment = std::string(65535, 'c');
  Open(WriteZip({{"a.xml", "A"}}, options) + "x");
  EXPECT_EQ(reader_.MemberCount(), 0);
}

TEST_F(ZipBufferTest, MultiVolumeArchiveIsRejectedAsHavingNoMembers) {
  ZipOptions options;
  options.thisDisk = 1;
  Open(WriteZip({{"a.xml", "A"}}, options));
  EXPECT_EQ(reader_.MemberCount(), 0);
  EXPECT_EQ(Extract("a.xml").first, 0);
}

// --- Rebuild from local headers ----------------------------------------------

TEST_F(ZipBufferTest, PrefixedArchiveIsReadThroughLocalHeaders) {
  ZipOptions options;
  options.prefix = std::string(5000, 'j');
  Open(WriteZip({{"xl/worksheets/sheet1.xml", "<ws/>"}, {"xl/sharedStrings.xml", "<sst/>", 0}},
                options));
  EXPECT_EQ(reader_.MemberCount(), 2);
  EXPECT_EQ(Extract("xl\\worksheets\\sheet1.xml"), std::make_pair(1, std::string("<ws/>")));
  EXPECT_EQ(Extract("xl\\sharedStrings.xml"), std::make_pair(1, std::string("<sst/>")));
}

TEST_F(ZipBufferTest, DamagedCentralHeaderTriggersRebuildCompletedFromDirectory) {
  ZipOptions options;
  options.corruptCentralDirectory = true;
  ZipEntry first{"a.xml", "alpha"};
  first.versionMadeBy = 0x031E;  // only the central directory knows it
  Open(WriteZip({first, {"b.xml", "beta"}}, options));
  ASSERT_EQ(reader_.MemberCount(), 2);
  // The first central header is unreadable, so the completion stops at once.
  EXPECT_EQ(reader_.Members()[0].versionMadeBy, 0);
  EXPECT_EQ(Extract("b.xml"), std::make_pair(1, std::string("beta")));
}

TEST_F(ZipBufferTest, RebuildTakesWhatTheCentralDirectoryAddsForTheSameOffset) {
  ZipOptions options;
  options.duplicateFirstCentralHeader = true;  // two members with one key
  ZipEntry first{"a.xml", "alpha"};
  first.versionMadeBy = 0x031E;
  Open(WriteZip({first, {"b.xml", "beta"}}, options));
  ASSERT_EQ(reader_.MemberCount(), 2);
  EXPECT_EQ(reader_.EndRecord().totalEntries, 2);
  EXPECT_EQ(reader_.EndRecord().centralDirectoryOffset, archive_.find("PK\x01\x02"));
  EXPECT_EQ(reader_.Members()[0].versionMadeBy, 0x031E);
  EXPECT_EQ(Extract("A.XML"), std::make_pair(1, std::string("alpha")));
}

TEST_F(ZipBufferTest, RebuildStopsAtFirstMemberWithDataDescriptor) {
  ZipOptions options;
  options.corruptCentralDirectory = true;
  ZipEntry first{"a.xml", "alpha"};
  first.dataDescriptor = true;
  Open(WriteZip({first, {"b.xml", "beta"}}, options));
  EXPECT_EQ(reader_.MemberCount(), 1);
}

// A member whose local header states its sizes is passed over whole, its
// 16-byte descriptor (signature, CRC-32, two sizes) included.
TEST_F(ZipBufferTest, RebuildGoesOnPastADescriptorWhoseSizesAreKnown) {
  ZipOptions options;
  options.corruptCentralDirectory = true;
  ZipEntry first{"a.xml", "alpha"};
  first.dataDescriptor = true;
  first.sizesInLocalHeader = true;
  Open(WriteZip({first, {"b.xml", "beta"}, {"c.xml", "gamma"}}, options));
  EXPECT_EQ(reader_.MemberCount(), 3);
  EXPECT_EQ(Extract("b.xml"), std::make_pair(1, std::string("beta")));
  EXPECT_EQ(Extract("c.xml"), std::make_pair(1, std::string("gamma")));
}

TEST_F(ZipBufferTest, DamagedDirectoryWithoutLocalHeadersIsNotAValidZipFile) {
  ZipOptions options;
  options.corruptCentralDirectory = true;
  std::string bytes = WriteZip({{"a.xml", "alpha"}}, options);
  bytes[2] = 'X';  // the only local header signature
  archive_ = bytes;
  EXPECT_THROW(reader_.OpenBuffer(Bytes(archive_), "book.xlsx"), ZipFormatError);
  EXPECT_EQ(reader_.MemberCount(), 0);
  EXPECT_EQ(reader_.Path(), "");
}

TEST_F(ZipBufferTest, SelfExtractorSearchStartsAtByte14000) {
  ZipOptions options;
  options.corruptCentralDirectory = true;
  options.prefix = std::string(100, 'j');
  const std::string early = WriteZip({{"a.xml", "alpha"}}, options);
  archive_ = early;
  EXPECT_THROW(reader_.OpenBuffer(Bytes(archive_), "setup.ExE"), ZipFormatError);
  Open(early, "setup.zip");
  EXPECT_EQ(reader_.MemberCount(), 1);
  options.prefix = std::string(14000, 'j');
  Open(WriteZip({{"a.xml", "alpha"}}, options), "setup.exe");
  EXPECT_EQ(Extract("a.xml").second, "alpha");
}

// --- Member outcomes ---------------------------------------------------------

TEST_F(ZipBufferTest, DataDescriptorMembersAreReadThroughTheDirectory) {
  ZipEntry e{"a.xml", std::string(100000, 'z')};
  e.dataDescriptor = true;
  ZipEntry stored{"b.xml", "stored", 0};
  stored.dataDescriptor = true;
  Open(WriteZip({e, stored}));
  EXPECT_EQ(Extract("a.xml").first, 1);
  EXPECT_EQ(Extract("a.xml").second.size(), 100000u);
  EXPECT_EQ(Extract("b.xml").second, "stored");
}

TEST_F(ZipBufferTest, CrcMismatchIsNotExtractedButBytesStay) {
  for (const std::uint16_t method : {0, 8}) {
    ZipEntry e{"a.xml", "payload", method};
    e.statedCrc = testing::Crc32("payload") ^ 1u;
    Open(WriteZip({e}));
    EXPECT_EQ(Extract("a.xml"), std::make_pair(0, std::string("payload")));
    EXPECT_EQ(reader_.LastOutcome(), MemberOutcome::kCrcMismatch);
  }
}

TEST_F(ZipBufferTest, EncryptedMemberIsSkipped) {
  ZipEntry e{"a.xml", "secret", 0};
  e.encrypted = true;
  Open(WriteZip({e}));
  EXPECT_EQ(Extract("a.xml"), std::make_pair(0, std::string()));
  EXPECT_EQ(reader_.LastOutcome(), MemberOutcome::kEncrypted);
}

TEST_F(ZipBufferTest, UnknownMethodWritesNothing) {
  Open(WriteZip({{"shrunk.xml", "x", 1}, {"imploded.xml", "x", 6}, {"bzip2.xml", "x", 12}}));
  for (const char* name : {"shrunk.xml", "imploded.xml", "bzip2.xml"}) {
    EXPECT_EQ(Extract(name), std::make_pair(0, std::string())) << name;
    EXPECT_EQ(reader_.LastOutcome(), MemberOutcome::kUnknownMethod) << name;
  }
}

TEST_F(ZipBufferTest, OutputNeverPassesTheStatedSize) {
  for (const std::uint16_t method : {0, 8}) {
    ZipEntry e{"a.xml", std::string(100000, 'q'), method};
    e.statedUncompressedSize = 50000;
    Open(WriteZip({e}));
    const auto [count, bytes] = Extract("a.xml");
    EXPECT_EQ(count, 0);
    EXPECT_LE(bytes.size(), 50000u);
    EXPECT_EQ(reader_.LastOutcome(), MemberOutcome::kLargerThanStated);
  }
}

TEST_F(ZipBufferTest, TruncatedDeflateDataIsNotExtracted) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += std::to_string(i * 7919) + ",";
  ZipEntry e{"a.xml", text};
  const std::string full = testing::DeflateRaw(text);
  e.rawData = full.substr(0, full.size() / 2);
  Open(WriteZip({e}));
  const auto [count, bytes] = Extract("a.xml");
  EXPECT_EQ(count, 0);
  EXPECT_LT(bytes.size(), text.size());
  EXPECT_EQ(text.compare(0, bytes.size(), bytes), 0);
}

TEST_F(ZipBufferTest, CorruptDeflateDataIsNotExtracted) {
  ZipEntry e{"a.xml", "hello"};
  e.rawData = std::string("\xFF\xFF\xFF\xFF", 4);  // block type 3
  Open(WriteZip({e}));
  EXPECT_EQ(Extract("a.xml").first, 0);
}

TEST_F(ZipBufferTest, StoredDataCutShortIsAFatalError) {
  ZipEntry e{"a.xml", "short", 0};
  e.statedCompressedSize = 1000000;
  e.statedUncompressedSize = 1000000;
  Open(WriteZip({e, {"b.xml", "fine"}}));
  std::string out;
  EXPECT_THROW(ExtractMember(reader_, out, "a.xml"), ZipTruncatedError);
  EXPECT_EQ(Extract("b.xml"), std::make_pair(1, std::string("fine")));
}

TEST_F(ZipBufferTest, LocalHeaderBeyondTheFileIsAFatalError) {
  ZipOptions options;
  options.duplicateFirstCentralHeader = false;
  std::string bytes = WriteZip({{"a.xml", "A"}});
  // Point the member's central header at an offset past the end of the file.
  const std::size_t central = bytes.find(std::string("PK\x01\x02", 4));
  bytes[central + 42 + 3] = '\x7F';
  Open(bytes);
  std::string out;
  EXPECT_THROW(ExtractMember(reader_, out, "a.xml"), ZipTruncatedError);
}

TEST_F(ZipBufferTest, ProgressIsReportedWhileInflatingAndScanning) {
  int calls = 0;
  reader_.OnProgress = [&] { ++calls; };
  std::string noise;
  std::uint32_t x = 1;
  for (int i = 0; i < 200000; ++i)
    noise.push_back(static_cast<char>((x = x * 1103515245u + 12345u) >> 24));
  Open(WriteZip({{"a.bin", noise}}));
  EXPECT_EQ(Extract("a.bin").first, 1);
  EXPECT_GE(calls, 6);  // 200,000 incompressible bytes come in 32 KiB blocks
  calls = 0;
  ZipOptions options;
  options.prefix = std::string(50000, 'j');
  Open(WriteZip({{"a.xml", "A"}}, options));
  EXPECT_GE(calls, 4);  // 50,000 bytes scanned, every 10,240
}

// Opens damaged bytes and extracts every member: the reader may refuse, but
// never reads outside the bytes (the sanitizer build checks) and never writes
// more than the members state.
void ExtractEverything(const std::string& bytes) {
  ZipArchive reader;
  try {
    reader.OpenBuffer(Bytes(bytes));
  } catch (const ZipFormatError&) {
    return;
  }
  std::uint64_t stated = 0;
  for (const ZipMember& m : reader.Members()) stated += m.uncompressedSize;
  const std::vector<ZipMember> members = reader.Members();
  for (const ZipMember& m : members) {
    std::string out;
    try {
      ExtractMember(reader, out, m.FullName());
    } catch (const ZipTruncatedError&) {
    }
    EXPECT_LE(out.size(), stated);
  }
}

TEST(ZipDamageTest, TruncatedAndCorruptedArchivesAreHandledSafely) {
  ZipEntry described{"xl/worksheets/sheet1.xml", std::string(3000, 'r') + "<row/>"};
  described.dataDescriptor = true;
  const std::string archive =
      WriteZip({{"xl/sharedStrings.xml", "<sst count=\"1\"><si><t>x</t></si></sst>"},
                described,
                {"[Content_Types].xml", "<Types/>", 0}});
  for (std::size_t length = 0; length <= archive.size(); ++length) {
    SCOPED_TRACE(length);
    ExtractEverything(archive.substr(0, length));
  }
  for (std::size_t pos = 0; pos < archive.size(); ++pos) {
    for (const unsigned char flip : {0x01, 0x80, 0xFF}) {
      SCOPED_TRACE(pos);
      std::string damaged = archive;
      damaged[pos] = static_cast<char>(static_cast<unsigned char>(damaged[pos]) ^ flip);
      ExtractEverything(damaged);
    }
  }
}

// --- Limits ------------------------------------------------------------------

struct LimitCase {
  std::uint32_t compressed;
  std::uint32_t uncompressed;
  bool accepted;
};

class ZipLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ZipLimitTest, StatedSizesAgainstLimits) {
  EXPECT_EQ(MemberSizesAcceptable(GetParam().compressed, GetParam().uncompressed),
            GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ZipLimitTest,
    ::testing::Values(LimitCase{0, kRatioCheckFloor, true},
                      LimitCase{0, kRatioCheckFloor + 1, false},
                      LimitCase{10000, 10000 * kMaxCompressionRatio, true},
                      LimitCase{10000, 10000 * kMaxCompressionRatio + 1, false},
                      LimitCase{0xFFFFFFFFu, kMaxMemberUncompressedSize, true},
                      LimitCase{0xFFFFFFFFu, kMaxMemberUncompressedSize + 1u, false},
                      LimitCase{0xFFFFFFFFu, 0xFFFFFFFFu, false}));

// A real deflated "hello" followed by zeros that the inflater never reaches,
// so the stated sizes can be set freely while the member still decodes.
ZipEntry PaddedHello(std::size_t compressedSize, std::uint32_t statedUncompressed) {
  ZipEntry e{"a.xml", "hello"};
  e.rawData = testing::DeflateRaw("hello");
  e.rawData->resize(compressedSize, '\0');
  e.statedUncompressedSize = statedUncompressed;
  return e;
}

struct RefusalCase {
  const char* label;
  std::size_t compressed;
  std::uint32_t uncompressed;
  int count;
};

class ZipRefusalTest : public ZipBufferTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ZipRefusalTest, AbsurdStatedSizesAreNotExtracted) {
  Open(WriteZip({PaddedHello(GetParam().compressed, GetParam().uncompressed)}));
  const auto [count, bytes] = Extract("a.xml");
  EXPECT_EQ(count, GetParam().count);
  EXPECT_EQ(bytes, count ? "hello" : "");
  if (!count) {
    EXPECT_EQ(reader_.LastOutcome(), MemberOutcome::kSizeRefused);
  }
}

INSTANTIATE_TEST_SUITE_P(
    JustInsideAndPast, ZipRefusalTest,
    ::testing::Values(RefusalCase{"floor", 7, kRatioCheckFloor, 1},
                      RefusalCase{"past_floor", 7, kRatioCheckFloor + 1, 0},
                      RefusalCase{"ratio", 10000, 10000 * kMaxCompressionRatio, 1},
                      RefusalCase{"past_ratio", 10000, 10000 * kMaxCompressionRatio + 1, 0},
                      RefusalCase{"size", 2200000, kMaxMemberUncompressedSize, 1},
                      RefusalCase{"past_size", 2200000, kMaxMemberUncompressedSize + 1u, 0}),
    [](const auto& info) { return std::string(info.param.label); });

// --- Archive files and the cache ---------------------------------------------

class ZipFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "zipreaderXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes the archive and gives it a fixed modification time.
  std::string Put(const std::string& name, const std::string& bytes,
                  long mtimeSeconds = 1700000000) {
    const std::string path = dir_ + name;
    EXPECT_TRUE(testing::WriteFile(path, bytes));
    SetMtime(path, mtimeSeconds);
    return path;
  }
  static void SetMtime(const std::string& path, long seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  std::string Extract(std::string_view name) {
    std::string out;
    ExtractMember(reader_, out, name);
    return out;
  }

  std::string dir_;
  ZipArchive reader_;
};

TEST_F(ZipFileTest, DirectoryIsReadOnceWhileTheFileIsUnchanged) {
  const std::string path = Put("book.xlsx", WriteZip({{"a.xml", "A"}, {"b.xml", "B"}}));
  reader_.Open(path);
  reader_.Open(path);
  EXPECT_EQ(Extract("a.xml"), "A");
  EXPECT_EQ(Extract("b.xml"), "B");
  EXPECT_EQ(reader_.DirectoryReads(), 1);

  // Replaced after Open: the members come from what Open read, and the next
  // Open reads the file anew.
  Put("book.xlsx", WriteZip({{"a.xml", "changed"}, {"b.xml", "B"}}));
  SetMtime(path, 1700000100);
  EXPECT_EQ(Extract("a.xml"), "A");
  EXPECT_EQ(reader_.DirectoryReads(), 1);
  reader_.Open(path);
  EXPECT_EQ(Extract("a.xml"), "changed");
  EXPECT_EQ(reader_.DirectoryReads(), 2);
}

TEST_F(ZipFileTest, ReplacedFileWithTheSameTimeIsReadAgain) {
  const std::string path = Put("book.xlsx", WriteZip({{"a.xml", "old"}}));
  reader_.Open(path);
  Put("book.xlsx", WriteZip({{"a.xml", "newer"}}));  // same mtime, other size
  reader_.Open(path);
  EXPECT_EQ(Extract("a.xml"), "newer");
}

TEST_F(ZipFileTest, NameDifferingOnlyInCaseIsAnotherFileHere) {
  const std::string lower = Put("book.xlsx", WriteZip({{"a.xml", "low"}}));
  const std::string upper = Put("BOOK.XLSX", WriteZip({{"a.xml", "UPP"}}));
  reader_.Open(lower);
  reader_.Open(upper);  // kept as the same name, but the file is another one
  EXPECT_EQ(Extract("a.xml"), "UPP");
  EXPECT_EQ(reader_.DirectoryReads(), 2);
}

TEST_F(ZipFileTest, AnotherPathIsReadAnew) {
  const std::string one = Put("one.xlsx", WriteZip({{"a.xml", "1"}}));
  const std::string two = Put("two.xlsx", WriteZip({{"a.xml", "2"}}));
  reader_.Open(one);
  reader_.Open(two);
  EXPECT_EQ(Extract("a.xml"), "2");
  EXPECT_EQ(reader_.DirectoryReads(), 2);
}

TEST_F(ZipFileTest, EmptyAndTextFilesOpenWithNoMembers) {
  for (const std::string& bytes : {std::string(), std::string("plain text\r\n")}) {
    EXPECT_NO_THROW(reader_.Open(Put("book.xlsx", bytes)));
    EXPECT_EQ(reader_.MemberCount(), 0);
  }
}

TEST_F(ZipFileTest, FileTooLargeForAnArchiveIsRefusedUnread) {
  const std::string path = dir_ + "huge.xlsx";
  ASSERT_TRUE(testing::WriteFile(path, ""));
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kMaxArchiveFileSize) + 1), 0);  // sparse
  EXPECT_THROW(reader_.Open(path), ZipOpenError);
}

TEST_F(ZipFileTest, MissingFileCannotBeOpened) {
  EXPECT_THROW(reader_.Open(dir_ + "missing.xlsx"), ZipOpenError);
  EXPECT_EQ(reader_.Path(), "");
  EXPECT_THROW(reader_.Open(dir_), ZipOpenError);  // a directory is no archive file
}

// --- Real workbooks ----------------------------------------------------------

// Every member of every workbook in the corpus is extracted by its own name.
// The files that open with no members and the members that fail are listed,
// so that a file starting to fail, or to succeed, shows up.
TEST(ZipCorpusTest, EveryMemberOfEveryWorkbookExtractsWithoutCrash) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xlsx";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  const std::set<std::string> expectedWithoutMembers = {
      "calamine__pass_protected.xlsx",  // encrypted packages are compound files
      "exceldatareader__agile_AES256_SHA512_CBC_pwd_password.xlsx",
      "exceldatareader__standard_AES128_SHA1_ECB_pwd_password.xlsx",
      "poi__clusterfuzz-testcase-minimized-XLSX2CSVFuzzer-6594557414080512.xlsx",
      "poi__invalid.xlsx"};
  const std::set<std::string> expectedFailures = {
      // Damaged central directory (rebuilt from local headers); fuzzed data.
      "poi__crash-274d6342e4842d61be0fb48eaadad6208ae767ae.xlsx:xl\\workbook.xml"};
  std::set<std::string> withoutMembers, failures;
  int extracted = 0;
  ZipArchive reader;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string file = entry.path().filename().string();
    try {
      reader.Open(entry.path().string());
    } catch (const std::exception& e) {
      failures.insert(file + ": " + e.what());
      continue;
    }
    if (reader.MemberCount() == 0) withoutMembers.insert(file);
    const std::vector<ZipMember> members = reader.Members();
    for (const ZipMember& member : members) {
      if (member.fileName.empty()) continue;
      std::string out;
      try {
        if (ExtractMember(reader, out, member.FullName()) > 0)
          ++extracted;
        else
          failures.insert(file + ":" + member.FullName());
      } catch (const std::exception& e) {
        failures.insert(file + ":" + member.FullName() + ": " + e.what());
      }
    }
  }
  std::cout << "  members extracted: " << extracted << ", not: " << failures.size()
            << ", files without members: " << withoutMembers.size() << "\n";
  EXPECT_EQ(withoutMembers, expectedWithoutMembers);
  EXPECT_EQ(failures, expectedFailures);
  EXPECT_GT(extracted, 1500);
}

// A member's stated sizes pass the limits (ratio 800:1) but the archive holds
// only a few bytes of its data: the reader must not reserve the stated 200 MB
// up front, only what the bytes present could inflate to.
TEST(ZipReservation, FollowsTheBytesPresentNotTheStatedSize) {
  ZipEntry member("xl/sharedStrings.xml", "<sst/>");
  member.rawData = std::string(16, '\x03');
  member.statedCompressedSize = 250'000;
  member.statedUncompressedSize = 200'000'000;
  const std::string zip = WriteZip({member});
  ZipArchive reader;
  reader.OpenBuffer(Bytes(zip));
  std::string out;
  try {
    ExtractMember(reader, out, "xl/sharedStrings.xml");
  } catch (const ZipTruncatedError&) {
  }
  EXPECT_LE(out.capacity(), zip.size() * kMaxCompressionRatio);
}

}  // namespace
}  // namespace tabulox
