// The stages of an .xls conversion, each on its own, over a synthetic
// workbook stream shaped like the tall benchmark workbook (shared strings,
// integers, formatted decimals, dates, General doubles): the record loop, the
// shared string table, the row layout, line breaks and each output encoding.
// A regression shows in the stage that caused it.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/conversion_output.h"
#include "core/text_encoding.h"
#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/whole_workbook.h"
#include "xls/shared_strings.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_cells.h"
#include "xls/worksheet_layout.h"
#include "xls/xls_globals.h"
#include "xls/xls_workbook_text.h"

namespace tabulox {
namespace {

using testing::BiffWriter;

constexpr int kRows = 50'000;
constexpr int kStrings = 5'000;
// XF positions: 0 General, 1 "#,##0.00" (built-in 4), 2 "yyyy-mm-dd".
constexpr std::uint16_t kXfGeneral = 0;
constexpr std::uint16_t kXfMoney = 1;
constexpr std::uint16_t kXfDate = 2;

std::u16string Word(std::mt19937_64& random, bool accented) {
  static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyz";
  static const char16_t kAccents[] = u"éèüöñçå";
  std::u16string w;
  const int length = 3 + static_cast<int>(random() % 8);
  for (int i = 0; i < length; ++i)
    w.push_back(accented && i % 4 == 3 ? kAccents[random() % 7] : kLetters[random() % 26]);
  return w;
}

// A globals substream with one worksheet of kRows × 8 cells.
const std::vector<std::uint8_t>& WorkbookStream() {
  static const std::vector<std::uint8_t> stream = [] {
    std::mt19937_64 random(3);
    BiffWriter w;
    w.Bof(testing::kBofGlobals);
    w.Format(164, u"yyyy-mm-dd");
    w.XF(0);
    w.XF(4);
    w.XF(164);
    const std::size_t sheet = w.BoundSheet(u"tall");
    auto sst = testing::SstRecord(kStrings, kStrings);
    for (int i = 0; i < kStrings; ++i) {
      testing::SstString s;
      s.text = Word(random, i % 3 == 0) + u" " + Word(random, false);
      s.wide = !testing::FitsIn8Bit(s.text);
      // Keep each segment below the 8,224-byte record limit.
      if (sst.bytes().data().size() > 8000) sst.Cut();
      testing::AppendSstString(sst, s);
    }
    w.Record(sst);
    w.Eof();
    w.StartSheet(sheet);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int r = 0; r < kRows; ++r) {
      const auto row = static_cast<std::uint16_t>(r % 65'000);
      w.RK(row, 0, kXfGeneral, static_cast<std::uint32_t>((r + 1) << 2 | 0x02));
      w.LabelSst(row, 1, kXfGeneral, static_cast<std::uint32_t>(random() % kStrings));
      w.LabelSst(row, 2, kXfGeneral, static_cast<std::uint32_t>(random() % kStrings));
      w.RK(row, 3, kXfGeneral, static_cast<std::uint32_t>((random() % 5000) << 2 | 0x02));
      w.Number(row, 4, kXfMoney, static_cast<double>(random() % 1'000'000) / 100.0);
      w.RK(row, 5, kXfDate, static_cast<std::uint32_t>((32874 + random() % 14600) << 2 | 0x02));
      w.Number(row, 6, kXfGeneral, unit(random));
      w.Number(row, 7, kXfMoney, (unit(random) - 0.5) * 2e7);
    }
    w.Eof();
    return std::vector<std::uint8_t>(w.bytes().begin(), w.bytes().end());
  }();
  return stream;
}

void SetBytes(benchmark::State& state, std::size_t bytesPerIteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
}

void BM_RecordLoop(benchmark::State& state) {
  const auto& stream = WorkbookStream();
  std::size_t cells = 0;
  for (auto _ : state) {
    WorkbookData book;
    InitStyleData(book.styles);
    ByteReader reader(stream);
    std::vector<WorksheetData> sheets;
    ReadWholeWorkbook(reader, book, sheets);
    cells = sheets.at(0).cells.size();
    benchmark::DoNotOptimize(cells);
  }
  state.counters["cells"] = static_cast<double>(cells);
  SetBytes(state, stream.size());
}

void BM_SharedStrings(benchmark::State& state) {
  const auto& stream = WorkbookStream();
  // The SST is the record after the globals' BOUNDSHEET; find it once.
  ByteReader reader(stream);
  RecordHeader header;
  std::size_t sstStart = 0;
  while (ReadRecordHeader(reader, header)) {
    if (header.type == kRecordSst) {
      sstStart = header.payloadStart;
      break;
    }
    reader.seek(header.payloadEnd());
  }
  for (auto _ : state) {
    WorkbookData book;
    ByteReader in(stream);
    in.seek(sstStart);
    ReadSharedStrings(in, header, book);
    benchmark::DoNotOptimize(book.sharedStrings.size());
  }
  state.counters["strings"] = kStrings;
}

// The workbook read once, every worksheet with its cells; the layout of its
// text measured.
struct WholeBook {
  WorkbookData book;
  std::vector<WorksheetData> sheets;
};

const WholeBook& Book() {
  static const auto whole = [] {
    auto w = std::make_unique<WholeBook>();
    InitStyleData(w->book.styles);
    ByteReader reader(WorkbookStream());
    ReadWholeWorkbook(reader, w->book, w->sheets);
    return w;
  }();
  return *whole;
}

void LayOutEveryWorksheet(const WholeBook& whole, std::string& text) {
  for (const WorksheetData& sheet : whole.sheets) LayOutWorksheetText(whole.book, sheet, text);
}

void BM_Layout(benchmark::State& state) {
  SetRegionalSettings(RegionalSettings{});
  std::string text;
  for (auto _ : state) {
    text.clear();
    text.shrink_to_fit();
    LayOutEveryWorksheet(Book(), text);
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state, text.size());
}

const std::string& EngineText() {
  static const std::string text = [] {
    SetRegionalSettings(RegionalSettings{});
    std::string t;
    LayOutEveryWorksheet(Book(), t);
    return t;
  }();
  return text;
}

void BM_CrLfLineBreaks(benchmark::State& state) {
  const std::string& text = EngineText();
  for (auto _ : state) {
    std::string out;
    AppendCrLfLineBreaks(text, out);
    benchmark::DoNotOptimize(out.size());
  }
  SetBytes(state, text.size());
}

// The whole last stage (breaks, encoding, output block) for the code page in
// the argument.
void BM_FinishConversion(benchmark::State& state) {
  const std::string& text = EngineText();
  OutputBlock block;
  for (auto _ : state) {
    // The stage takes the text over; its copy is not timed.
    state.PauseTiming();
    std::string taken = std::string(LeadingMark(static_cast<std::int32_t>(state.range(0)))) + text;
    state.ResumeTiming();
    const ResultCode rc =
        FinishConversion(std::move(taken), block, static_cast<std::int32_t>(state.range(0)), LineBreaks::kCrLf);
    if (rc < 0) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(block.data());
  }
  SetBytes(state, text.size());
}

void BM_WholeStream(benchmark::State& state) {
  SetRegionalSettings(RegionalSettings{});
  const auto& stream = WorkbookStream();
  std::string text;
  for (auto _ : state) {
    text.clear();
    ExtractWorkbookStreamText(stream, text);
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state, stream.size());
}

// The same in the as-shown layout: each cell through its format into the grid.
void BM_WholeStreamShown(benchmark::State& state) {
  SetRegionalSettings(RegionalSettings{});
  const auto& stream = WorkbookStream();
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  std::string text;
  for (auto _ : state) {
    text.clear();
    ExtractWorkbookStreamText(stream, text, kUnnamedWorksheet, options);
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state, stream.size());
}

BENCHMARK(BM_RecordLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Layout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrLfLineBreaks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FinishConversion)
    ->Arg(65001)
    ->Arg(1200)
    ->Arg(1252)
    ->Arg(932)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeStreamShown)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulox

BENCHMARK_MAIN();
