// The time of converting a 1-million-cell OpenDocument spreadsheet beside the
// time of inflating its content.xml, the floor any reader of the package
// pays. The package is made as the application writes one: rows of five
// numbers under a data style and five texts, deflated with the ZIP writer of
// the tests.
//
//   ods_speed_bench [ROWS, default 100000] [PATH]
//
// Prints the sizes, the median of five runs of each stage (inflating
// content.xml with its CRC check; the conversion in the default and the
// as-shown layout through the public interface) and each conversion's ratio
// to inflating. With PATH, the package is also written there, for timing
// other converters on the same file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/zip_writer.h"
#include "tabulox/tabulox.h"
#include "zip/member_read.h"
#include "zip/zip_archive.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;

std::string ContentXml(long rows) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
      "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\" "
      "office:version=\"1.3\">"
      "<office:automatic-styles><number:number-style style:name=\"N2\"><number:number "
      "number:decimal-places=\"2\" number:min-decimal-places=\"2\" number:min-integer-digits=\"1\"/>"
      "</number:number-style><style:style style:name=\"ce1\" style:family=\"table-cell\" "
      "style:parent-style-name=\"Default\" style:data-style-name=\"N2\"/></office:automatic-styles>"
      "<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">"
      "<table:table-column table:number-columns-repeated=\"10\"/>";
  for (long r = 1; r <= rows; ++r) {
    xml += "<table:table-row>";
    for (int c = 0; c < 5; ++c) {
      const std::string value = std::to_string(r * 10 + c) + ".25";
      xml += "<table:table-cell office:value-type=\"float\" office:value=\"" + value +
             "\" table:style-name=\"ce1\" calcext:value-type=\"float\"><text:p>" + value + "</text:p></table:table-cell>";
    }
    for (int c = 0; c < 5; ++c) {
      xml += "<table:table-cell office:value-type=\"string\" calcext:value-type=\"string\"><text:p>Item " +
             std::to_string(r) + "-" + std::to_string(c) + "</text:p></table:table-cell>";
    }
    xml += "</table:table-row>";
  }
  xml += "</table:table></office:spreadsheet></office:body></office:document-content>";
  return xml;
}

double Seconds(const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[kRuns / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tabulox;
  const long rows = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
  const std::string content = ContentXml(rows);
  std::vector<testing::ZipEntry> entries;
  entries.emplace_back("mimetype", "application/vnd.oasis.opendocument.spreadsheet", 0);
  entries.emplace_back("content.xml", content);
  // What other readers ask for before they open the package.
  entries.emplace_back(
      "META-INF/manifest.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
      "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.3\">"
      "<manifest:file-entry manifest:full-path=\"/\" "
      "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
      "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
      "</manifest:manifest>");
  const std::string package = testing::WriteZip(entries);
  if (argc > 2 && !testing::WriteFile(argv[2], package)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%ld rows, %ld cells; content.xml %.1f MiB, package %.1f MiB\n", rows, rows * 10,
              content.size() / 1048576.0, package.size() / 1048576.0);

  ZipArchive archive;
  const double inflate = Seconds([&] {
    archive.OpenBuffer(testing::Bytes(package));
    const MemberRead read = ReadMember(archive, "content.xml", [](const BlockSource& source) {
      std::string block;
      while (source(block)) block.clear();
    });
    if (read.extracted != 1) std::abort();
  });
  Engine engine;
  ResultCode rc = 0;
  auto convert = [&](Layout layout) {
    ConversionOptions options;
    options.layout = layout;
    return Seconds([&] {
      OutputBlock block;
      rc = engine.ConvertBuffer(testing::Bytes(package), WorkbookType::kOds, 65001, options, block);
    });
  };
  const double standard = convert(Layout::kDefault);
  const ResultCode standardBytes = rc;
  const double shown = convert(Layout::kAsShown);
  std::printf("inflate content.xml   %8.3f s\n", inflate);
  std::printf("default layout        %8.3f s  %5.2f x inflate  (%d bytes)\n", standard, standard / inflate,
              standardBytes);
  std::printf("as shown              %8.3f s  %5.2f x inflate  (%d bytes)\n", shown, shown / inflate, rc);
  return 0;
}
