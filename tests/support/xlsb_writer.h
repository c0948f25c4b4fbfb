// A small writer of binary workbook packages (.xlsb) for tests: records with
// their variable-length type and size, the few record kinds a reader needs
// (rows, cells, column information, shared strings, number and cell formats,
// sheets), and a package holding a workbook's parts.
//
//   Book book;
//   book.sheets = {{"Data", Row(0) + Record(5, Cell(0).f64(1.5))}};
//   std::string xlsb = Package(book);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulox::testing::xlsb {

// Little-endian fields of one record's payload.
class Payload {
 public:
  Payload& u8(std::uint32_t v);
  Payload& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
  Payload& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
  Payload& f64(double v);
  // An XLWideString of ASCII text.
  Payload& wide(std::string_view text);
  Payload& raw(std::string_view bytes);
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A record: its type and size 7 bits to a byte, then the payload.
std::string Record(std::uint32_t type, const Payload& payload = {});

// BrtRowHdr of 0-based row `row`; fDyZero when `hidden`.
std::string Row(std::uint32_t row, bool hidden = false);

// The Cell fields of a cell record: column, then the cell format index
// (24 bits) and a flags byte. Short records leave the column out.
inline Payload Cell(std::uint32_t column, std::uint32_t xf = 0) { return Payload().u32(column).u32(xf); }
inline Payload ShortCell(std::uint32_t xf = 0) { return Payload().u32(xf); }

// BrtColInfo for columns first to last, hidden or not.
std::string Columns(std::uint32_t first, std::uint32_t last, bool hidden);

std::string SharedStringsPart(const std::vector<std::string>& strings);

// A styles part: number formats (id, code) and the cellXfs list's format ids.
std::string StylesPart(const std::vector<std::pair<std::uint16_t, std::string>>& formats,
                       const std::vector<std::uint16_t>& cellFormats);

struct Sheet {
  std::string name;
  std::string records;  // the records inside sheetData, and BrtColInfo ones before it
  std::uint32_t state = 0;  // 0 visible, 1 hidden, 2 very hidden
  std::string trailer = {};  // records after sheetData
};

struct Book {
  std::vector<Sheet> sheets;
  std::vector<std::string> strings;
  std::vector<std::pair<std::uint16_t, std::string>> formats;
  std::vector<std::uint16_t> cellFormats;
  bool date1904 = false;
  std::string stringsPart;  // the shared-strings part as given, when not empty
};

// The package of a book: workbook, sheets, shared strings and styles with
// their relationships.
std::string Package(const Book& book);

}  // namespace tabulox::testing::xlsb
