// Recursive folder scan over a tree of 20,000 wanted files (plus as many
// unwanted ones) in 200 folders two levels deep. Target: a scan that finds
// 20,000 files adds them in under 10 s.
//   BM_RecursiveScan: the search alone.
//   BM_AddDirCommand: the whole Add Dir command of the main window on the
//   offscreen platform, from the dialog's OK to the last row added.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/add_folder_dialog.h"
#include "desktop/file_search.h"
#include "desktop/main_window.h"
#include "desktop/scan_cancel_dialog.h"
#include "desktop/settings_file.h"

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
    tabulox::FileSearch search;
    search.setSearchDir(tree.Root());
    search.setSearchExts("*.xls|*.xlsx|");
    search.OnFileFind = [&](const std::string& folder, const tabulox::FoundFile& info) {
      found.push_back(folder + info.Name);
    };
    search.search();
    if (found.size() != static_cast<size_t>(kFolders * kWantedPerFolder)) {
      state.SkipWithError("wrong number of files found");
      return;
    }
  }
  state.counters["files"] = static_cast<double>(found.size());
}
BENCHMARK(BM_RecursiveScan)->Unit(benchmark::kMillisecond);

// Clicks OK in the Add directory dialog once it is up.
void AcceptAddDirDialog(tabulox::MainWindow& form) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, &form] {
    if (QApplication::activeModalWidget() == form.addDirDialog) {
      timer->stop();
      timer->deleteLater();
      form.addDirDialog->okButton->click();
    }
  });
  timer->start(1);
}

// The scan runs on a thread of its own; its rows arrive through the event loop.
void WaitForScan(const tabulox::MainWindow& form) {
  while (form.isScanning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_AddDirCommand(benchmark::State& state) {
  static const ScanTree tree;
  QTemporaryDir config;  // the window's job file and log go here
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  for (auto _ : state) {
    state.PauseTiming();
    tabulox::GlobalSettings() = tabulox::DefaultSettings();
    tabulox::GlobalSettings().addFolders = QString::fromStdString(tree.Root());
    tabulox::GlobalSettings().recurseFolders = true;
    auto form = std::make_unique<tabulox::MainWindow>();
    form->show();
    AcceptAddDirDialog(*form);
    state.ResumeTiming();

    form->addDirAction->trigger();
    WaitForScan(*form);

    state.PauseTiming();
    if (form->rowCount() != kFolders * kWantedPerFolder) state.SkipWithError("wrong number of rows");
    form.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddDirCommand)->Unit(benchmark::kMillisecond)->Iterations(2);

// How long the command goes on after the progress dialog's button is due to be
// pressed (20 ms into the scan, well before its thread has walked the tree);
// reported as the counter "answer_ms".
void BM_CancelAnswer(benchmark::State& state) {
  static const ScanTree tree;
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  constexpr auto kPressAfter = std::chrono::milliseconds(20);
  double worstMs = 0;
  for (auto _ : state) {
    tabulox::GlobalSettings() = tabulox::DefaultSettings();
    tabulox::GlobalSettings().addFolders = QString::fromStdString(tree.Root());
    tabulox::GlobalSettings().recurseFolders = true;
    auto form = std::make_unique<tabulox::MainWindow>();
    form->show();
    AcceptAddDirDialog(*form);
    std::chrono::steady_clock::time_point due;
    QTimer::singleShot(0, [&] {
      due = std::chrono::steady_clock::now() + kPressAfter;
      QTimer::singleShot(kPressAfter, [&] { form->cancelFindDialog->cancelButton->click(); });
    });
    form->addDirAction->trigger();
    WaitForScan(*form);
    const auto answer = std::chrono::steady_clock::now() - due;
    worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(answer).count());
    if (form->rowCount() >= kFolders * kWantedPerFolder) state.SkipWithError("scan was not stopped");
    form.reset();
  }
  state.counters["answer_ms"] = worstMs;
}
BENCHMARK(BM_CancelAnswer)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
