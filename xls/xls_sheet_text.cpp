#include "xls_sheet_text.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <cstdint>
#include <optional>
#include <vector>

#include "processor_cores.h"
#include "second_thread.h"
#include "worksheet_cells.h"
#include "worksheet_layout.h"

namespace tabulox {
namespace {

// Below this many bytes a worksheet is read in one part: starting a second
// thread costs about as much as reading and laying out a few thousand cells.
constexpr std::size_t kBytesForTwoParts = 500'000;

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

// What laying out one part of a worksheet found: how its reading ended, and
// the lowest and the highest of its rows, which its text gives in ascending
// order.
struct PartRows {
  RecordsRead read;
  bool any = false;
  std::int32_t first = 0;
  std::int32_t last = 0;
};

// Reads the records from `from` up to `stopAt` and appends the text of their
// rows to `text`, with room for about `partBytes` of text (a part's text is
// rarely larger than its records). Rows are laid out as they are read while
// each begins above the one before it and its cells come from left to right;
// otherwise the part is read again into a whole cell list in `sheet` (which
// must be empty) and laid out from that, in row and column order.
PartRows LayOutPart(ByteReader stream, std::size_t from, std::size_t stopAt, std::size_t partBytes,
                    const TWorkBookData& book, TWorkSheetData& sheet, std::string& text,
                    std::size_t maxBytes) {
  const std::size_t partStart = text.size();
  if (partStart < maxBytes) text.reserve(partStart + std::min(partBytes, maxBytes - partStart));
  PartRows rows;
  stream.seek(from);
  RowTextWriter writer(book, text, maxBytes);
  const std::optional<RecordsRead> streamed = StreamWorksheetRows(stream, stopAt, writer);
  if (streamed) {
    writer.Finish();
    rows.read = *streamed;
    rows.any = writer.anyRow();
    rows.first = writer.firstRow();
    rows.last = writer.lastRow();
    return rows;
  }
  text.resize(partStart);
  stream.seek(from);
  const std::size_t cells = SurveyWorksheet(stream, stopAt).cells;
  rows.read = ReadWorksheetRecords(stream, sheet, cells, stopAt);
  LayOutWorksheetRows(book, sheet, text, maxBytes);
  rows.any = !sheet.rows.empty();
  if (rows.any) {
    const auto [lowest, highest] = std::minmax_element(
        sheet.rows.begin(), sheet.rows.end(),
        [](const TRowData& a, const TRowData& b) { return a.rowNumber < b.rowNumber; });
    rows.first = lowest->rowNumber;
    rows.last = highest->rowNumber;
  }
  return rows;
}

// The later part of a worksheet, from its middle record on: its cells where it
// had to be read whole.
struct LaterPart {
  TWorkSheetData sheet;
  PartRows rows;
  std::exception_ptr error;
};

// The parts laid out apart give the text of the whole when the earlier part's
// reading stopped exactly at the middle (so the middle is where a record of
// one pass starts, before the EOF and outside any substream embedded in the
// sheet, as the later part's reading assumes) and the later part's rows all
// come after the earlier part's: each part's text gives its rows in ascending
// order, and one pass lays out the same rows with the same cells, those of
// the earlier part first.
bool PartsFollowOneAnother(const PartRows& earlier, std::size_t earlierEnd, std::size_t middle,
                           const PartRows& later) {
  return earlier.read.reachedStop && earlierEnd == middle &&
         (!earlier.any || !later.any || earlier.last < later.first);
}

void ReadAndLayOutInOnePart(ByteReader& stream, const TWorkBookData& book, TWorkSheetData& sheet,
                            WorksheetReadBudget& budget, std::string& text) {
  const std::size_t cells = SurveyWorksheet(stream).cells;
  budget.Spend(ReadWorksheetRecords(stream, sheet, cells, kNoStop).bytes);
  LayOutWorksheetText(book, sheet, text);
}

}  // namespace

void ReadWorksheetText(ByteReader& stream, const TWorkBookData& book, TWorkSheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text, std::string& laterText) {
  const std::size_t start = sheet.sheetData.boundSheet.sheetOffset;
  stream.seek(start);
  const std::size_t end = SheetEndGuess(book, start, stream.size());
  const std::size_t middle =
      end - stream.position() >= kBytesForTwoParts && MoreThanOneCore()
          ? FindLikelyMiddle(stream, stream.position() + (end - stream.position()) / 2, end)
          : kNoStop;
  if (middle == kNoStop) {
    ReadAndLayOutInOnePart(stream, book, sheet, budget, text);
    return;
  }

  const std::size_t sheetStart = text.size();
  const std::size_t laterLimit = kMaxWorkbookTextBytes - std::min(sheetStart, kMaxWorkbookTextBytes);
  laterText.clear();
  LaterPart later;
  SecondThread laterThread;
  try {
    laterThread = SecondThread([&, laterStream = stream]() {
      try {
        later.rows = LayOutPart(laterStream, middle, kNoStop, end - std::min(middle, end), book,
                                later.sheet, laterText, laterLimit);
        // The cells are not looked at after this; they are let go here, while
        // the earlier part may still be laid out.
        std::vector<TRowData>().swap(later.sheet.rows);
        std::vector<TCellData>().swap(later.sheet.cells);
        std::string().swap(later.sheet.cellTexts);
      } catch (...) {
        later.error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): one part on this thread.
    ReadAndLayOutInOnePart(stream, book, sheet, budget, text);
    return;
  }

  PartRows earlier;
  std::exception_ptr earlierError;
  try {
    AppendSheetNameLine(sheet, text);
    earlier = LayOutPart(stream, start, middle, middle - start, book, sheet, text,
                         kMaxWorkbookTextBytes);
  } catch (...) {
    earlierError = std::current_exception();
  }
  laterThread.join();
  // The earlier part is read as one pass reads it, and one pass lays out at
  // least its text: what it raised, one pass raises too.
  if (earlierError) std::rethrow_exception(earlierError);

  if (!later.error && PartsFollowOneAnother(earlier, start + earlier.read.bytes, middle, later.rows)) {
    budget.Spend(earlier.read.bytes + later.rows.read.bytes);
    text += laterText;
    EndWorksheetText(text);
    return;
  }
  // One pass over the whole worksheet.
  later = LaterPart();
  text.resize(sheetStart);
  sheet.rows.clear();
  sheet.cells.clear();
  sheet.cellTexts.clear();
  sheet.rowsAscending = true;
  sheet.columnsAscending = true;
  stream.seek(start);
  ReadAndLayOutInOnePart(stream, book, sheet, budget, text);
}

}  // namespace tabulox
