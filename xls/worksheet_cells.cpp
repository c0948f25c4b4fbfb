#include "xls/worksheet_cells.h"

#include <cstring>
#include <exception>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "xls/biff_records.h"
#include "xls/code_page_strings.h"
#include "xls/embedded_substreams.h"
#include "xls/record_segments.h"

namespace tabulox {
namespace {

// A FORMULA result whose last two bytes are 0xFF holds a result type in its
// first byte instead of a double, [MS-XLS] 2.5.133 FormulaValue.
enum class FormulaResultType : std::uint8_t {
  kString = 0,
  kBoolean = 1,
  kError = 2,
  kEmpty = 3,
};

// Bit 0 of an XLUnicodeString's option byte: 16-bit characters.
constexpr std::uint8_t kHighByte = 0x01;

bool HasMarkerBytes(std::span<const std::uint8_t> eightBytes) {
  return eightBytes[6] == 0xFF && eightBytes[7] == 0xFF;
}

double DoubleFromBytes(std::span<const std::uint8_t> eightBytes) {
  const std::uint64_t bits =
      LoadU32le(eightBytes, 0) | (static_cast<std::uint64_t>(LoadU32le(eightBytes, 4)) << 32);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The fields that open every cell record, [MS-XLS] 2.5.19 Cell: row, column and
// XF index, each 16 bits.
constexpr std::size_t kCellFieldsSize = 6;

CellData MakeCell(CellKind kind, std::uint16_t row, std::uint32_t column, std::uint16_t xf) {
  CellData cell;
  cell.kind = kind;
  cell.row = row;
  cell.column = column;
  cell.xfIndex = xf;
  return cell;
}

// A cell of `kind` from the Cell fields at the start of `fields`.
CellData MakeCell(CellKind kind, std::span<const std::uint8_t> fields) {
  return MakeCell(kind, LoadU16le(fields, 0), LoadU16le(fields, 2), LoadU16le(fields, 4));
}

CellData NumberCell(std::uint16_t row, std::uint32_t column, std::uint16_t xf, double value) {
  CellData cell = MakeCell(CellKind::kNumber, row, column, xf);
  cell.value = value;
  return cell;
}

// [MS-XLS] 2.4.24 BoolErr: the cell fields, the value, then fError (0: the
// value is a boolean, else an error code).
CellData BoolErrCell(CellData cell, std::span<const std::uint8_t> valueAndFlag) {
  cell.kind = valueAndFlag[1] != 0 ? CellKind::kError : CellKind::kBoolean;
  cell.value = valueAndFlag[0];
  return cell;
}

// Adds the cell of a FORMULA record: `cell` holds its place and XF index,
// `result` the 8 result bytes. Gives the position of the cell when it waits
// for the text of a following STRING record, else kNoCell.
template <typename Cells>
std::uint32_t AddFormula(CellData cell, std::span<const std::uint8_t> result, Cells& cells) {
  cell.kind = CellKind::kFormulaResult;
  if (!HasMarkerBytes(result)) {
    cell.value = DoubleFromBytes(result);
  } else if (const auto type = FormulaResultType{result[0]};
             type == FormulaResultType::kBoolean || type == FormulaResultType::kError) {
    cell.kind = type == FormulaResultType::kBoolean ? CellKind::kBoolean : CellKind::kError;
    cell.value = result[2];
  } else {
    cell.kind = CellKind::kText;
    cell.text = TextSpan{0, 0};
  }
  cells.Add(cell);
  if (cell.kind == CellKind::kText && FormulaResultType{result[0]} == FormulaResultType::kString) return cells.LastCell();
  return kNoCell;
}

// Reads a FORMULA record, as AddFormula.
template <typename Cells>
std::uint32_t ReadFormula(ByteReader& stream, Cells& cells) {
  // The option flags, the formula and what follows the result are not used.
  const std::span<const std::uint8_t> fields = stream.bytes(kCellFieldsSize + 8);
  return AddFormula(MakeCell(CellKind::kFormulaResult, fields), fields.subspan(kCellFieldsSize), cells);
}

// Appends the characters of an XLUnicodeString, [MS-XLS] 2.5.294 (16-bit
// character count, option byte, characters), to `texts`. The count and the
// option byte may be cut across a CONTINUE record; characters cut across one go
// on after a flag byte. A string cut off by the last CONTINUE record keeps the
// characters read; one whose header is cut off or that is malformed gives no
// text (false).
bool ReadXLUnicodeString(RecordSegments& segments, std::string& texts) {
  const std::size_t start = texts.size();
  try {
    std::uint16_t charCount = 0;
    std::uint8_t options = 0;
    if (!segments.ReadU16(charCount) || !segments.ReadU8(options)) return false;
    segments.ReadChars(charCount, (options & kHighByte) ? 2 : 1, texts);
  } catch (const ExtractionError&) {
    texts.resize(start);
    return false;
  }
  return true;
}

// The cells of a whole worksheet, in the order of their records.
struct SheetCells {
  WorksheetData& sheet;

  void Add(const CellData& cell) {
    if (sheet.cells.size() >= kNoCell) throw ExtractionError("too many cells");
    sheet.cells.push_back(cell);
  }
  std::uint32_t LastCell() const { return static_cast<std::uint32_t>(sheet.cells.size() - 1); }
  void HideRow(std::uint16_t row) { sheet.hiddenRows.Hide(row, row); }
  void HideColumns(std::uint32_t first, std::uint32_t last) {
    sheet.hiddenColumns.Hide(first, last);
  }
  // Gives the CellKind::kText cell at `cellIndex` the text that `read` appends to the
  // string it is given (false: no text).
  template <typename Read>
  void SetText(std::uint32_t cellIndex, Read read) {
    std::string& texts = sheet.cellTexts;
    const std::size_t start = texts.size();
    if (!read(texts)) return;
    if (texts.size() > std::numeric_limits<std::uint32_t>::max()) {
      texts.resize(start);
      throw ExtractionError("cell texts too large");
    }
    sheet.cells[cellIndex].text = TextSpan{static_cast<std::uint32_t>(start),
                                            static_cast<std::uint32_t>(texts.size() - start)};
  }
};

// The cells of rows that come in ascending order, each row's cells from left
// to right, handed to a sink as they are read. A cell of a row below the
// current one, or at or left of the cell before it in its row, ends the
// handing over: the whole cell list, laid out in row and column order, gives
// another text than the sink was given. What the sink raises is kept until
// the record has been read, so that the record loop, which passes over fields
// cut off by the end of the stream, does not swallow it.
class StreamedCells {
 public:
  explicit StreamedCells(StreamedCellSink& sink) : sink_(sink) {}

  void Add(const CellData& cell) {
    if (outOfOrder_ || error_) return;
    const bool beginsRow = !any_ || cell.row != row_;
    if (any_ && (cell.row < row_ || (!beginsRow && cell.column <= column_))) {
      outOfOrder_ = true;
      return;
    }
    any_ = true;
    row_ = cell.row;
    column_ = cell.column;
    Hand([&] { sink_.Cell(cell, beginsRow); });
  }
  std::uint32_t LastCell() const { return 0; }
  // A hidden row at or above a cell handed over, or hidden columns after the
  // first cell, would change where cells handed over stand.
  void HideRow(std::uint16_t row) {
    if (outOfOrder_ || error_) return;
    if (any_ && row <= row_) {
      outOfOrder_ = true;
      return;
    }
    Hand([&] { sink_.RowHidden(row); });
  }
  void HideColumns(std::uint32_t first, std::uint32_t last) {
    if (outOfOrder_ || error_) return;
    if (any_) {
      outOfOrder_ = true;
      return;
    }
    Hand([&] { sink_.ColumnsHidden(first, last); });
  }
  // Hands the text that `read` gives to the sink, for the CellKind::kText cell it was
  // handed last.
  template <typename Read>
  void SetText(std::uint32_t, Read read) {
    if (outOfOrder_ || error_) return;
    text_.clear();
    if (!read(text_)) return;
    Hand([&] { sink_.CellText(text_); });
  }
  // After each record: raises what the sink raised; false once a row came
  // out of order.
  bool InOrder() const {
    if (error_) std::rethrow_exception(error_);
    return !outOfOrder_;
  }

 private:
  // Runs a call of the sink, keeping what it raises.
  template <typename Call>
  void Hand(Call call) {
    try {
      call();
    } catch (...) {
      error_ = std::current_exception();
    }
  }

  StreamedCellSink& sink_;
  std::string text_;
  std::exception_ptr error_;
  std::uint32_t row_ = 0;
  std::uint32_t column_ = 0;
  bool any_ = false;
  bool outOfOrder_ = false;
};

// Records that store cells of their own; after one of them, a STRING record no
// longer belongs to an earlier FORMULA.
bool IsCellRecord(std::uint16_t type, BiffVersion version) {
  if (version != BiffVersion::kBiff8) {
    switch (type) {
      case kRecordBlankBiff2:
      case kRecordIntegerBiff2:
      case kRecordNumberBiff2:
      case kRecordLabelBiff2:
      case kRecordBoolErrBiff2:
      case kRecordFormulaBiff3:
      case kRecordFormulaBiff4:
        return true;
      default:
        break;
    }
  }
  switch (type) {
    case kRecordLabelSst:
    case kRecordNumber:
    case kRecordRK:
    case kRecordMulRK:
    case kRecordBlank:
    case kRecordMulBlank:
    case kRecordFormula:
    case kRecordLabel:
    case kRecordRString:
    case kRecordBoolErr:
      return true;
    default:
      return false;
  }
}

// Reads the 8-bit string of `chars` as the text of the CellKind::kText cell at
// `cellIndex`.
template <typename Cells>
void SetByteStringText(Cells& cells, std::uint32_t cellIndex, const CodePageStrings& strings,
                       std::span<const std::uint8_t> chars) {
  cells.SetText(cellIndex, [&](std::string& texts) {
    strings.AppendText(chars, texts);
    return true;
  });
}

// Adds a CellKind::kText cell whose text is the 8-bit string that follows the cell's
// fields (`fieldsSize` bytes), with a length field of `lengthBytes` bytes.
template <typename Cells>
void AddByteStringCell(CellData cell, std::span<const std::uint8_t> payload, std::size_t fieldsSize,
                       std::size_t lengthBytes, const CodePageStrings& strings, Cells& cells) {
  const std::optional<std::span<const std::uint8_t>> chars =
      CountedChars(payload.subspan(fieldsSize), lengthBytes, strings.bytesPerCount());
  if (!chars) return;
  cell.kind = CellKind::kText;
  cell.text = TextSpan{0, 0};
  cells.Add(cell);
  SetByteStringText(cells, cells.LastCell(), strings, *chars);
}

// BIFF2 cell records: row and column, then three bytes of cell attributes,
// then the value. The first attribute byte holds the XF index in bits 0-5 (63:
// the index the last IXFE record gave), the second the format index in bits
// 0-5, which stands for the XF index where the stream has no XF records.
constexpr std::size_t kBiff2CellFieldsSize = 7;

CellData Biff2Cell(std::span<const std::uint8_t> fields, const CellRecordFormat& format,
                   std::uint16_t ixfe) {
  std::uint16_t xf = fields[4] & 0x3F;
  if (format.biff2FormatInAttributes)
    xf = fields[5] & 0x3F;
  else if (xf == 0x3F)
    xf = ixfe;
  return MakeCell(CellKind::kBlank, LoadU16le(fields, 0), LoadU16le(fields, 2), xf);
}

// [MS-XLS] 2.4.221 Row (BIFF3 to BIFF8 alike): the row, then at byte 12 the
// option flags, whose bit 5 (fDyZero) hides the row. BIFF2's ROW has no such
// flag; a row it gives the height 0 (bits 0-14 of the height at byte 6, bit
// 15 clear: not the default height) is hidden.
constexpr std::size_t kRowFlagsOffset = 12;
constexpr std::uint8_t kRowHidden = 0x20;
constexpr std::size_t kRowHeightOffset = 6;
// [MS-XLS] 2.4.53 ColInfo (BIFF3 to BIFF8): first and last column, width, XF
// index, then the options, whose bit 0 hides the columns.
constexpr std::size_t kColInfoOptionsOffset = 8;
constexpr std::uint16_t kColInfoHidden = 0x0001;

// Reads a ROW record's payload (of BIFF3 to BIFF8, or of BIFF2) into the
// hidden rows of `cells`.
template <typename Cells>
void ReadRow(std::span<const std::uint8_t> payload, bool biff2, Cells& cells) {
  const bool hidden =
      biff2 ? payload.size() >= kRowHeightOffset + 2 && LoadU16le(payload, kRowHeightOffset) == 0
            : payload.size() > kRowFlagsOffset && (payload[kRowFlagsOffset] & kRowHidden) != 0;
  if (hidden) cells.HideRow(LoadU16le(payload, 0));
}

// Reads a COLINFO record's payload into the hidden columns of `cells`.
template <typename Cells>
void ReadColInfo(std::span<const std::uint8_t> payload, Cells& cells) {
  if (payload.size() < kColInfoOptionsOffset + 2) return;
  const std::uint16_t first = LoadU16le(payload, 0);
  const std::uint16_t last = LoadU16le(payload, 2);
  if (first <= last && (LoadU16le(payload, kColInfoOptionsOffset) & kColInfoHidden) != 0)
    cells.HideColumns(first, last);
}

// What the records of a stream before BIFF8 need kept from one to the next.
struct EarlierRecordState {
  // The XF index of the last BIFF2 IXFE record.
  std::uint16_t ixfe = 0;
};

// Reads a cell record that a stream of a version before BIFF8 stores
// otherwise than BIFF8, from its payload alone; a record too short for its
// fields adds nothing. False for the records that BIFF8's layout reads.
template <typename Cells>
bool ReadEarlierCellRecord(std::span<const std::uint8_t> payload, std::uint16_t type,
                           const CellRecordFormat& format, EarlierRecordState& state,
                           Cells& cells, std::uint32_t& awaitingString) {
  const CodePageStrings& strings = *format.strings;
  const bool biff2Records = format.version <= BiffVersion::kBiff4;
  const auto biff2Fields = [&](std::size_t valueSize) {
    return payload.size() >= kBiff2CellFieldsSize + valueSize;
  };
  switch (type) {
    case kRecordLabel:
    case kRecordRString:
      if (payload.size() >= kCellFieldsSize)
        AddByteStringCell(MakeCell(CellKind::kText, payload), payload, kCellFieldsSize, 2, strings,
                          cells);
      return true;
    case kRecordString:
    case kRecordStringBiff2: {
      if (type == kRecordStringBiff2 && !biff2Records) return false;
      const std::optional<std::span<const std::uint8_t>> chars = CountedChars(
          payload, type == kRecordStringBiff2 ? 1 : 2, strings.bytesPerCount());
      if (awaitingString != kNoCell && chars)
        SetByteStringText(cells, awaitingString, strings, *chars);
      awaitingString = kNoCell;
      return true;
    }
    case kRecordFormulaBiff3:
    case kRecordFormulaBiff4:
      if (payload.size() >= kCellFieldsSize + 8)
        awaitingString =
            AddFormula(MakeCell(CellKind::kFormulaResult, payload), payload.subspan(kCellFieldsSize, 8),
                       cells);
      return true;
    default:
      break;
  }
  if (!biff2Records) return false;
  switch (type) {
    case kRecordBlankBiff2:
      if (biff2Fields(0)) cells.Add(Biff2Cell(payload, format, state.ixfe));
      return true;
    case kRecordIntegerBiff2:
      if (biff2Fields(2)) {
        CellData cell = Biff2Cell(payload, format, state.ixfe);
        cell.kind = CellKind::kNumber;
        cell.value = LoadU16le(payload, kBiff2CellFieldsSize);
        cells.Add(cell);
      }
      return true;
    case kRecordNumberBiff2:
      if (biff2Fields(8)) {
        const std::span<const std::uint8_t> value = payload.subspan(kBiff2CellFieldsSize, 8);
        CellData cell = Biff2Cell(payload, format, state.ixfe);
        cell.kind = CellKind::kNumber;
        cell.value = HasMarkerBytes(value) ? 0.0 : DoubleFromBytes(value);
        cells.Add(cell);
      }
      return true;
    case kRecordLabelBiff2:
      if (biff2Fields(0))
        AddByteStringCell(Biff2Cell(payload, format, state.ixfe), payload, kBiff2CellFieldsSize,
                          1, strings, cells);
      return true;
    case kRecordBoolErrBiff2:
      if (biff2Fields(2))
        cells.Add(BoolErrCell(Biff2Cell(payload, format, state.ixfe),
                              payload.subspan(kBiff2CellFieldsSize)));
      return true;
    case kRecordFormula:
      // BIFF2's FORMULA: the result after the cell attributes. BIFF3 and
      // BIFF4 streams have FORMULA records of their own types.
      if (format.version != BiffVersion::kBiff2) return false;
      if (biff2Fields(8))
        awaitingString = AddFormula(Biff2Cell(payload, format, state.ixfe),
                                    payload.subspan(kBiff2CellFieldsSize, 8), cells);
      return true;
    case kRecordIxfeBiff2:
      if (payload.size() >= 2) state.ixfe = LoadU16le(payload, 0);
      return true;
    case kRecordRowBiff2:
      if (format.version != BiffVersion::kBiff2) return false;
      ReadRow(payload, true, cells);
      return true;
    default:
      return false;
  }
}

// Reads the cell record of `type` and adds its cells. Records of other types
// are skipped. Reads from the whole stream, as far as the fields go.
template <typename Cells>
void ReadCellRecord(ByteReader& stream, const RecordHeader& header, const CellRecordFormat& format,
                    EarlierRecordState& earlier, Cells& cells, std::uint32_t& awaitingString) {
  if (IsCellRecord(header.type, format.version)) awaitingString = kNoCell;
  if (format.version != BiffVersion::kBiff8 &&
      ReadEarlierCellRecord(stream.rest().first(header.length), header.type, format, earlier,
                            cells, awaitingString))
    return;
  switch (header.type) {
    case kRecordLabelSst: {
      const std::span<const std::uint8_t> fields = stream.bytes(kCellFieldsSize + 4);
      CellData cell = MakeCell(CellKind::kSharedString, fields);
      cell.stringIndex = LoadU32le(fields, kCellFieldsSize);
      cells.Add(cell);
      break;
    }
    case kRecordNumber: {
      const std::span<const std::uint8_t> fields = stream.bytes(kCellFieldsSize + 8);
      const std::span<const std::uint8_t> value = fields.subspan(kCellFieldsSize);
      CellData cell = MakeCell(CellKind::kNumber, fields);
      cell.value = HasMarkerBytes(value) ? 0.0 : DoubleFromBytes(value);
      cells.Add(cell);
      break;
    }
    case kRecordRK: {
      const std::span<const std::uint8_t> fields = stream.bytes(kCellFieldsSize + 4);
      CellData cell = MakeCell(CellKind::kNumber, fields);
      cell.value = DecodeRK(LoadU32le(fields, kCellFieldsSize));
      cells.Add(cell);
      break;
    }
    case kRecordMulRK: {
      // rgrkrec holds (length - 6) / 6 pairs; the last column field after them
      // is not needed.
      const std::uint16_t row = stream.u16le();
      const std::uint16_t first = stream.u16le();
      const int count = (header.length - 6) / 6;
      for (int i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> rkRec = stream.bytes(6);
        cells.Add(NumberCell(row, first + static_cast<std::uint32_t>(i), LoadU16le(rkRec, 0),
                                  DecodeRK(LoadU32le(rkRec, 2))));
      }
      stream.u16le();
      break;
    }
    case kRecordBlank:
      cells.Add(MakeCell(CellKind::kBlank, stream.bytes(kCellFieldsSize)));
      break;
    case kRecordMulBlank: {
      const std::uint16_t row = stream.u16le();
      const std::uint16_t first = stream.u16le();
      const int count = (header.length - 6) / 2;
      for (int i = 0; i < count; ++i)
        cells.Add(
                MakeCell(CellKind::kBlank, row, first + static_cast<std::uint32_t>(i), stream.u16le()));
      stream.u16le();
      break;
    }
    case kRecordLabel:
    case kRecordRString: {
      // [MS-XLS] 2.4.148 Label, 2.4.221 RString: an XLUnicodeString after the
      // cell fields (an RString's formatting runs after it are not text).
      RecordSegments segments(stream, header);
      CellData cell = MakeCell(CellKind::kText, segments.current().bytes(kCellFieldsSize));
      cell.text = TextSpan{0, 0};
      cells.Add(cell);
      cells.SetText(cells.LastCell(),
                    [&](std::string& texts) { return ReadXLUnicodeString(segments, texts); });
      break;
    }
    case kRecordRow:
      ReadRow(stream.rest().first(header.length), false, cells);
      break;
    case kRecordColInfo:
      // BIFF2 has column widths of another record and no hidden columns.
      if (format.version != BiffVersion::kBiff2)
        ReadColInfo(stream.rest().first(header.length), cells);
      break;
    case kRecordBoolErr: {
      const std::span<const std::uint8_t> fields = stream.bytes(kCellFieldsSize + 2);
      cells.Add(BoolErrCell(MakeCell(CellKind::kBlank, fields), fields.subspan(kCellFieldsSize)));
      break;
    }
    case kRecordFormula:
      awaitingString = ReadFormula(stream, cells);
      break;
    case kRecordString:
      if (awaitingString != kNoCell) {
        // [MS-XLS] 2.4.268 String: the text of the FORMULA before it.
        RecordSegments segments(stream, header);
        cells.SetText(awaitingString,
                      [&](std::string& texts) { return ReadXLUnicodeString(segments, texts); });
      }
      awaitingString = kNoCell;
      break;
    default:
      break;
  }
}

// Reads the cell records from the cursor into `cells`, up to the worksheet's
// EOF record or the end of the stream. The records of embedded substreams are
// passed over. `afterRecord()` runs after each record; returning false ends
// the reading there, and then this returns false.
template <typename Cells, typename AfterRecord>
bool ReadCellRecords(ByteReader& stream, const CellRecordFormat& format, Cells& cells,
                     AfterRecord afterRecord) {
  std::uint32_t awaitingString = kNoCell;
  EarlierRecordState earlier;
  EmbeddedSubstreams substreams;
  RecordHeader header;
  while (ReadRecordHeader(stream, header)) {
    switch (substreams.Next(header.type, stream.rest().first(header.length))) {
      case EmbeddedSubstreams::Owner::kWorksheetEof:
        stream.seek(header.payloadEnd());
        return true;
      case EmbeddedSubstreams::Owner::kWorksheet:
        ReadWithinStream(
            [&] { ReadCellRecord(stream, header, format, earlier, cells, awaitingString); });
        break;
      case EmbeddedSubstreams::Owner::kEmbedded:
        break;
    }
    stream.seek(header.payloadEnd());
    if (!afterRecord()) return false;
  }
  return true;
}

}  // namespace

double DecodeRK(std::uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<std::int32_t>(rk) >> 2;
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  if (rk & 0x01) value /= 100;
  return value;
}

std::size_t ReadWorksheet(ByteReader& stream, WorksheetData& sheet,
                          const CellRecordFormat& format) {
  const std::size_t start = stream.position();
  SheetCells cells{sheet};
  ReadCellRecords(stream, format, cells, [] { return true; });
  return stream.position() - start;
}

std::optional<std::size_t> StreamWorksheetRows(ByteReader& stream, StreamedCellSink& sink,
                                               const CellRecordFormat& format) {
  const std::size_t start = stream.position();
  StreamedCells cells(sink);
  if (!ReadCellRecords(stream, format, cells, [&] { return cells.InOrder(); }))
    return std::nullopt;
  return stream.position() - start;
}

}  // namespace tabulox
