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
// text always fits a result code; the check in LayOut keeps that true on its own.
constexpr std::size_t kMaxCellTextBytes = std::size_t{1} << 20;
static_assert(kMaxWorkbookTextBytes + kMaxCellTextBytes <= kMaxResultBytes);

namespace {

// Reads the globals (and with them every worksheet) into a new workbook.
ResultCode ReadBook(std::span<const std::uint8_t> workbookStream,
                    std::unique_ptr<TWorkBookData>& book) {
  // The style table holds 400 format slots; keep it off the stack.
  book = std::make_unique<TWorkBookData>();
  InitStyleData(book->styles);
  ByteReader stream(workbookStream);
  return ReadWorkbookGlobals(stream, *book);
}

ResultCode LayOut(const TWorkBookData& book, std::string& text) {
  LayOutWorkbookText(book, text);
  if (text.size() > kMaxResultBytes) return kFormatNotCorrect;
  return static_cast<ResultCode>(text.size());
}

}  // namespace

// Everything read is released with `book`, also when an error is raised.
ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text) {
  text.clear();
  std::unique_ptr<TWorkBookData> book;
  const ResultCode globals = ReadBook(workbookStream, book);
  if (globals < 0) return globals;
  return LayOut(*book, text);
}

ResultCode ExtractWorkbookStreamText(std::vector<std::uint8_t>&& workbookStream,
                                     std::string& text) {
  text.clear();
  std::unique_ptr<TWorkBookData> book;
  const ResultCode globals = ReadBook(workbookStream, book);
  std::vector<std::uint8_t>().swap(workbookStream);
  if (globals < 0) return globals;
  return LayOut(*book, text);
}

}  // namespace tabulox
