// FORMAT and XF records of BIFF2 to BIFF7, read into the same FormatRecord and
// XfEntry as BIFF8's, so that their cells go through the same style table.
//
//   FORMAT  BIFF2, BIFF3: 0x001E, the code as an 8-bit string with a one-byte
//           length; its index is its position among the FORMAT records
//           (BIFF4 and BIFF5 writers use this record too, with that layout).
//           BIFF4: 0x041E, two bytes writers leave 0, then the code as in
//           BIFF3; its index is its position as well. BIFF5, BIFF7: 0x041E,
//           the index, then the code as in BIFF3.
//   XF      BIFF2: 0x0043, the format index in bits 0-5 of the third byte.
//           BIFF3: 0x0243, BIFF4: 0x0443, the format index in the second
//           byte. BIFF5, BIFF7: 0x00E0, the format index in bytes 2-3, as in
//           BIFF8.
#pragma once

#include <cstdint>
#include <span>

#include "xls/biff_version.h"
#include "xls/code_page_strings.h"
#include "xls/style_table.h"

namespace tabulox {

// Whether `type` is the FORMAT or the XF record of `version`.
bool IsFormatRecord(BiffVersion version, std::uint16_t type);
bool IsXFRecord(BiffVersion version, std::uint16_t type);

// Reads the payload of a FORMAT record of `type` in a stream of `version`;
// `position` is the number of FORMAT records before it, the index of layouts
// that store none. False, filling nothing, when the payload is too short for
// its fields; a code cut off by the end of the payload keeps the characters
// present.
bool ReadEarlierFormat(std::span<const std::uint8_t> payload, std::uint16_t type,
                       BiffVersion version, std::uint16_t position,
                       const CodePageStrings& strings, FormatRecord& format);

// Reads the XF record payload of `version`. False when it is too short to hold
// the format index.
bool ReadEarlierXF(std::span<const std::uint8_t> payload, BiffVersion version, XfEntry& xf);

}  // namespace tabulox
