// What encryption adds to a conversion: tall.xlsx and tall.xls of the
// benchmark workbooks converted through the engine as they are and encrypted
// with the password "password" by each method, as applications encrypt them
// (agile encryption with SHA-512, AES-256 and 100,000 rounds; standard
// encryption with AES-128; RC4, RC4 CryptoAPI and XOR obfuscation for .xls).
// The encryption is made once, in memory, with the encrypting writers of the
// tests.
//
//   encrypted_workbook_bench --data=build/release/bench-data
//
// The folder holds tall.xlsx and tall.xls (bench/run_bench.py writes them).
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/cfb_writer.h"
#include "support/workbook_encryption.h"
#include "tabulox/tabulox.h"
#include "xls/compound_file.h"

namespace tabulox {
namespace {

using FileBytes = std::vector<std::uint8_t>;
using testing::BiffEncryption;
using testing::PackageEncryption;

std::string& DataFolder() {
  static std::string folder = "build/release/bench-data";
  return folder;
}

FileBytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The workbooks by name, made once: "tall.xlsx", "agile", "standard",
// "tall.xls", "rc4", "cryptoapi", "xor". Empty when the folder lacks them.
const FileBytes& Workbook(const std::string& name) {
  static const std::map<std::string, FileBytes> workbooks = [] {
    std::map<std::string, FileBytes> made;
    const FileBytes xlsx = ReadWhole(DataFolder() + "/tall.xlsx");
    const FileBytes xls = ReadWhole(DataFolder() + "/tall.xls");
    if (xlsx.empty() || xls.empty()) return made;
    made["tall.xlsx"] = xlsx;
    made["agile"] = testing::EncryptedPackageFile(testing::EncryptPackageStreams(
        xlsx, PackageEncryption::kAgile, u"password",
        {.keyBits = 256, .hash = HashAlgorithm::kSha512, .spinCount = 100'000}));
    made["standard"] = testing::EncryptedPackageFile(
        testing::EncryptPackageStreams(xlsx, PackageEncryption::kStandard, u"password", {.keyBits = 128}));
    made["tall.xls"] = xls;
    std::string error;
    const auto storage = CompoundFile::Open(xls, error);
    const std::vector<std::uint8_t> stream = storage->OpenStream(u"Workbook").value();
    for (const auto& [name, method] : {std::pair{"rc4", BiffEncryption::kRc4},
                                       std::pair{"cryptoapi", BiffEncryption::kCryptoApiRc4},
                                       std::pair{"xor", BiffEncryption::kXor}}) {
      FileBytes encrypted = testing::WithFilePass(stream, testing::FilePassPayload(method, u"password"));
      testing::EncryptBiffStream(encrypted, method, u"password");
      made[name] = testing::WriteCompoundFile({{u"Workbook", encrypted}});
    }
    return made;
  }();
  static const FileBytes none;
  const auto found = workbooks.find(name);
  return found == workbooks.end() ? none : found->second;
}

void Convert(benchmark::State& state, const std::string& name, WorkbookType type) {
  const FileBytes& file = Workbook(name);
  if (file.empty()) {
    state.SkipWithError("tall.xlsx and tall.xls not in the data folder");
    return;
  }
  Engine engine;
  ConversionOptions options;
  options.password = "password";
  OutputBlock block;
  for (auto _ : state) {
    const ResultCode rc = engine.ConvertBuffer(file, type, 65001, options, block);
    if (rc < 0) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

BENCHMARK_CAPTURE(Convert, TallXlsx, std::string("tall.xlsx"), WorkbookType::kXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXlsxAgile, std::string("agile"), WorkbookType::kXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXlsxStandard, std::string("standard"), WorkbookType::kXlsx)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXls, std::string("tall.xls"), WorkbookType::kXls)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXlsRc4, std::string("rc4"), WorkbookType::kXls)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXlsCryptoApi, std::string("cryptoapi"), WorkbookType::kXls)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, TallXlsXor, std::string("xor"), WorkbookType::kXls)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulox

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--data=", 7) == 0) tabulox::DataFolder() = argv[i] + 7;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
