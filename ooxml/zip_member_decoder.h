// Decoding the data of one archive member (APPNOTE 4.4.5: method 0 stored,
// method 8 deflated as RFC 1951) into memory, with its CRC-32 check.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "zip_directory.h"

namespace tabulox {

enum class MemberOutcome {
  kExtracted,         // all bytes written and the CRC-32 matches
  kEncrypted,         // flag bit 0: skipped, nothing written
  kUnknownMethod,     // neither stored nor deflated: nothing written
  kSizeRefused,       // stated sizes break the limits of zip_limits.h: nothing written
  kLargerThanStated,  // output would pass the stated uncompressed size
  kCrcMismatch,       // decoded, maybe partly (corrupt or cut deflate data); CRC-32 differs
};

// Appends the member's bytes to `out`. Sizes and CRC-32 come from `member`
// (the central directory), never from the local header; the data starts after
// the local header's own name and extra field. Output goes out in blocks of
// up to 32 KiB, and a block that would take the member past its stated
// uncompressed size is not written; bytes written before a failure stay in
// `out`. `onProgress` is called for every block of input read.
// Raises EFatalUnzipError when the local header is cut short or a stored
// member's data ends before its compressed size.
MemberOutcome DecodeMember(std::span<const std::uint8_t> file, const TZipHeaderInfo& member,
                           std::string& out, const std::function<void()>& onProgress);

}  // namespace tabulox
