// The compound-file reader and the whole .xls extraction, from the bytes of a
// file: the buffer entry point in the default and the as-shown layout (every
// hidden row and column left out, so that both paths of the grid run), then
// every stream of the root storage.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/extraction_error.h"
#include "xls/compound_file.h"
#include "xls/convert_workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  const std::span<const std::uint8_t> file(data, size);
  OutputBlock block;
  const ResultCode rc = ConvertWorkbookBuffer(file, block, 65001);
  if (rc >= 0 && block.size() < static_cast<std::size_t>(rc)) __builtin_trap();
  ConversionOptions shown;
  shown.layout = Layout::kAsShown;
  shown.skipHiddenRows = shown.skipHiddenColumns = (size & 1) != 0;
  const ResultCode shownRc = ConvertWorkbookBuffer(file, block, 65001, shown);
  if (shownRc >= 0 && block.size() < static_cast<std::size_t>(shownRc)) __builtin_trap();

  std::string lastError;
  const auto storage = CompoundFile::Open(file, lastError);
  if (!storage) return 0;
  for (const std::u16string& name : storage->RootEntryNames()) {
    try {
      (void)storage->OpenStream(name);
    } catch (const ExtractionError&) {
    }
  }
  return 0;
}
