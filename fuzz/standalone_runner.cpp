// Runs a harness over files without libFuzzer: each argument is a file or a
// folder whose regular files are run in name order. Used by CTest to replay
// the inputs that once made a harness fail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::cout << "run " << path.filename().string() << " (" << bytes.size() << " bytes)" << std::endl;
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(arg))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
          files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files) RunFile(file);
      count += files.size();
    } else if (std::filesystem::is_regular_file(arg)) {
      RunFile(arg);
      ++count;
    } else {
      std::cerr << "no such file or folder: " << arg.string() << '\n';
      return 2;
    }
  }
  std::cout << count << " inputs ran" << std::endl;
  return 0;
}
