// convert_workbook: the text of one workbook on standard output, through the
// Tabulox library. A small program that shows the whole interface a program
// needs: set the locale, create one Engine, convert, write the bytes.
//
//   convert_workbook WORKBOOK [CODE_PAGE]
//
// The type is taken from the extension (.xlsx, otherwise .xls); the code page
// is a Windows code-page number, 65001 (UTF-8 with its mark) when none is given.
#include <tabulox/tabulox.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool EndsWithXlsx(const std::string& path) {
  if (path.size() < 5) return false;
  std::string extension = path.substr(path.size() - 5);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".xlsx";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s WORKBOOK [CODE_PAGE]\n", argv[0]);
    return 2;
  }
  // Numbers and dates are written with the conventions of the user's locale,
  // which the engine takes when it is created.
  std::setlocale(LC_ALL, "");
  tabulox::Engine engine;

  const std::string path = argv[1];
  const auto type = EndsWithXlsx(path) ? tabulox::WorkbookType::kXlsx : tabulox::WorkbookType::kXls;
  const int codePage = argc == 3 ? std::atoi(argv[2]) : 65001;

  tabulox::OutputBlock text;
  const tabulox::ResultCode rc = engine.ConvertFile(path, type, codePage, text);
  if (rc < 0) {
    std::fprintf(stderr, "%s: not converted (result %d)\n", path.c_str(), rc);
    return 1;
  }
  const auto size = static_cast<std::size_t>(rc);
  if (std::fwrite(text.data(), 1, size, stdout) != size || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "%s: the text could not be written\n", path.c_str());
    return 1;
  }
  return 0;
}
