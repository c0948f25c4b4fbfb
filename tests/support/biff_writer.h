// A small BIFF8 record writer for tests: builds a workbook stream record by
// record, so that a test shows which bytes matter. [MS-XLS] 2.1.4 framing.
//
//   BiffWriter w;
//   w.Bof(kBofGlobals);
//   const auto sheet = w.BoundSheet(u"Sheet1");
//   w.Sst({u"text"});
//   w.Eof();
//   w.StartSheet(sheet);          // points the BOUNDSHEET here, writes the BOF
//   w.LabelSst(0, 0, 0, 0);
//   w.Eof();
//   std::span<const std::uint8_t> stream = w.bytes();
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox::testing {

// BOF substream types, [MS-XLS] 2.4.21.
inline constexpr std::uint16_t kBofGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofChart = 0x0020;
// BOF version of BIFF8, and of BIFF5 and BIFF7.
inline constexpr std::uint16_t kBiff8 = 0x0600;
inline constexpr std::uint16_t kBiff5 = 0x0500;

// Little-endian payload bytes.
class Bytes {
 public:
  Bytes& u8(std::uint32_t v);
  Bytes& u16(std::uint32_t v);
  Bytes& u32(std::uint32_t v);
  Bytes& f64(double v);
  Bytes& raw(std::span<const std::uint8_t> bytes);
  // Each code unit as one byte (its low byte), or as two bytes when `wide`.
  Bytes& chars(std::u16string_view text, bool wide);

  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

// A record that goes on in CONTINUE records: its payload is a list of
// segments, the first for the record itself, each further one for a CONTINUE
// record. Cut() starts the next segment.
class ContinuedRecord {
 public:
  explicit ContinuedRecord(std::uint16_t type) : type_(type), segments_(1) {}

  Bytes& bytes() { return segments_.back(); }
  ContinuedRecord& Cut() {
    segments_.emplace_back();
    return *this;
  }
  // A cut inside a string's characters: the next segment starts with the flag
  // byte that gives the width of the characters after it.
  ContinuedRecord& CutChars(bool wide) {
    Cut().bytes().u8(wide ? 1 : 0);
    return *this;
  }

  std::uint16_t type() const { return type_; }
  const std::vector<Bytes>& segments() const { return segments_; }

 private:
  std::uint16_t type_;
  std::vector<Bytes> segments_;
};

// One SST string, [MS-XLS] 2.5.293: header, characters, then `runs` formatting
// runs and a phonetic block of `phoneticBytes` bytes (filled with 0xEE).
struct SstString {
  std::u16string text;
  bool wide = false;
  std::uint16_t runs = 0;
  std::uint32_t phoneticBytes = 0;
};

// Appends a whole SST string to the current segment of `sst`.
void AppendSstString(ContinuedRecord& sst, const SstString& s);
// Appends only the string header (count, options, run count, phonetic size).
void AppendSstStringHeader(ContinuedRecord& sst, const SstString& s);
// An SST record with its two counts (total uses, string count) written.
ContinuedRecord SstRecord(std::uint32_t totalCount, std::uint32_t stringCount);

class BiffWriter {
 public:
  // Appends a record with the payload's length in its header.
  void Record(std::uint16_t type, std::span<const std::uint8_t> payload);
  void Record(std::uint16_t type, const Bytes& payload) { Record(type, payload.data()); }
  // Appends a record whose header states `length`, whatever the payload.
  void RecordWithLength(std::uint16_t type, std::uint16_t length, const Bytes& payload);
  // Appends the record and one CONTINUE record per further segment.
  void Record(const ContinuedRecord& record);
  // Appends bytes as they are, outside any record.
  void Raw(std::span<const std::uint8_t> bytes);

  void Bof(std::uint16_t substreamType, std::uint16_t version = kBiff8);  // 16 bytes
  void Eof();
  // Appends a BOUNDSHEET record whose sheet offset is 0 for now; returns a
  // handle for StartSheet or SetSheetOffset. Names take 16-bit characters when
  // any code unit is above 0xFF.
  std::size_t BoundSheet(std::u16string_view name, std::uint8_t sheetType = 0,
                         std::uint8_t visibility = 0);
  void SetSheetOffset(std::size_t handle, std::uint32_t offset);
  // Points the BOUNDSHEET here and writes a worksheet BOF.
  void StartSheet(std::size_t handle);

  // An SST holding `strings` without cuts; the counts are the string count.
  void Sst(std::initializer_list<std::u16string_view> strings);
  // FILEPASS of BIFF8 RC4 encryption whose verifier no password matches. Read
  // as BIFF5's, its first four bytes are an XOR key and verifier of 1.
  void FilePass();
  void DateMode(std::uint16_t mode);
  // FORMAT with 8-bit characters when every code unit fits, else 16-bit.
  void Format(std::uint16_t formatIndex, std::u16string_view code);
  // XF of 20 bytes with the given format index, the rest zero.
  void XF(std::uint16_t formatIndex);

  void LabelSst(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                std::uint32_t stringIndex);
  void Number(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value);
  void RK(std::uint16_t row, std::uint16_t column, std::uint16_t xf, std::uint32_t rk);
  // MULRK with one (XF, RK number) pair per cell from `firstColumn` on.
  void MulRK(std::uint16_t row, std::uint16_t firstColumn,
             std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> cells);
  void Blank(std::uint16_t row, std::uint16_t column, std::uint16_t xf);
  void MulBlank(std::uint16_t row, std::uint16_t firstColumn,
                std::initializer_list<std::uint16_t> xfs);
  // FORMULA with the 8 result bytes given, and a 3-byte formula (a reference).
  void Formula(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
               std::span<const std::uint8_t, 8> result);
  void FormulaNumber(std::uint16_t row, std::uint16_t column, double value);
  // A result with the 0xFFFF marker: type 0 string, 1 boolean, 2 error, 3 empty.
  void FormulaSpecial(std::uint16_t row, std::uint16_t column, std::uint8_t type,
                      std::uint8_t value);
  // STRING with 8-bit characters when every code unit fits, else 16-bit.
  void String(std::u16string_view text);
  // LABEL ([MS-XLS] 2.4.148) with 8-bit characters when every code unit fits,
  // else 16-bit; RSTRING (2.4.221) the same with `runs` formatting runs after
  // the string.
  void Label(std::uint16_t row, std::uint16_t column, std::u16string_view text);
  void RString(std::uint16_t row, std::uint16_t column, std::u16string_view text,
               std::uint16_t runs);
  // BOOLERR ([MS-XLS] 2.4.24): a boolean (`isError` false) or an error code.
  void BoolErr(std::uint16_t row, std::uint16_t column, std::uint8_t value, bool isError);
  // ROW (16 bytes, BIFF3 to BIFF8) of `row`, its fDyZero flag set when `hidden`.
  void Row(std::uint16_t row, bool hidden);
  // COLINFO (BIFF3 to BIFF8) of the columns first to last, option bit 0 set
  // when `hidden`.
  void ColInfo(std::uint16_t first, std::uint16_t last, bool hidden);

  std::size_t size() const { return data_.size(); }
  std::span<const std::uint8_t> bytes() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

// 8-bit characters fit when every code unit is below 0x100.
bool FitsIn8Bit(std::u16string_view text);

}  // namespace tabulox::testing
