// Recursive folder scan over a tree of 20,000 wanted files (plus as many
// unwanted ones) in 200 folders two levels deep. Target: a scan that finds
// 20,000 files adds them in under 10 s.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_search.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 200;
constexpr int kWantedPerFolder = 100;

class ScanTree {
 public:
  ScanTree() {
    std::string pattern = (fs::temp_directory_path() / "tabulox-scan-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    for (int f = 0; f < kFolders; ++f) {
      const fs::path folder = fs::path(root_) / ("group" + std::to_string(f / 20)) /
                              ("folder" + std::to_string(f));
      fs::create_directories(folder);
      for (int i = 0; i < kWantedPerFolder; ++i) {
        const std::string stem = "book" + std::to_string(i);
        std::ofstream(folder / (stem + (i % 2 ? ".xlsx" : ".xls"))) << "x";
        std::ofstream(folder / (stem + ".txt")) << "x";
      }
    }
  }
  ~ScanTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
};

void BM_RecursiveScan(benchmark::State& state) {
  static const ScanTree tree;
  std::vector<std::string> found;
  found.reserve(kFolders * kWantedPerFolder);
  for (auto _ : state) {
    found.clear();
    tabulox::TKvFileSearch search;
    search.SetSearchDir(tree.Root());
    search.SetSearchExts("*.xls|*.xlsx|");
    search.OnFileFind = [&](const std::string& folder, const tabulox::TFoundFile& info) {
      found.push_back(folder + info.Name);
    };
    search.OnProcessMessages = [] {};
    search.Search();
    if (found.size() != static_cast<size_t>(kFolders * kWantedPerFolder)) {
      state.SkipWithError("wrong number of files found");
      return;
    }
  }
  state.counters["files"] = static_cast<double>(found.size());
}
BENCHMARK(BM_RecursiveScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
