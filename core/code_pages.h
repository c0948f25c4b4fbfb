// Windows code-page identifiers on top of iconv.
#pragma once

#include <cstdint>
#include <string>

namespace tabulox {

inline constexpr std::int32_t kCodePageSystem = 0;
inline constexpr std::int32_t kCodePageUtf16Le = 1200;
inline constexpr std::int32_t kCodePageUtf8 = 65001;

// The code page of the current locale's character set (LC_CTYPE), as its Windows
// identifier. A UTF-8 locale and the C/POSIX locale give 0: code page 0 then
// writes UTF-8 without a byte-order mark. A character set without a Windows
// identifier also gives 0, so that code page 0 writes that character set.
std::int32_t DefaultAnsiCodePage();

// True when code page 0 writes UTF-8: a UTF-8 locale or the C/POSIX locale.
bool SystemCodePageIsUtf8();

// The iconv name of a Windows code page, or an empty string when there is none.
// 0 names the locale's own character set.
std::string IconvNameForCodePage(std::int32_t codePage);

}  // namespace tabulox
