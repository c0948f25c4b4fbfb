// The BIFF version of a workbook stream, told by the BOF record it opens with.
// BIFF2, BIFF3 and BIFF4 each have a BOF record type of their own (0x0009,
// 0x0209, 0x0409); BIFF5 and later write 0x0809 with the version in its first
// field: 0x0500 for BIFF5 and BIFF7 (whose records agree), 0x0600 for BIFF8.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tabulox {

enum class BiffVersion : std::uint8_t { kBiff2, kBiff3, kBiff4, kBiff5, kBiff8 };

struct StreamStart {
  BiffVersion version = BiffVersion::kBiff8;
  // The BOF's substream type (kBofTypeGlobals, kBofTypeWorksheet, ...); 0
  // when the record is too short to hold one.
  std::uint16_t substreamType = 0;
};

// The version and substream type of the BOF record at the start of `stream`;
// std::nullopt when the stream does not open with a whole BOF record of any
// version. A 0x0809 BOF too short to state its version is taken for BIFF8's,
// as is one of a version above 0x0600.
std::optional<StreamStart> ReadStreamStart(std::span<const std::uint8_t> stream);

// Whether bytes that are not a compound file are a workbook stream of their
// own: a BIFF2, BIFF3 or BIFF4 file, or a stream that opens with the BOF of
// BIFF5 or a version before it. A bare BIFF8 stream is not taken.
bool IsBareEarlierBiffStream(std::span<const std::uint8_t> file);

}  // namespace tabulox
