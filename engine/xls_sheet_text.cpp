#include "xls_sheet_text.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "worksheet_cells.h"
#include "worksheet_layout.h"

namespace tabulox {
namespace {

// Below this many cells a worksheet is read in one part: starting a second
// thread costs about as much as reading and laying out a few thousand cells.
constexpr std::size_t kCellsForTwoParts = 50'000;

// Cell records take at least this many bytes (a BLANK record).
constexpr std::size_t kSmallestCellBytes = 10;

constexpr std::size_t kNoStop = WorksheetSurvey::kNoMiddle;

// Where the worksheet starting at `start` most likely ends: at the next
// worksheet's offset, else at the end of the stream.
std::size_t SheetEndGuess(const TWorkBookData& book, std::size_t start, std::size_t streamSize) {
  std::size_t end = streamSize;
  for (const TWorkSheetData& other : book.worksheets) {
    const std::size_t offset = other.sheetData.boundSheet.sheetOffset;
    if (offset > start && offset < end) end = offset;
  }
  return std::max(end, start);
}

// What laying out one part of a worksheet found: the bytes read, and its rows
// as one pass over the part alone would list them.
struct PartRows {
  std::size_t bytesRead = 0;
  bool ascending = true;
  bool any = false;
  std::int32_t first = 0;
  std::int32_t last = 0;
};

// Reads the records from `from` up to `stopAt` and appends the text of their
// rows to `text`. Rows are laid out as they are read while each begins above
// the one before it; otherwise the part is read again into a whole cell list
// in `sheet` (which must be empty) and laid out from that.
PartRows LayOutPart(ByteReader stream, std::size_t from, std::size_t stopAt, std::size_t cellsAhead,
                    const TWorkBookData& book, TWorkSheetData& sheet, std::string& text,
                    std::size_t maxBytes) {
  const std::size_t partStart = text.size();
  ReserveTextForCells(cellsAhead, text, maxBytes);
  PartRows rows;
  stream.seek(from);
  TWorkSheetData rowSheet;
  const std::optional<std::size_t> streamed =
      StreamWorksheetRows(stream, stopAt, rowSheet, [&](const TWorkSheetData& oneRow) {
        if (!rows.any) rows.first = oneRow.rows[0].rowNumber;
        rows.any = true;
        rows.last = oneRow.rows[0].rowNumber;
        LayOutRowText(book, oneRow, oneRow.rows[0], text, maxBytes);
      });
  if (streamed) {
    rows.bytesRead = *streamed;
    return rows;
  }
  text.resize(partStart);
  stream.seek(from);
  rows.bytesRead = ReadWorksheetRecords(stream, sheet, cellsAhead, stopAt);
  LayOutWorksheetRows(book, sheet, text, maxBytes);
  rows.ascending = sheet.rowsAscending;
  rows.any = !sheet.rows.empty();
  if (rows.any) {
    rows.first = sheet.rows.front().rowNumber;
    rows.last = sheet.rows.back().rowNumber;
  }
  return rows;
}

// The later part of a worksheet, from its middle record on: its text, and its
// cells where it had to be read whole.
struct LaterPart {
  TWorkSheetData sheet;
  std::string text;
  PartRows rows;
  std::exception_ptr error;
};

// The parts laid out apart give the text of the whole when both list their
// rows in ascending order and the later part's rows all come after the
// earlier part's: one pass then finds every row of the later part new, in the
// same order, with the same cells.
bool PartsFollowOneAnother(const PartRows& earlier, const PartRows& later) {
  return earlier.ascending && later.ascending &&
         (!earlier.any || !later.any || earlier.last < later.first);
}

void ReadAndLayOutInOnePart(ByteReader& stream, const TWorkBookData& book, TWorkSheetData& sheet,
                            std::size_t cellsAhead, WorksheetReadBudget& budget,
                            std::string& text) {
  budget.Spend(ReadWorksheetRecords(stream, sheet, cellsAhead, kNoStop));
  LayOutWorksheetText(book, sheet, text);
}

}  // namespace

void ReadWorksheetText(ByteReader& stream, const TWorkBookData& book, TWorkSheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text) {
  const std::size_t start = sheet.sheetData.boundSheet.sheetOffset;
  stream.seek(start);
  const std::size_t end = SheetEndGuess(book, start, stream.size());
  // Bytes stand in for cells: the middle is looked for from half of the
  // sheet's bytes on, and only in a sheet large enough to hold
  // kCellsForTwoParts cells of the smallest records.
  const bool twoParts = end - stream.position() >= kCellsForTwoParts * kSmallestCellBytes &&
                        std::thread::hardware_concurrency() > 1;
  const WorksheetSurvey survey =
      SurveyWorksheet(stream, twoParts ? stream.position() + (end - stream.position()) / 2
                                       : WorksheetSurvey::kNoMiddle);
  if (survey.middle == WorksheetSurvey::kNoMiddle) {
    ReadAndLayOutInOnePart(stream, book, sheet, survey.cells, budget, text);
    return;
  }

  const std::size_t sheetStart = text.size();
  const std::size_t laterLimit = kMaxWorkbookTextBytes - std::min(sheetStart, kMaxWorkbookTextBytes);
  LaterPart later;
  std::thread laterThread;
  try {
    laterThread = std::thread([&, laterStream = stream]() mutable {
      try {
        laterStream.seek(survey.middle);
        const std::size_t cells = SurveyWorksheet(laterStream).cells;
        later.rows = LayOutPart(laterStream, survey.middle, kNoStop, cells, book, later.sheet,
                                later.text, laterLimit);
        // The cells are not looked at after this; they are let go here, while
        // the earlier part may still be laid out.
        std::vector<TRowData>().swap(later.sheet.rows);
        std::vector<TCellData>().swap(later.sheet.cells);
        std::string().swap(later.sheet.formulaTexts);
      } catch (...) {
        later.error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): one part on this thread.
    ReadAndLayOutInOnePart(stream, book, sheet, SurveyWorksheet(stream).cells, budget, text);
    return;
  }

  PartRows earlier;
  std::exception_ptr earlierError;
  try {
    AppendSheetNameLine(sheet, text);
    earlier = LayOutPart(stream, start, survey.middle, survey.cells, book, sheet, text,
                         kMaxWorkbookTextBytes);
  } catch (...) {
    earlierError = std::current_exception();
  }
  laterThread.join();
  // The earlier part is read as one pass reads it, and one pass lays out at
  // least its text: what it raised, one pass raises too.
  if (earlierError) std::rethrow_exception(earlierError);

  if (!later.error && PartsFollowOneAnother(earlier, later.rows)) {
    budget.Spend(earlier.bytesRead + later.rows.bytesRead);
    text += later.text;
    EndWorksheetText(text);
    return;
  }
  // One pass over the whole worksheet.
  later = LaterPart();
  text.resize(sheetStart);
  sheet.rows.clear();
  sheet.cells.clear();
  sheet.formulaTexts.clear();
  sheet.rowsAscending = true;
  stream.seek(start);
  ReadAndLayOutInOnePart(stream, book, sheet, SurveyWorksheet(stream).cells, budget, text);
}

}  // namespace tabulox
