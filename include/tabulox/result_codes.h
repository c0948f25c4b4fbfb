// What a conversion gives back: a value of 0 or more is the byte length of the
// encoded text; a negative value names a failure.
#pragma once

#include <cstdint>
#include <string>

namespace tabulox {

using ResultCode = std::int32_t;

inline constexpr ResultCode kSourceMissing = -2;
inline constexpr ResultCode kTypeNotSupported = -3;
inline constexpr ResultCode kSourceOpenFailed = -4;
inline constexpr ResultCode kFormatNotCorrect = -5;
inline constexpr ResultCode kDestinationCreateFailed = -6;
inline constexpr ResultCode kDestinationWriteFailed = -7;
inline constexpr ResultCode kSourceEncrypted = -11;
inline constexpr ResultCode kTextNotConvertible = -15;
// A sheet chosen by name or number is not in the workbook.
inline constexpr ResultCode kSheetNotFound = -20;
// The comma-separated layout holds one sheet, and more than one has text.
inline constexpr ResultCode kSeveralSheets = -21;

// The caller-owned block a conversion writes into. After a successful call it
// is one byte longer than the result (that byte a zero), and its first result
// bytes are the encoded text; after a failed call it is left exactly as it was.
using OutputBlock = std::string;

}  // namespace tabulox
