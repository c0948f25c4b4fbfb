// Records whose text used to be lost: LABEL and RSTRING strings, BOOLERR
// constants, substreams embedded in a worksheet, string headers cut across
// CONTINUE records, number formats beyond the pattern limit, and streams of
// earlier BIFF versions in a compound file. Each workbook is built here, stored in a compound
// file and converted whole; the output is checked byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "xls/biff_records.h"
#include "xls/convert_workbook.h"

namespace tabulox {
namespace {

using testing::BiffWriter;
using testing::ContinuedRecord;

constexpr char kMark[] = "\xEF\xBB\xBF";

// The conversion of `w`'s stream, as UTF-8: the text, or the failure code.
struct Converted {
  ResultCode code = 0;
  std::string text;
};

Converted Convert(const BiffWriter& w) {
  const std::span<const std::uint8_t> stream = w.bytes();
  const std::vector<std::uint8_t> file =
      testing::WriteCompoundFile({{u"Workbook", {stream.begin(), stream.end()}}});
  OutputBlock block;
  Converted out;
  out.code = ConvertWorkbookBuffer(file, block, 65001);
  if (out.code >= 0) out.text.assign(block, 0, static_cast<std::size_t>(out.code));
  return out;
}

// A workbook of one worksheet "S", whose globals `globals` adds to (after
// the BOF and the shared strings "a" and "b"), and whose records `body` writes.
BiffWriter OneSheet(const std::function<void(BiffWriter&)>& body,
                    const std::function<void(BiffWriter&)>& globals = [](BiffWriter&) {}) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.Sst({u"a", u"b"});
  globals(w);
  const auto sheet = w.BoundSheet(u"S");
  w.Eof();
  w.StartSheet(sheet);
  body(w);
  w.Eof();
  return w;
}

// The cell fields of a record written by hand: row, column, XF index 0.
testing::Bytes& CellFields(testing::Bytes& b, std::uint16_t row, std::uint16_t column) {
  return b.u16(row).u16(column).u16(0);
}

struct RecordCase {
  const char* name;
  std::function<BiffWriter()> workbook;
  // The rows of sheet "S" (between its name line and the empty line that ends
  // it), or, where `code` is a failure, nothing.
  std::string rows;
  ResultCode code = 0;

  friend void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }
};

RecordCase Sheet(const char* name, std::function<void(BiffWriter&)> body, std::string rows) {
  return RecordCase{name, [body] { return OneSheet(body); }, std::move(rows)};
}

class XlsRecords : public ::testing::TestWithParam<RecordCase> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_P(XlsRecords, ConvertsByteForByte) {
  const RecordCase& c = GetParam();
  const Converted out = Convert(c.workbook());
  if (c.code < 0) {
    EXPECT_EQ(out.code, c.code);
    return;
  }
  EXPECT_EQ(out.text, kMark + std::string("S\r\n") + c.rows + "\r\n");
}

const RecordCase kLabelCases[] = {
    Sheet("LabelCellsInBothWidths",
          [](BiffWriter& w) {
            w.Label(0, 0, u"abc");
            w.Label(0, 2, u"\u4E2D\u00E9");
            w.Label(1, 1, std::u16string(u"x\0y", 3));
          },
          "abc\t\t\xE4\xB8\xAD\xC3\xA9\r\n\tx y\r\n"),
    Sheet("RStringRunsAreNotText",
          [](BiffWriter& w) {
            w.RString(0, 0, u"bold", 3);
            w.LabelSst(0, 1, 0, 1);
          },
          "bold\tb\r\n"),
    Sheet("LabelCharactersAcrossContinueWithWidthChange",
          [](BiffWriter& w) {
            ContinuedRecord label(kRecordLabel);
            CellFields(label.bytes(), 0, 0).u16(4).u8(1).chars(u"\u4E2D", true);
            label.CutChars(false).bytes().chars(u"bcd", false);
            w.Record(label);
            w.LabelSst(0, 1, 0, 0);
          },
          "\xE4\xB8\xAD"
          "bcd\ta\r\n"),
    Sheet("LabelCountCutAcrossContinue",
          [](BiffWriter& w) {
            ContinuedRecord label(kRecordLabel);
            CellFields(label.bytes(), 0, 0).u8(3);
            label.Cut().bytes().u8(0).u8(0).chars(u"abc", false);
            w.Record(label);
          },
          "abc\r\n"),
    Sheet("LabelOptionByteInNextContinue",
          [](BiffWriter& w) {
            ContinuedRecord label(kRecordLabel);
            CellFields(label.bytes(), 0, 1).u16(2);
            label.Cut().bytes().u8(1).chars(u"\u00E9\u4E2D", true);
            w.Record(label);
          },
          "\t\xC3\xA9\xE4\xB8\xAD\r\n"),
    Sheet("LabelCutOffKeepsTheCharactersRead",
          [](BiffWriter& w) {
            testing::Bytes label;
            CellFields(label, 0, 0).u16(5).u8(0).chars(u"ab", false);
            w.Record(kRecordLabel, label);
          },
          "ab\r\n"),
    Sheet("LabelTooShortForItsFieldsAddsNoCell",
          [](BiffWriter& w) {
            testing::Bytes label;
            label.u16(0).u16(0);
            w.Record(kRecordLabel, label);
            w.LabelSst(0, 1, 0, 0);
          },
          "\ta\r\n"),
    Sheet("StringAfterALabelIsNotItsText",
          [](BiffWriter& w) {
            w.FormulaSpecial(0, 0, 0, 0);
            w.Label(0, 1, u"own");
            w.String(u"stray");
          },
          "\town\r\n"),
};

const RecordCase kBoolErrCases[] = {
    Sheet("BooleansAndErrorsAsFormulaResultsWriteThem",
          [](BiffWriter& w) {
            w.BoolErr(0, 0, 1, false);     // TRUE
            w.BoolErr(0, 1, 0, false);     // FALSE
            w.BoolErr(0, 2, 0x07, true);   // #DIV/0!
            w.BoolErr(0, 3, 0x2A, true);   // #N/A
            w.BoolErr(0, 4, 0x00, true);   // #NULL!
            w.LabelSst(0, 5, 0, 0);
          },
          "1\t0\t7\t42\t\ta\r\n"),
    Sheet("RowOfBooleansOnlyHasALine", [](BiffWriter& w) { w.BoolErr(2, 1, 1, false); }, "\t1\r\n"),
};

const RecordCase kSubstreamCases[] = {
    Sheet("ChartValuesAreNotCellsAndItsEofEndsOnlyIt",
          [](BiffWriter& w) {
            w.LabelSst(0, 0, 0, 0);
            w.Bof(testing::kBofChart);
            w.Number(0, 0, 0, 2.956834);
            w.Label(1, 0, u"series");
            w.Eof();
            w.LabelSst(1, 0, 0, 1);
          },
          "a\r\nb\r\n"),
    Sheet("SubstreamsNest",
          [](BiffWriter& w) {
            w.Bof(testing::kBofChart);
            w.Bof(testing::kBofWorksheet);
            w.Number(0, 0, 0, 1);
            w.Eof();
            w.Number(0, 1, 0, 2);
            w.Eof();
            w.Number(0, 2, 0, 3);
          },
          "\t\t3\r\n"),
    // A worksheet that lacks its EOF runs on into what follows.
    Sheet("WorksheetBofOpensNoSubstream",
          [](BiffWriter& w) {
            w.LabelSst(0, 0, 0, 0);
            w.Bof(testing::kBofWorksheet);
            w.LabelSst(1, 0, 0, 1);
          },
          "a\r\nb\r\n"),
    RecordCase{"SheetsOwnBofIsItsOwnWhateverItsType",
               [] {
                 BiffWriter w;
                 w.Bof(testing::kBofGlobals);
                 const auto sheet = w.BoundSheet(u"S");
                 w.Eof();
                 w.SetSheetOffset(sheet, static_cast<std::uint32_t>(w.size()));
                 w.Bof(testing::kBofChart);
                 w.Number(0, 0, 0, 4);
                 w.Eof();
                 return w;
               },
               "4\r\n"},
};

// Shared strings whose headers are cut across CONTINUE records: the fields go
// on at the first byte of the next record.
RecordCase SstCut(const char* name, const std::function<void(ContinuedRecord&)>& strings,
                  std::string rows) {
  return RecordCase{name,
                    [strings] {
                      BiffWriter w;
                      w.Bof(testing::kBofGlobals);
                      ContinuedRecord sst = testing::SstRecord(2, 2);
                      strings(sst);
                      w.Record(sst);
                      const auto sheet = w.BoundSheet(u"S");
                      w.Eof();
                      w.StartSheet(sheet);
                      w.LabelSst(0, 0, 0, 0);
                      w.LabelSst(0, 1, 0, 1);
                      w.Eof();
                      return w;
                    },
                    std::move(rows)};
}

const RecordCase kSstCases[] = {
    SstCut("SstCharacterCountCut",
           [](ContinuedRecord& sst) {
             sst.bytes().u8(3);
             sst.Cut().bytes().u8(0).u8(0).chars(u"abc", false);
             testing::AppendSstString(sst, {u"next"});
           },
           "abc\tnext\r\n"),
    SstCut("SstOptionByteInNextRecord",
           [](ContinuedRecord& sst) {
             sst.bytes().u16(1);
             sst.Cut().bytes().u8(1).chars(u"\u4E2D", true);
             testing::AppendSstString(sst, {u"next"});
           },
           "\xE4\xB8\xAD\tnext\r\n"),
    SstCut("SstRunCountCut",
           [](ContinuedRecord& sst) {
             sst.bytes().u16(4).u8(0x08).u8(2);
             sst.Cut().bytes().u8(0).chars(u"rich", false).u32(0).u32(0);
             testing::AppendSstString(sst, {u"next"});
           },
           "rich\tnext\r\n"),
    SstCut("SstPhoneticSizeCut",
           [](ContinuedRecord& sst) {
             sst.bytes().u16(2).u8(0x04).u16(3);
             sst.Cut().bytes().u16(0).chars(u"ph", false).u8(0xEE).u8(0xEE).u8(0xEE);
             testing::AppendSstString(sst, {u"next"});
           },
           "ph\tnext\r\n"),
    SstCut("SstHeaderCutAtTheEndOfTheLastRecordEndsTheTable",
           [](ContinuedRecord& sst) {
             testing::AppendSstString(sst, {u"only"});
             sst.Cut().bytes().u8(3);
           },
           "only\t\r\n"),
    RecordCase{"StringRecordCountCut",
               [] {
                 return OneSheet([](BiffWriter& w) {
                   w.FormulaSpecial(0, 0, 0, 0);
                   ContinuedRecord s(kRecordString);
                   s.bytes().u8(2);
                   s.Cut().bytes().u8(0).u8(0).chars(u"hi", false);
                   w.Record(s);
                 });
               },
               "hi\r\n"},
};

// A FORMAT 164 with `code`, and XF 0 naming it.
std::function<void(BiffWriter&)> FormatOfXf0(std::u16string code) {
  return [code](BiffWriter& w) {
    w.Format(164, code);
    w.XF(164);
  };
}

const RecordCase kFormatAndVersionCases[] = {
    RecordCase{"NumberFormatLongerThanTheLimitIsGeneral",
               [] {
                 return OneSheet([](BiffWriter& w) { w.Number(0, 0, 0, 1234.5); },
                                 FormatOfXf0(std::u16string(225, u'0')));
               },
               "1234.5\r\n"},
    RecordCase{"PercentFormatLongerThanTheLimitIsGeneral",
               [] {
                 return OneSheet([](BiffWriter& w) { w.Number(0, 0, 0, 0.25); },
                                 FormatOfXf0(std::u16string(224, u'0') + u"%"));
               },
               "0.25\r\n"},
    RecordCase{"NumberFormatAtTheLimitIsApplied",
               [] {
                 return OneSheet([](BiffWriter& w) { w.Number(0, 0, 0, 5); },
                                 FormatOfXf0(std::u16string(224, u'0')));
               },
               std::string(223, '0') + "5\r\n"},
    RecordCase{"Biff5FilePassIsEncrypted",
               [] {
                 BiffWriter w;
                 w.Bof(testing::kBofGlobals, testing::kBiff5);
                 w.FilePass();
                 w.Eof();
                 return w;
               },
               "", kSourceEncrypted},
};

const auto kName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Label, XlsRecords, ::testing::ValuesIn(kLabelCases), kName);
INSTANTIATE_TEST_SUITE_P(BoolErr, XlsRecords, ::testing::ValuesIn(kBoolErrCases), kName);
INSTANTIATE_TEST_SUITE_P(Substreams, XlsRecords, ::testing::ValuesIn(kSubstreamCases), kName);
INSTANTIATE_TEST_SUITE_P(CutHeaders, XlsRecords, ::testing::ValuesIn(kSstCases), kName);
INSTANTIATE_TEST_SUITE_P(FormatsAndVersions, XlsRecords, ::testing::ValuesIn(kFormatAndVersionCases),
                         kName);

}  // namespace
}  // namespace tabulox
