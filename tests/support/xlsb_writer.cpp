#include "support/xlsb_writer.h"

#include <cstring>

#include "support/zip_writer.h"

namespace tabulox::testing::xlsb {
namespace {

std::string SheetPart(const std::string& records, const std::string& trailer) {
  return Record(129) + Record(145) + records + Record(146) + trailer + Record(130);
}

constexpr std::string_view kRelationshipsStart =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
constexpr std::string_view kTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Relationship(std::string_view id, std::string_view kind, std::string_view target) {
  return "<Relationship Id=\"" + std::string(id) + "\" Type=\"" + std::string(kTypes) +
         std::string(kind) + "\" Target=\"" + std::string(target) + "\"/>";
}

}  // namespace

Payload& Payload::u8(std::uint32_t v) {
  bytes_.push_back(static_cast<char>(v & 0xFF));
  return *this;
}

Payload& Payload::f64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return u32(static_cast<std::uint32_t>(bits)).u32(static_cast<std::uint32_t>(bits >> 32));
}

Payload& Payload::wide(std::string_view text) {
  u32(static_cast<std::uint32_t>(text.size()));
  for (const char c : text) u16(static_cast<unsigned char>(c));
  return *this;
}

Payload& Payload::raw(std::string_view bytes) {
  bytes_ += bytes;
  return *this;
}

std::string Record(std::uint32_t type, const Payload& payload) {
  std::string out;
  do {
    out.push_back(static_cast<char>((type & 0x7F) | (type > 0x7F ? 0x80 : 0)));
    type >>= 7;
  } while (type != 0);
  std::uint32_t size = static_cast<std::uint32_t>(payload.bytes().size());
  do {
    out.push_back(static_cast<char>((size & 0x7F) | (size > 0x7F ? 0x80 : 0)));
    size >>= 7;
  } while (size != 0);
  return out + payload.bytes();
}

std::string Row(std::uint32_t row, bool hidden) {
  return Record(0, Payload().u32(row).u32(0).u16(300).u8(0).u8(hidden ? 0x10 : 0).u8(0).u32(0));
}

std::string Columns(std::uint32_t first, std::uint32_t last, bool hidden) {
  return Record(60, Payload().u32(first).u32(last).u32(2560).u32(0).u16(hidden ? 1 : 0));
}

std::string SharedStringsPart(const std::vector<std::string>& strings) {
  std::string part = Record(159, Payload().u32(0).u32(static_cast<std::uint32_t>(strings.size())));
  for (const std::string& s : strings) part += Record(19, Payload().u8(0).wide(s));
  return part + Record(160);
}

std::string StylesPart(const std::vector<std::pair<std::uint16_t, std::string>>& formats,
                       const std::vector<std::uint16_t>& cellFormats) {
  std::string part = Record(615, Payload().u32(static_cast<std::uint32_t>(formats.size())));
  for (const auto& [id, code] : formats) part += Record(44, Payload().u16(id).wide(code));
  part += Record(616);
  // A cell-style XF first, which the cellXfs list does not count.
  part += Record(626) + Record(47, Payload().u16(0xFFFF).u16(49).raw(std::string(12, '\0'))) +
          Record(627);
  part += Record(617);
  for (const std::uint16_t format : cellFormats)
    part += Record(47, Payload().u16(0).u16(format).raw(std::string(12, '\0')));
  return part + Record(618);
}

std::string Package(const Book& book) {
  std::string workbook = Record(131) +
                         Record(153, Payload().u32(book.date1904 ? 1 : 0).u32(0).u32(0).wide("")) +
                         Record(143);
  std::string rels = std::string(kRelationshipsStart);
  std::vector<ZipEntry> entries = {
      {"[Content_Types].xml", "<Types/>"},
      {"_rels/.rels", std::string(kRelationshipsStart) +
                          Relationship("rId1", "officeDocument", "xl/workbook.bin") +
                          "</Relationships>"},
  };
  for (std::size_t i = 0; i < book.sheets.size(); ++i) {
    const std::string id = "rId" + std::to_string(i + 1);
    const std::string part = "worksheets/sheet" + std::to_string(i + 1) + ".bin";
    workbook += Record(156, Payload()
                                .u32(book.sheets[i].state)
                                .u32(static_cast<std::uint32_t>(i + 1))
                                .wide(id)
                                .wide(book.sheets[i].name));
    rels += Relationship(id, "worksheet", part);
    entries.emplace_back("xl/" + part, SheetPart(book.sheets[i].records, book.sheets[i].trailer));
  }
  workbook += Record(144) + Record(132);
  rels += Relationship("rIdS", "sharedStrings", "sharedStrings.bin") +
          Relationship("rIdT", "styles", "styles.bin") + "</Relationships>";
  entries.emplace_back("xl/workbook.bin", workbook);
  entries.emplace_back("xl/_rels/workbook.bin.rels", rels);
  entries.emplace_back("xl/sharedStrings.bin",
                       book.stringsPart.empty() ? SharedStringsPart(book.strings) : book.stringsPart);
  entries.emplace_back("xl/styles.bin", StylesPart(book.formats, book.cellFormats));
  return WriteZip(entries);
}

}  // namespace tabulox::testing::xlsb
