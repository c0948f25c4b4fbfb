#include "support/biff_writer.h"

#include <cstring>
#include <stdexcept>

namespace tabulox::testing {

Bytes& Bytes::u8(std::uint32_t v) {
  data_.push_back(static_cast<std::uint8_t>(v));
  return *this;
}

Bytes& Bytes::u16(std::uint32_t v) { return u8(v).u8(v >> 8); }

Bytes& Bytes::u32(std::uint32_t v) { return u16(v).u16(v >> 16); }

Bytes& Bytes::f64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return u32(static_cast<std::uint32_t>(bits)).u32(static_cast<std::uint32_t>(bits >> 32));
}

Bytes& Bytes::raw(std::span<const std::uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes& Bytes::chars(std::u16string_view text, bool wide) {
  for (const char16_t unit : text) wide ? u16(unit) : u8(unit);
  return *this;
}

bool FitsIn8Bit(std::u16string_view text) {
  for (const char16_t unit : text)
    if (unit > 0xFF) return false;
  return true;
}

void AppendSstStringHeader(ContinuedRecord& sst, const SstString& s) {
  std::uint8_t options = s.wide ? 0x01 : 0x00;
  if (s.phoneticBytes > 0) options |= 0x04;
  if (s.runs > 0) options |= 0x08;
  Bytes& b = sst.bytes();
  b.u16(static_cast<std::uint32_t>(s.text.size())).u8(options);
  if (s.runs > 0) b.u16(s.runs);
  if (s.phoneticBytes > 0) b.u32(s.phoneticBytes);
}

void AppendSstString(ContinuedRecord& sst, const SstString& s) {
  AppendSstStringHeader(sst, s);
  Bytes& b = sst.bytes();
  b.chars(s.text, s.wide);
  for (std::uint16_t i = 0; i < s.runs; ++i) b.u16(i).u16(1);
  for (std::uint32_t i = 0; i < s.phoneticBytes; ++i) b.u8(0xEE);
}

ContinuedRecord SstRecord(std::uint32_t totalCount, std::uint32_t stringCount) {
  ContinuedRecord sst(0x00FC);
  sst.bytes().u32(totalCount).u32(stringCount);
  return sst;
}

void BiffWriter::Raw(std::span<const std::uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
}

void BiffWriter::RecordWithLength(std::uint16_t type, std::uint16_t length, const Bytes& payload) {
  Bytes header;
  header.u16(type).u16(length);
  Raw(header.data());
  Raw(payload.data());
}

void BiffWriter::Record(std::uint16_t type, std::span<const std::uint8_t> payload) {
  if (payload.size() > 0xFFFF) throw std::length_error("record payload over 65535 bytes");
  Bytes header;
  header.u16(type).u16(static_cast<std::uint32_t>(payload.size()));
  Raw(header.data());
  Raw(payload);
}

void BiffWriter::Record(const ContinuedRecord& record) {
  const auto& segments = record.segments();
  Record(record.type(), segments.front());
  for (std::size_t i = 1; i < segments.size(); ++i) Record(0x003C, segments[i]);
}

void BiffWriter::Bof(std::uint16_t substreamType, std::uint16_t version) {
  Bytes b;
  b.u16(version).u16(substreamType).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x0206);
  Record(0x0809, b);
}

void BiffWriter::Eof() { Record(0x000A, Bytes{}); }

std::size_t BiffWriter::BoundSheet(std::u16string_view name, std::uint8_t sheetType,
                                   std::uint8_t visibility) {
  const bool wide = !FitsIn8Bit(name);
  Bytes b;
  b.u32(0)
      .u8(visibility)
      .u8(sheetType)
      .u8(static_cast<std::uint32_t>(name.size()))
      .u8(wide ? 1 : 0);
  b.chars(name, wide);
  const std::size_t handle = data_.size() + 4;
  Record(0x0085, b);
  return handle;
}

void BiffWriter::SetSheetOffset(std::size_t handle, std::uint32_t offset) {
  for (int i = 0; i < 4; ++i)
    data_.at(handle + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(offset >> (8 * i));
}

void BiffWriter::StartSheet(std::size_t handle) {
  SetSheetOffset(handle, static_cast<std::uint32_t>(data_.size()));
  Bof(kBofWorksheet);
}

void BiffWriter::Sst(std::initializer_list<std::u16string_view> strings) {
  const auto count = static_cast<std::uint32_t>(strings.size());
  ContinuedRecord sst = SstRecord(count, count);
  for (std::u16string_view s : strings)
    AppendSstString(sst, SstString{std::u16string(s), !FitsIn8Bit(s)});
  Record(sst);
}

void BiffWriter::FilePass() {
  Bytes b;
  b.u16(1).u16(1).u16(1);  // RC4, version 1.1
  for (int i = 0; i < 48; ++i) b.u8(0);  // salt, verifier and its hash: no password's
  Record(0x002F, b);
}

void BiffWriter::DateMode(std::uint16_t mode) {
  Bytes b;
  b.u16(mode);
  Record(0x0022, b);
}

void BiffWriter::Format(std::uint16_t formatIndex, std::u16string_view code) {
  const bool wide = !FitsIn8Bit(code);
  Bytes b;
  b.u16(formatIndex)
      .u16(static_cast<std::uint32_t>(code.size()))
      .u8(wide ? 1 : 0)
      .chars(code, wide);
  Record(0x041E, b);
}

void BiffWriter::XF(std::uint16_t formatIndex) {
  Bytes b;
  b.u16(0).u16(formatIndex);
  for (int i = 0; i < 16; ++i) b.u8(0);
  Record(0x00E0, b);
}

void BiffWriter::LabelSst(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                          std::uint32_t stringIndex) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).u32(stringIndex);
  Record(0x00FD, b);
}

void BiffWriter::Number(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).f64(value);
  Record(0x0203, b);
}

void BiffWriter::RK(std::uint16_t row, std::uint16_t column, std::uint16_t xf, std::uint32_t rk) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).u32(rk);
  Record(0x027E, b);
}

void BiffWriter::MulRK(std::uint16_t row, std::uint16_t firstColumn,
                       std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> cells) {
  Bytes b;
  b.u16(row).u16(firstColumn);
  for (const auto& [xf, rk] : cells) b.u16(xf).u32(rk);
  b.u16(static_cast<std::uint32_t>(firstColumn + cells.size() - 1));
  Record(0x00BD, b);
}

void BiffWriter::Blank(std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
  Bytes b;
  b.u16(row).u16(column).u16(xf);
  Record(0x0201, b);
}

void BiffWriter::MulBlank(std::uint16_t row, std::uint16_t firstColumn,
                          std::initializer_list<std::uint16_t> xfs) {
  Bytes b;
  b.u16(row).u16(firstColumn);
  for (const std::uint16_t xf : xfs) b.u16(xf);
  b.u16(static_cast<std::uint32_t>(firstColumn + xfs.size() - 1));
  Record(0x00BE, b);
}

void BiffWriter::Formula(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                         std::span<const std::uint8_t, 8> result) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).raw(result).u16(0).u32(0);
  b.u16(3).u8(0x44).u16(0).u8(0);  // ptgRefN-like reference, never evaluated
  Record(0x0006, b);
}

void BiffWriter::FormulaNumber(std::uint16_t row, std::uint16_t column, double value) {
  Bytes v;
  v.f64(value);
  std::uint8_t result[8];
  std::memcpy(result, v.data().data(), 8);
  Formula(row, column, 0, result);
}

void BiffWriter::FormulaSpecial(std::uint16_t row, std::uint16_t column, std::uint8_t type,
                                std::uint8_t value) {
  const std::uint8_t result[8] = {type, 0, value, 0, 0, 0, 0xFF, 0xFF};
  Formula(row, column, 0, result);
}

void BiffWriter::String(std::u16string_view text) {
  const bool wide = !FitsIn8Bit(text);
  Bytes b;
  b.u16(static_cast<std::uint32_t>(text.size())).u8(wide ? 1 : 0).chars(text, wide);
  Record(0x0207, b);
}

namespace {

// The cell fields and an XLUnicodeString.
Bytes CellWithString(std::uint16_t row, std::uint16_t column, std::u16string_view text) {
  const bool wide = !FitsIn8Bit(text);
  Bytes b;
  b.u16(row).u16(column).u16(0);
  b.u16(static_cast<std::uint32_t>(text.size())).u8(wide ? 1 : 0).chars(text, wide);
  return b;
}

}  // namespace

void BiffWriter::Label(std::uint16_t row, std::uint16_t column, std::u16string_view text) {
  Record(0x0204, CellWithString(row, column, text));
}

void BiffWriter::RString(std::uint16_t row, std::uint16_t column, std::u16string_view text,
                         std::uint16_t runs) {
  Bytes b = CellWithString(row, column, text);
  b.u16(runs);
  for (std::uint16_t i = 0; i < runs; ++i) b.u16(i).u16(1);  // first character, font index
  Record(0x00D6, b);
}

void BiffWriter::BoolErr(std::uint16_t row, std::uint16_t column, std::uint8_t value,
                         bool isError) {
  Bytes b;
  b.u16(row).u16(column).u16(0).u8(value).u8(isError ? 1 : 0);
  Record(0x0205, b);
}

void BiffWriter::Row(std::uint16_t row, bool hidden) {
  Bytes b;
  b.u16(row).u16(0).u16(10).u16(255).u16(0).u16(0).u16(hidden ? 0x0120 : 0x0100).u16(0x000F);
  Record(0x0208, b);
}

void BiffWriter::ColInfo(std::uint16_t first, std::uint16_t last, bool hidden) {
  Bytes b;
  b.u16(first).u16(last).u16(2340).u16(15).u16(hidden ? 1 : 0).u16(0);
  Record(0x007D, b);
}

}  // namespace tabulox::testing
