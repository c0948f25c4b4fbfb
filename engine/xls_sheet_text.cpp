#include "xls_sheet_text.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>

#include "worksheet_cells.h"
#include "worksheet_layout.h"

namespace tabulox {
namespace {

// Below this many cells a worksheet is read in one part: starting a second
// thread costs about as much as reading and laying out a few thousand cells.
constexpr std::size_t kCellsForTwoParts = 50'000;

constexpr std::size_t kNoStop = std::numeric_limits<std::size_t>::max();

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
  stream.seek(sheet.sheetData.boundSheet.sheetOffset);
  const WorksheetSurvey survey = SurveyWorksheet(stream);
  if (survey.cells < kCellsForTwoParts || survey.middle == WorksheetSurvey::kNoMiddle ||
      std::thread::hardware_concurrency() < 2) {
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
                                               survey.cells - survey.cellsBeforeMiddle, kNoStop);
        LayOutWorksheetRows(book, later.sheet, later.text,
                            kMaxWorkbookTextBytes - std::min(sheetStart, kMaxWorkbookTextBytes));
      } catch (...) {
        later.error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): one part on this thread.
    ReadAndLayOutInOnePart(stream, book, sheet, survey.cells, budget, text);
    return;
  }

  std::size_t earlierBytes = 0;
  std::exception_ptr earlierError;
  try {
    earlierBytes = ReadWorksheetRecords(stream, sheet, survey.cellsBeforeMiddle, survey.middle);
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
               ReadWorksheetRecords(stream, sheet, survey.cells - survey.cellsBeforeMiddle, kNoStop));
  LayOutWorksheetText(book, sheet, text);
}

}  // namespace tabulox
