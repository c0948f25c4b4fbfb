// Records of BIFF2 to BIFF7 for tests, on top of BiffWriter (whose NUMBER,
// RK, MULRK, BLANK, MULBLANK, BOOLERR and FORMULA records BIFF5 and BIFF7
// share, and whose NUMBER, RK, BLANK and BOOLERR BIFF3 and BIFF4 share).
// Strings are given as the bytes the workbook's code page stores.
//
//   EarlierBiffWriter w;             // a BIFF2 worksheet file
//   w.Bof2(kBofWorksheet);
//   w.Format2("0.00");
//   w.Integer2(0, 0, Biff2Attributes{}, 7);
//   w.Eof();
#pragma once

#include <cstdint>
#include <string_view>

#include "support/biff_writer.h"

namespace tabulox::testing {

// BOF substream type of a BIFF4 workbook's globals.
inline constexpr std::uint16_t kBofBiff4Workbook = 0x0100;

// The three bytes of BIFF2 cell attributes: the XF index (bits 0-5 of the
// first byte; 63 refers to the last IXFE record) and the format index (bits
// 0-5 of the second).
struct Biff2Attributes {
  std::uint8_t xf = 0;
  std::uint8_t format = 0;
};

class EarlierBiffWriter : public BiffWriter {
 public:
  // BOF records of BIFF2 (0x0009), BIFF3 (0x0209), BIFF4 (0x0409) and BIFF5
  // (0x0809, version 0x0500).
  void Bof2(std::uint16_t substreamType);
  void Bof3(std::uint16_t substreamType);
  void Bof4(std::uint16_t substreamType);
  void Bof5(std::uint16_t substreamType);
  void CodePage(std::uint16_t codePage);

  // BIFF5 BOUNDSHEET (offset, visibility, type, 8-bit name); a handle for
  // StartSheet5.
  std::size_t BoundSheet5(std::string_view name, std::uint8_t sheetType = 0,
                          std::uint8_t visibility = 0);
  // Points the BOUNDSHEET here and writes a BIFF5 worksheet BOF.
  void StartSheet5(std::size_t handle);
  // A BIFF4 workbook's BOUNDSHEET (the name alone), and the SHEETHDR that
  // opens a sheet, followed by its BIFF4 worksheet BOF.
  void BoundSheet4(std::string_view name);
  void StartSheet4(std::string_view name);

  // FORMAT: BIFF2/BIFF3 (0x001E, the code), BIFF4 (0x041E, two unused bytes
  // and the code), BIFF5 (0x041E, the index and the code).
  void Format2(std::string_view code);
  void Format4(std::string_view code);
  void Format5(std::uint16_t formatIndex, std::string_view code);
  // XF records of each version with the given format index, the rest zero.
  void XF2(std::uint8_t formatIndex);
  void XF3(std::uint8_t formatIndex);
  void XF4(std::uint8_t formatIndex);
  void XF5(std::uint16_t formatIndex);

  // LABEL and RSTRING of BIFF3 to BIFF7 (a 16-bit byte count, the bytes), and
  // STRING after a FORMULA.
  void Label5(std::uint16_t row, std::uint16_t column, std::uint16_t xf, std::string_view text);
  void RString5(std::uint16_t row, std::uint16_t column, std::uint16_t xf, std::string_view text,
                std::uint16_t runs);
  void String5(std::string_view text);
  // FORMULA of BIFF3 (0x0206) and BIFF4 (0x0406) with a string result.
  void FormulaString34(std::uint16_t type, std::uint16_t row, std::uint16_t column,
                       std::uint16_t xf);

  // BIFF2 cell records.
  void Blank2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes);
  void Integer2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes,
                std::uint16_t value);
  void Number2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes, double value);
  void Label2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes,
              std::string_view text);
  void BoolErr2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes,
                std::uint8_t value, bool isError);
  // FORMULA with the result bytes of a number, or the string marker.
  void FormulaNumber2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes,
                      double value);
  void FormulaString2(std::uint16_t row, std::uint16_t column, Biff2Attributes attributes);
  void String2(std::string_view text);
  void Ixfe2(std::uint16_t xf);
  // BIFF2 ROW (0x0008) of `row` with the height field as given (0: hidden;
  // bit 15: the default height).
  void Row2(std::uint16_t row, std::uint16_t height);
};

}  // namespace tabulox::testing
