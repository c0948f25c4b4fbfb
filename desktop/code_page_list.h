// The code pages the Options dialog offers, and the rules that turn a code
// page into the combo box text and the combo box text back into a code page.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tabulox {

// The entries in list order: the code page number, blanks, and a name.
const QStringList& CodePageEntries();

// The text the combo box shows for a stored code page: the first entry that
// begins with the number and a blank, else the bare number (437 -> "437").
QString CodePageDisplayText(std::int32_t codePage);

// The code page a combo box text names. An entry of the list (any case) gives
// the number before its first blank; any other text must be a whole decimal
// number. nullopt when it is not. No range or validity test is made.
std::optional<std::int32_t> ParseCodePageText(const QString& text);

}  // namespace tabulox
