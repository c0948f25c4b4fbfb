// Peak memory of converting a workbook whose one worksheet part is large and
// states no dimension: the rows must be laid out as they are read, so that
// memory follows the largest row, not the part. The part is made and
// deflated block by block, so it is never held whole, in memory or on disk.
//
//   xlsx_memory_bench [--as-shown] [MiB of worksheet part, default 1024] [PATH]
//
// Prints the part's and the archive's sizes, the conversion's outcome and the
// peak resident size during the conversion (the archive, held in memory,
// included). With PATH, the archive is also written there, for measuring a
// tbulxcmd build under /usr/bin/time. With --as-shown, the conversion lays
// the rows out as shown, into the grid.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/shared_xlsx_converter.h"
#include "support/zip_writer.h"

namespace {

// Starts the peak resident size afresh from what is resident now (Linux:
// proc(5), /proc/pid/clear_refs), so that making the archive does not count.
void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The peak resident size (VmHWM) in MiB, or -1 when it cannot be read.
long PeakResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10) / 1024;
  }
  return -1;
}

// Rows of ten cells, nine of them styled and empty, the tenth a number: the
// text is small beside the part, so the peak shows what reading costs.
class RowMaker {
 public:
  explicit RowMaker(std::uint64_t partBytes) : partBytes_(partBytes) {}

  bool Next(std::string& out) {
    if (made_ == 0) out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet><sheetData>";
    while (out.size() < 65536 && made_ + out.size() < partBytes_) {
      const std::string r = std::to_string(++row_);
      out += "<row r=\"" + r + "\">";
      for (char column = 'A'; column < 'J'; ++column)
        out += std::string("<c r=\"") + column + r + "\" s=\"1\"/>";
      out += "<c r=\"J" + r + "\"><v>" + r + "</v></c></row>";
    }
    const bool last = made_ + out.size() >= partBytes_;
    if (last) out += "</sheetData></worksheet>";
    made_ += out.size();
    return !last;
  }

 private:
  std::uint64_t partBytes_;
  std::uint64_t made_ = 0;
  std::uint64_t row_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tabulox;
  ConversionOptions options;
  if (argc > 1 && std::string(argv[1]) == "--as-shown") {
    options.layout = Layout::kAsShown;
    --argc;
    ++argv;
  }
  const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  RowMaker rows(mib * 1024 * 1024);
  std::uint32_t crc = 0;
  std::uint64_t partBytes = 0;
  testing::ZipEntry sheet("xl/worksheets/sheet1.xml", "");
  sheet.rawData = testing::DeflateGenerated([&](std::string& out) { return rows.Next(out); }, crc,
                                            partBytes);
  sheet.statedCrc = crc;
  sheet.statedUncompressedSize = static_cast<std::uint32_t>(partBytes);
  const std::string archive = testing::WriteZip({{"[Content_Types].xml", "<Types/>"}, sheet});
  sheet.rawData.reset();
  if (argc > 2 && !testing::WriteFile(argv[2], archive)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("worksheet part %llu bytes, archive %zu bytes\n",
              static_cast<unsigned long long>(partBytes), archive.size());
  ResetPeakResident();
  OutputBlock block;
  const ResultCode rc = testing::SharedXlsxConverter().ConvertBuffer(testing::Bytes(archive), block, 65001, options);
  std::printf("result %d\n", static_cast<int>(rc));
  std::printf("peak resident during the conversion: %ld MiB\n", PeakResidentMiB());
  return rc >= 0 ? 0 : 1;
}
