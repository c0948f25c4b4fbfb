#include "xls/biff_version.h"

#include "xls/biff_records.h"

namespace tabulox {
namespace {

// The version field of a 0x0809 BOF, [MS-XLS] 2.4.21, and what writers of
// the earlier versions put there when they use that record type.
BiffVersion VersionOfBof8(std::uint16_t version) {
  if (version >= kBiff8Version) return BiffVersion::kBiff8;
  if (version >= 0x0500) return BiffVersion::kBiff5;
  if (version >= 0x0400) return BiffVersion::kBiff4;
  if (version >= 0x0300) return BiffVersion::kBiff3;
  return BiffVersion::kBiff2;
}

}  // namespace

std::optional<StreamStart> ReadStreamStart(std::span<const std::uint8_t> stream) {
  ByteReader reader(stream);
  RecordHeader header;
  if (!ReadRecordHeader(reader, header)) return std::nullopt;
  const std::span<const std::uint8_t> payload = stream.subspan(header.payloadStart, header.length);
  StreamStart start;
  if (payload.size() >= 4) start.substreamType = LoadU16le(payload, 2);
  switch (header.type) {
    case kRecordBofBiff2:
      start.version = BiffVersion::kBiff2;
      return start;
    case kRecordBofBiff3:
      start.version = BiffVersion::kBiff3;
      return start;
    case kRecordBofBiff4:
      start.version = BiffVersion::kBiff4;
      return start;
    case kRecordBof:
      start.version = payload.size() >= 2 ? VersionOfBof8(LoadU16le(payload, 0))
                                          : BiffVersion::kBiff8;
      return start;
    default:
      return std::nullopt;
  }
}

bool IsBareEarlierBiffStream(std::span<const std::uint8_t> file) {
  const std::optional<StreamStart> start = ReadStreamStart(file);
  return start && start->version != BiffVersion::kBiff8;
}

}  // namespace tabulox
