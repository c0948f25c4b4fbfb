#include "xls_workbook_text.h"

#include <memory>

#include "byte_reader.h"
#include "conversion_output.h"
#include "workbook_data.h"
#include "worksheet_layout.h"
#include "xls_globals.h"

namespace tabulox {

// The layout stops growing the text once it passes kMaxWorkbookTextBytes; by
// then it holds at most one cell more: up to 65,535 TABs and a string of
// 32,767 UTF-16 units (three bytes each), far below this bound. So a finished
// text always fits a result code; the check below keeps that true on its own.
constexpr std::size_t kMaxCellTextBytes = std::size_t{1} << 20;
static_assert(kMaxWorkbookTextBytes + kMaxCellTextBytes <= kMaxResultBytes);

ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text) {
  text.clear();
  // Everything read is released with `book`, also when an error is raised.
  // The style table holds 400 format slots; keep it off the stack.
  const auto book = std::make_unique<TWorkBookData>();
  InitStyleData(book->styles);
  ByteReader stream(workbookStream);
  const ResultCode globals = ReadWorkbookGlobals(stream, *book);
  if (globals < 0) return globals;
  LayOutWorkbookText(*book, text);
  if (text.size() > kMaxResultBytes) return kFormatNotCorrect;
  return static_cast<ResultCode>(text.size());
}

}  // namespace tabulox
