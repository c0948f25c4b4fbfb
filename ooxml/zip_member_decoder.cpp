#include "zip_member_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "byte_reader.h"
#include "zip_errors.h"
#include "zip_limits.h"

namespace tabulox {
namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kBlockSize = 32768;  // input and output blocks, as the 32 KiB window
// Output space taken at once from a stated size that passed the limits, so a
// large member is not copied again at every doubling of its block; a lying
// header cannot make the reader take more than this before bytes arrive.
constexpr std::size_t kMaxUpfrontReserve = 256u * 1024u * 1024u;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// The file position of the member's data: after the local header's fixed
// part, its name and its extra field.
std::size_t DataStart(std::span<const std::uint8_t> file, const TZipHeaderInfo& member) {
  const std::size_t offset = member.localHeaderOffset;
  if (offset > file.size() || file.size() - offset < kLocalHeaderSize) throw EFatalUnzipError();
  ByteReader r(file);
  r.seek(offset + 26);
  const std::size_t nameLength = r.u16le();
  const std::size_t extraLength = r.u16le();
  return offset + kLocalHeaderSize + nameLength + extraLength;
}

// Appends one output block unless it takes the member past its stated size.
bool WriteBlock(const std::uint8_t* data, std::size_t length, const TZipHeaderInfo& member,
                std::size_t& written, uLong& crc, std::string& out) {
  if (written + length > member.uncompressedSize) return false;
  out.append(reinterpret_cast<const char*>(data), length);
  crc = crc32(crc, data, static_cast<uInt>(length));
  written += length;
  return true;
}

MemberOutcome CopyStored(std::span<const std::uint8_t> file, std::size_t dataStart,
                         const TZipHeaderInfo& member, std::string& out,
                         const std::function<void()>& onProgress) {
  uLong crc = crc32(0, nullptr, 0);
  std::size_t written = 0;
  std::size_t pos = dataStart;
  std::size_t left = member.compressedSize;
  while (left > 0) {
    const std::size_t length = std::min(left, kBlockSize);
    if (onProgress) onProgress();
    if (pos > file.size() || file.size() - pos < length) throw EFatalUnzipError();
    if (!WriteBlock(file.data() + pos, length, member, written, crc, out))
      return MemberOutcome::kLargerThanStated;
    pos += length;
    left -= length;
  }
  return crc == member.crc32 ? MemberOutcome::kExtracted : MemberOutcome::kCrcMismatch;
}

// Inflates raw deflate data. Corrupt or truncated input stops the member
// quietly; the CRC-32 check then fails.
MemberOutcome Inflate(std::span<const std::uint8_t> file, std::size_t dataStart,
                      const TZipHeaderInfo& member, std::string& out,
                      const std::function<void()>& onProgress) {
  const std::span<const std::uint8_t> input =
      dataStart < file.size()
          ? file.subspan(dataStart,
                         std::min<std::size_t>(member.compressedSize, file.size() - dataStart))
          : std::span<const std::uint8_t>{};
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  std::vector<std::uint8_t> block(kBlockSize);
  uLong crc = crc32(0, nullptr, 0);
  std::size_t written = 0;
  std::size_t inputUsed = 0;
  MemberOutcome outcome = MemberOutcome::kCrcMismatch;
  for (;;) {
    if (stream.avail_in == 0 && inputUsed < input.size()) {
      const std::size_t length = std::min(input.size() - inputUsed, kBlockSize);
      if (onProgress) onProgress();
      stream.next_in = const_cast<Bytef*>(input.data() + inputUsed);
      stream.avail_in = static_cast<uInt>(length);
      inputUsed += length;
    }
    stream.next_out = block.data();
    stream.avail_out = static_cast<uInt>(block.size());
    const int status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t produced = block.size() - stream.avail_out;
    if (produced > 0 && !WriteBlock(block.data(), produced, member, written, crc, out)) {
      outcome = MemberOutcome::kLargerThanStated;
      break;
    }
    if (status == Z_STREAM_END) {
      outcome = crc == member.crc32 ? MemberOutcome::kExtracted : MemberOutcome::kCrcMismatch;
      break;
    }
    const bool inputExhausted = stream.avail_in == 0 && inputUsed == input.size();
    if (status != Z_OK || (inputExhausted && produced == 0)) {
      outcome = crc == member.crc32 ? MemberOutcome::kExtracted : MemberOutcome::kCrcMismatch;
      break;
    }
  }
  inflateEnd(&stream);
  return outcome;
}

}  // namespace

MemberOutcome DecodeMember(std::span<const std::uint8_t> file, const TZipHeaderInfo& member,
                           std::string& out, const std::function<void()>& onProgress) {
  const std::size_t dataStart = DataStart(file, member);
  if (member.Encrypted()) return MemberOutcome::kEncrypted;
  if (member.method != kMethodStored && member.method != kMethodDeflated)
    return MemberOutcome::kUnknownMethod;
  if (!MemberSizesAcceptable(member.compressedSize, member.uncompressedSize))
    return MemberOutcome::kSizeRefused;
  // Reserve no more than the data bytes present could yield, so that a header
  // stating a large member in a small file takes no memory for it.
  const std::uint64_t present = file.size() - std::min(file.size(), dataStart);
  const std::uint64_t canYield = member.method == kMethodStored ? present : present * kMaxCompressionRatio;
  out.reserve(out.size() + static_cast<std::size_t>(std::min<std::uint64_t>(
                               {member.uncompressedSize, kMaxUpfrontReserve, canYield})));
  return member.method == kMethodStored ? CopyStored(file, dataStart, member, out, onProgress)
                                        : Inflate(file, dataStart, member, out, onProgress);
}

}  // namespace tabulox
