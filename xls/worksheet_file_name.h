// The name a worksheet file's one sheet is known by: the file's name without
// its folder and its extension, as spreadsheet applications name the sheet's
// tab when they open such a file.
#pragma once

#include <string>
#include <string_view>

namespace tabulox {

// The last component of `path` (after its last '/') up to its last '.', in
// UTF-16 code units: the path is read as UTF-8, a byte that does not belong to
// a well-formed sequence as the code unit of its own value, and a character
// beyond the first plane as its two surrogates. A name whose only '.' is its
// first character is kept whole.
std::u16string WorksheetNameFromPath(std::string_view path);

}  // namespace tabulox
