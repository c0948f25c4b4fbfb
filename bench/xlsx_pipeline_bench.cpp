// The stages of an .xlsx conversion, each on its own, over a synthetic
// package shaped like the tall benchmark workbook (shared strings, integers,
// styled decimals and dates, General doubles): member inflate, the XML
// tokenizer, the whole item tree, the shared strings and the worksheet laid
// out row by row as it is read, and the whole conversion.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ooxml/worksheet_text.h"
#include "ooxml/xlsx_shared_strings.h"
#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"
#include "xml/xml_document.h"
#include "xml/xml_tokenizer.h"
#include "zip/zip_archive.h"

namespace tabulox {
namespace {

constexpr int kRows = 50'000;
constexpr int kStrings = 5'000;

std::string ColumnLetter(int column) { return std::string(1, static_cast<char>('A' + column)); }

const std::string& SharedStringsXml() {
  static const std::string xml = [] {
    std::mt19937_64 random(5);
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst count=\"" +
                    std::to_string(kStrings) + "\">";
    for (int i = 0; i < kStrings; ++i) {
      x += "<si><t>";
      for (int length = 4 + static_cast<int>(random() % 12); length > 0; --length)
        x += static_cast<char>('a' + random() % 26);
      if (i % 7 == 0) x += "\xC3\xA9";
      x += "</t></si>";
    }
    return x + "</sst>";
  }();
  return xml;
}

const std::string& WorksheetXml() {
  static const std::string xml = [] {
    std::mt19937_64 random(7);
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet><dimension "
        "ref=\"A1:J" +
        std::to_string(kRows) + "\"/><sheetData>";
    for (int r = 1; r <= kRows; ++r) {
      const std::string row = std::to_string(r);
      x += "<row r=\"" + row + "\" spans=\"1:10\">";
      for (int c = 0; c < 10; ++c) {
        const std::string ref = ColumnLetter(c) + row;
        switch (c) {
          case 1: case 2: case 6: case 9:
            x += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(random() % kStrings) + "</v></c>";
            break;
          case 4: case 8:
            x += "<c r=\"" + ref + "\" s=\"1\"><v>" + std::to_string(random() % 1000000) + "." +
                 std::to_string(random() % 100) + "</v></c>";
            break;
          case 5:
            x += "<c r=\"" + ref + "\" s=\"2\"><v>" + std::to_string(30000 + random() % 15000) +
                 "</v></c>";
            break;
          case 7:
            x += "<c r=\"" + ref + "\"><v>0." + std::to_string(random()) + "</v></c>";
            break;
          default:
            x += "<c r=\"" + ref + "\"><v>" + std::to_string(random() % 5000) + "</v></c>";
        }
      }
      x += "</row>";
    }
    return x + "</sheetData></worksheet>";
  }();
  return xml;
}

const std::string& Package() {
  static const std::string zip = testing::WriteZip({{"[Content_Types].xml", "<Types/>"},
                                                    {"xl/workbook.xml", "<workbook/>"},
                                                    {"xl/sharedStrings.xml", SharedStringsXml()},
                                                    {"xl/worksheets/sheet1.xml", WorksheetXml()}});
  return zip;
}

// A source over bytes in memory, in blocks of the size the member reader uses.
BlockSource BlocksOf(const std::string& bytes) {
  return [&bytes, pos = std::size_t{0}](std::string& out) mutable {
    if (pos == bytes.size()) return false;
    const std::size_t length = std::min<std::size_t>(32768, bytes.size() - pos);
    out.append(bytes, pos, length);
    pos += length;
    return true;
  };
}

void BM_MemberInflate(benchmark::State& state) {
  ZipArchive reader;
  reader.OpenBuffer(testing::Bytes(Package()));
  std::string block;
  for (auto _ : state) {
    MemberReader member = reader.OpenMember("xl/worksheets/sheet1.xml");
    while (member.Next(block)) block.clear();
    benchmark::DoNotOptimize(member.Extracted());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(WorksheetXml().size()));
}
BENCHMARK(BM_MemberInflate)->Unit(benchmark::kMillisecond);

void BM_XmlTokenizer(benchmark::State& state) {
  const std::string& xml = WorksheetXml();
  for (auto _ : state) {
    XmlTokenizer tokenizer(xml);
    std::size_t tokens = 0;
    while (tokenizer.NextToken(false).kind != XmlTokenKind::kEnd) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(xml.size()));
}
BENCHMARK(BM_XmlTokenizer)->Unit(benchmark::kMillisecond);

void BM_XmlWholeTree(benchmark::State& state) {
  XmlDocument document;
  for (auto _ : state) {
    LoadWholeDocument(document, WorksheetXml());
    benchmark::DoNotOptimize(document.Root().ChildCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(WorksheetXml().size()));
}
BENCHMARK(BM_XmlWholeTree)->Unit(benchmark::kMillisecond);

void BM_SharedStringsFromSource(benchmark::State& state) {
  XmlDocument document;
  SharedStringTable table;
  for (auto _ : state) {
    table.Clear();
    LoadSharedStringsFromSource(document, BlocksOf(SharedStringsXml()), table);
    benchmark::DoNotOptimize(table.Count());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(SharedStringsXml().size()));
}
BENCHMARK(BM_SharedStringsFromSource)->Unit(benchmark::kMillisecond);

void BM_WorksheetFromSource(benchmark::State& state) {
  XmlDocument document;
  SharedStringTable table;
  LoadSharedStringsFromSource(document, BlocksOf(SharedStringsXml()), table);
  std::string text;
  for (auto _ : state) {
    text.clear();
    AppendWorksheetTextFromSource(document, BlocksOf(WorksheetXml()), table, text, 1u << 30);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(WorksheetXml().size()));
  state.counters["cells/s"] =
      benchmark::Counter(10.0 * kRows * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WorksheetFromSource)->Unit(benchmark::kMillisecond);

void BM_WholeXlsx(benchmark::State& state) {
  OutputBlock block;
  for (auto _ : state) {
    const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(Package()), block, 65001);
    benchmark::DoNotOptimize(rc);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Package().size()));
}
BENCHMARK(BM_WholeXlsx)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulox

BENCHMARK_MAIN();
