#include "xls_workbook_text.h"

#include <memory>

#include "byte_reader.h"
#include "workbook_data.h"
#include "worksheet_layout.h"
#include "xls_globals.h"

namespace tabulox {

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
  return static_cast<ResultCode>(text.size());
}

}  // namespace tabulox
