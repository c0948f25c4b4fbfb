#include "support/earlier_biff_writer.h"

namespace tabulox::testing {
namespace {

Bytes& Text(Bytes& b, std::string_view text) {
  for (const char c : text) b.u8(static_cast<unsigned char>(c));
  return b;
}

// An 8-bit string with a one-byte length.
Bytes& ShortText(Bytes& b, std::string_view text) {
  return Text(b.u8(static_cast<std::uint32_t>(text.size())), text);
}

Bytes Biff2Cell(std::uint16_t row, std::uint16_t column, Biff2Attributes a) {
  Bytes b;
  b.u16(row).u16(column).u8(a.xf & 0x3F).u8(a.format & 0x3F).u8(0);
  return b;
}

const std::uint8_t kStringResult[8] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

}  // namespace

void EarlierBiffWriter::Bof2(std::uint16_t substreamType) {
  Bytes b;
  b.u16(0x0002).u16(substreamType);
  Record(0x0009, b);
}

void EarlierBiffWriter::Bof3(std::uint16_t substreamType) {
  Bytes b;
  b.u16(0x0003).u16(substreamType).u16(0);
  Record(0x0209, b);
}

void EarlierBiffWriter::Bof4(std::uint16_t substreamType) {
  Bytes b;
  b.u16(0x0004).u16(substreamType).u16(0);
  Record(0x0409, b);
}

void EarlierBiffWriter::Bof5(std::uint16_t substreamType) {
  Bytes b;
  b.u16(kBiff5).u16(substreamType).u16(0x0DBB).u16(0x07CC);
  Record(0x0809, b);
}

void EarlierBiffWriter::CodePage(std::uint16_t codePage) {
  Bytes b;
  b.u16(codePage);
  Record(0x0042, b);
}

std::size_t EarlierBiffWriter::BoundSheet5(std::string_view name, std::uint8_t sheetType,
                                          std::uint8_t visibility) {
  Bytes b;
  b.u32(0).u8(visibility).u8(sheetType);
  ShortText(b, name);
  const std::size_t handle = size() + 4;
  Record(0x0085, b);
  return handle;
}

void EarlierBiffWriter::StartSheet5(std::size_t handle) {
  SetSheetOffset(handle, static_cast<std::uint32_t>(size()));
  Bof5(kBofWorksheet);
}

void EarlierBiffWriter::BoundSheet4(std::string_view name) {
  Bytes b;
  Record(0x0085, ShortText(b, name));
}

void EarlierBiffWriter::StartSheet4(std::string_view name) {
  Bytes b;
  b.u32(0);  // the sheet's length, not looked at
  Record(0x008F, ShortText(b, name));
  Bof4(kBofWorksheet);
}

void EarlierBiffWriter::Format2(std::string_view code) {
  Bytes b;
  Record(0x001E, ShortText(b, code));
}

void EarlierBiffWriter::Format4(std::string_view code) {
  Bytes b;
  b.u16(0);
  Record(0x041E, ShortText(b, code));
}

void EarlierBiffWriter::Format5(std::uint16_t formatIndex, std::string_view code) {
  Bytes b;
  b.u16(formatIndex);
  Record(0x041E, ShortText(b, code));
}

void EarlierBiffWriter::XF2(std::uint8_t formatIndex) {
  Bytes b;
  b.u8(0).u8(0).u8(formatIndex & 0x3F).u8(0);
  Record(0x0043, b);
}

void EarlierBiffWriter::XF3(std::uint8_t formatIndex) {
  Bytes b;
  b.u8(0).u8(formatIndex);
  for (int i = 0; i < 10; ++i) b.u8(0);
  Record(0x0243, b);
}

void EarlierBiffWriter::XF4(std::uint8_t formatIndex) {
  Bytes b;
  b.u8(0).u8(formatIndex);
  for (int i = 0; i < 10; ++i) b.u8(0);
  Record(0x0443, b);
}

void EarlierBiffWriter::XF5(std::uint16_t formatIndex) {
  Bytes b;
  b.u16(0).u16(formatIndex);
  for (int i = 0; i < 12; ++i) b.u8(0);
  Record(0x00E0, b);
}

void EarlierBiffWriter::Label5(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                               std::string_view text) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).u16(static_cast<std::uint32_t>(text.size()));
  Record(0x0204, Text(b, text));
}

void EarlierBiffWriter::RString5(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                                 std::string_view text, std::uint16_t runs) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).u16(static_cast<std::uint32_t>(text.size()));
  Text(b, text).u8(runs);
  for (std::uint16_t i = 0; i < runs; ++i) b.u8(i).u8(1);  // first character, font index
  Record(0x00D6, b);
}

void EarlierBiffWriter::String5(std::string_view text) {
  Bytes b;
  b.u16(static_cast<std::uint32_t>(text.size()));
  Record(0x0207, Text(b, text));
}

void EarlierBiffWriter::FormulaString34(std::uint16_t type, std::uint16_t row,
                                        std::uint16_t column, std::uint16_t xf) {
  Bytes b;
  b.u16(row).u16(column).u16(xf).raw(kStringResult).u16(0);
  b.u16(3).u8(0x44).u16(0);  // a reference, never evaluated
  Record(type, b);
}

void EarlierBiffWriter::Row2(std::uint16_t row, std::uint16_t height) {
  Bytes b;
  b.u16(row).u16(0).u16(10).u16(height).u16(0).u8(0).u16(0);
  Record(0x0008, b);
}

void EarlierBiffWriter::Blank2(std::uint16_t row, std::uint16_t column, Biff2Attributes a) {
  Record(0x0001, Biff2Cell(row, column, a));
}

void EarlierBiffWriter::Integer2(std::uint16_t row, std::uint16_t column, Biff2Attributes a,
                                 std::uint16_t value) {
  Bytes b = Biff2Cell(row, column, a);
  Record(0x0002, b.u16(value));
}

void EarlierBiffWriter::Number2(std::uint16_t row, std::uint16_t column, Biff2Attributes a,
                                double value) {
  Bytes b = Biff2Cell(row, column, a);
  Record(0x0003, b.f64(value));
}

void EarlierBiffWriter::Label2(std::uint16_t row, std::uint16_t column, Biff2Attributes a,
                               std::string_view text) {
  Bytes b = Biff2Cell(row, column, a);
  Record(0x0004, ShortText(b, text));
}

void EarlierBiffWriter::BoolErr2(std::uint16_t row, std::uint16_t column, Biff2Attributes a,
                                 std::uint8_t value, bool isError) {
  Bytes b = Biff2Cell(row, column, a);
  Record(0x0005, b.u8(value).u8(isError ? 1 : 0));
}

void EarlierBiffWriter::FormulaNumber2(std::uint16_t row, std::uint16_t column,
                                       Biff2Attributes a, double value) {
  Bytes b = Biff2Cell(row, column, a);
  b.f64(value).u8(0).u8(3).u8(0x44).u16(0);
  Record(0x0006, b);
}

void EarlierBiffWriter::FormulaString2(std::uint16_t row, std::uint16_t column,
                                       Biff2Attributes a) {
  Bytes b = Biff2Cell(row, column, a);
  b.raw(kStringResult).u8(0).u8(3).u8(0x44).u16(0);
  Record(0x0006, b);
}

void EarlierBiffWriter::String2(std::string_view text) {
  Bytes b;
  Record(0x0007, ShortText(b, text));
}

void EarlierBiffWriter::Ixfe2(std::uint16_t xf) {
  Bytes b;
  Record(0x0044, b.u16(xf));
}

}  // namespace tabulox::testing
