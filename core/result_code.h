// Result codes shared by both conversion engines and both front ends.
// A value of 0 or more is the byte length of the encoded text; a negative
// value names a failure.
#pragma once

#include <cstdint>

namespace tabulox {

using ResultCode = std::int32_t;

inline constexpr ResultCode kConverterUnavailable = -1;
inline constexpr ResultCode kSourceMissing = -2;
inline constexpr ResultCode kTypeNotSupported = -3;
inline constexpr ResultCode kSourceOpenFailed = -4;
inline constexpr ResultCode kFormatNotCorrect = -5;
inline constexpr ResultCode kDestinationCreateFailed = -6;
inline constexpr ResultCode kDestinationWriteFailed = -7;
inline constexpr ResultCode kSourceEncrypted = -11;
inline constexpr ResultCode kTextNotConvertible = -15;

}  // namespace tabulox
