#include "xls_sheet_text.h"

#include <algorithm>
#include <exception>
#include <system_error>
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

// The later part of a worksheet, from its middle record on: its own rows,
// cells and text.
struct LaterPart {
  TWorkSheetData sheet;
  std::string text;
  std::size_t bytesRead = 0;
  std::exception_ptr error;
};

// The parts laid out apart give the text of the whole when both list their
// rows in ascending order and the later part's rows all come after the
// earlier part's: one pass then finds every row of the later part new, in the
// same order, with the same cells.
bool PartsFollowOneAnother(const TWorkSheetData& earlier, const TWorkSheetData& later) {
  return earlier.rowsAscending && later.rowsAscending &&
         (earlier.rows.empty() || later.rows.empty() ||
          earlier.rows.back().rowNumber < later.rows.front().rowNumber);
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
  LaterPart later;
  std::thread laterThread;
  try {
    laterThread = std::thread([&, laterStream = stream]() mutable {
      try {
        laterStream.seek(survey.middle);
        later.bytesRead = ReadWorksheetRecords(laterStream, later.sheet,
                                               SurveyWorksheet(laterStream).cells, kNoStop);
        LayOutWorksheetRows(book, later.sheet, later.text,
                            kMaxWorkbookTextBytes - std::min(sheetStart, kMaxWorkbookTextBytes));
        // Only the rows are looked at after this; the cells are let go here,
        // while the earlier part may still be laid out.
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

  std::size_t earlierBytes = 0;
  std::exception_ptr earlierError;
  try {
    earlierBytes = ReadWorksheetRecords(stream, sheet, survey.cells, survey.middle);
    AppendSheetNameLine(sheet, text);
    LayOutWorksheetRows(book, sheet, text);
  } catch (...) {
    earlierError = std::current_exception();
  }
  laterThread.join();
  // The earlier part is read as one pass reads it, and one pass lays out at
  // least its text: what it raised, one pass raises too.
  if (earlierError) std::rethrow_exception(earlierError);

  if (!later.error && PartsFollowOneAnother(sheet, later.sheet)) {
    budget.Spend(earlierBytes + later.bytesRead);
    text += later.text;
    EndWorksheetText(text);
    return;
  }
  // One pass: the later records read again after the earlier ones.
  later = LaterPart();
  text.resize(sheetStart);
  stream.seek(survey.middle);
  budget.Spend(earlierBytes +
               ReadWorksheetRecords(stream, sheet, SurveyWorksheet(stream).cells, kNoStop));
  LayOutWorksheetText(book, sheet, text);
}

}  // namespace tabulox
