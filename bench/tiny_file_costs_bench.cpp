// Workbooks whose few bytes ask for much work: one worksheet part listed a
// thousand times, 200,000 sheet entries, and a BIFF4 workbook of two million
// sheet entries. Each should convert in time and memory that follow the bytes
// it decodes (well under a second here); the three are made in memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "support/zip_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {
namespace {

constexpr std::string_view kRelationshipType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A package whose workbook lists `sheets` entries, entry i through
// relationship i to the part `target(i)`, with `members` beside it.
template <typename Target>
std::string Package(int sheets, Target target, std::vector<testing::ZipEntry> members) {
  std::string list;
  std::string relationships;
  for (int i = 0; i < sheets; ++i) {
    const std::string id = std::to_string(i);
    list += "<sheet name=\"S" + id + "\" sheetId=\"" + id + "\" r:id=\"w" + id + "\"/>";
    relationships += "<Relationship Id=\"w" + id + "\" Type=\"" + std::string(kRelationshipType) +
                     "worksheet\" Target=\"" + target(i) + "\"/>";
  }
  members.push_back({"_rels/.rels", "<Relationships><Relationship Id=\"r\" Type=\"" +
                                        std::string(kRelationshipType) +
                                        "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
  members.push_back({"xl/workbook.xml", "<workbook><sheets>" + list + "</sheets></workbook>"});
  members.push_back({"xl/_rels/workbook.xml.rels", "<Relationships>" + relationships + "</Relationships>"});
  return testing::WriteZip(members);
}

std::string OnePartListedOften() {
  const std::string row = "<row><c t=\"inlineStr\"><is><t>" + std::string(100, 'x') + "</t></is></c></row>";
  std::string part = "<worksheet><sheetData>";
  while (part.size() < 8u << 20) part += row;
  part += "</sheetData></worksheet>";
  return Package(1000, [](int) { return std::string("worksheets/data.xml"); },
                 {{"xl/worksheets/data.xml", part}});
}

std::string ManySheetEntries() {
  return Package(200'000, [](int i) { return "worksheets/d" + std::to_string(i) + ".xml"; },
                 {{"xl/worksheets/d0.xml", "<worksheet><sheetData/></worksheet>"}});
}

// BOF of a BIFF4 workbook's globals, BOUNDSHEET records with one-letter
// names, EOF.
std::string ManyBiff4Sheets() {
  auto record = [](std::uint16_t type, std::string payload) {
    std::string bytes{static_cast<char>(type & 0xFF), static_cast<char>(type >> 8),
                      static_cast<char>(payload.size() & 0xFF), static_cast<char>(payload.size() >> 8)};
    return bytes + payload;
  };
  std::string stream = record(0x0409, std::string("\x04\x00\x00\x01\x00\x00", 6));
  const std::string sheet = record(0x0085, "\x01" "a");
  for (int i = 0; i < 2'000'000; ++i) stream += sheet;
  return stream + record(0x000A, "");
}

void Convert(benchmark::State& state, const std::string& file, WorkbookType type) {
  Engine engine;
  OutputBlock block;
  for (auto _ : state) {
    const ResultCode rc = engine.ConvertBuffer(testing::Bytes(file), type, 65001, block);
    if (rc < 0) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["input_bytes"] = static_cast<double>(file.size());
}

void BM_OnePartListedOften(benchmark::State& state) {
  static const std::string file = OnePartListedOften();
  Convert(state, file, WorkbookType::kXlsx);
}
BENCHMARK(BM_OnePartListedOften)->Unit(benchmark::kMillisecond);

void BM_ManySheetEntries(benchmark::State& state) {
  static const std::string file = ManySheetEntries();
  Convert(state, file, WorkbookType::kXlsx);
}
BENCHMARK(BM_ManySheetEntries)->Unit(benchmark::kMillisecond);

void BM_ManyBiff4Sheets(benchmark::State& state) {
  static const std::string file = ManyBiff4Sheets();
  Convert(state, file, WorkbookType::kXls);
}
BENCHMARK(BM_ManyBiff4Sheets)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulox

BENCHMARK_MAIN();
