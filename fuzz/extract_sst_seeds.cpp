// Writes seeds for fuzz_shared_strings: for every .xls file in a folder, the
// SST record of its workbook stream with the CONTINUE records after it.
// Usage: extract_sst_seeds <folder of .xls files> <output folder>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/file_bytes.h"
#include "xls/biff_records.h"
#include "xls/compound_file.h"

namespace {

constexpr std::uint16_t kRecordContinue = 0x003C;

std::optional<std::vector<std::uint8_t>> SstRecords(std::span<const std::uint8_t> file) {
  using namespace tabulox;
  std::string lastError;
  const auto storage = CompoundFile::Open(file, lastError);
  if (!storage) return std::nullopt;
  auto stream = storage->OpenStream(u"Workbook");
  if (!stream) return std::nullopt;
  ByteReader in(*stream);
  RecordHeader header;
  std::size_t begin = 0;
  bool inSst = false;
  while (ReadRecordHeader(in, header)) {
    const std::size_t start = in.position() - 4;
    if (inSst && header.type != kRecordContinue)
      return std::vector<std::uint8_t>(stream->begin() + static_cast<std::ptrdiff_t>(begin),
                                       stream->begin() + static_cast<std::ptrdiff_t>(start));
    if (header.type == kRecordSst) {
      inSst = true;
      begin = start;
    }
    in.seek(header.payloadEnd());
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: extract_sst_seeds <xls folder> <output folder>\n";
    return 2;
  }
  std::filesystem::create_directories(argv[2]);
  int written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.path().extension() != ".xls") continue;
    tabulox::FileBytes file;
    if (tabulox::ReadFileBytes(entry.path().string(), file) < 0) continue;
    try {
      const auto records = SstRecords(file);
      if (!records) continue;
      std::ofstream out(std::filesystem::path(argv[2]) / (entry.path().stem().string() + ".sst"),
                        std::ios::binary);
      out.write(reinterpret_cast<const char*>(records->data()),
                static_cast<std::streamsize>(records->size()));
      ++written;
    } catch (const std::exception&) {
    }
  }
  std::cout << written << " seeds written\n";
  return 0;
}
