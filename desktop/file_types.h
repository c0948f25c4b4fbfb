// The table of file types the desktop program converts, and the lookup of a
// file name's type through the settings' extension list.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "global_settings.h"

namespace tabulox {

struct FileTypeEntry {
  int index;  // 1-based; pairs the entry with userfileext<index>
  const char* tag;
  const char* description;
  const char* defaultPattern;
};

inline constexpr std::array<FileTypeEntry, 2> kFileTypes{{
    {1, "XLS", "Excel 95, 97-2007 File", "*.xls"},
    {2, "XLSX", "Excel Open XML File", "*.xlsx"},
}};

// The user patterns of type `index` (1 or 2) as stored in the settings.
QString UserPatterns(const ProgramSettings& settings, int index);

// Rebuilds settings.extensionList and settings.typeIndex from the table and the
// user patterns: per type, its lower-cased default pattern and ";", then its
// lower-cased user patterns and ";" when there are any. Only A-Z are lowered.
void BuildTypeList(ProgramSettings& settings);

// The type tag ("XLS" or "XLSX") of a file name, or an empty string when the
// program does not convert such a file. The extension runs from the last "."
// after the last "/"; it matches whole entries of the extension list only.
QString FindFileType(const ProgramSettings& settings, const QString& fileName);

// "Excel 95, 97-2007 File(*.xls;*.xlt)": a type's description with its default
// and user patterns, as the file picker and the type lists show it.
QString TypeDisplayText(const ProgramSettings& settings, const FileTypeEntry& type);

// The name filters of the file picker in Qt's "text (pattern pattern)" form:
// "All Support File" over the whole extension list, then one filter per type
// whose visible text is TypeDisplayText.
QStringList FilePickerFilters(const ProgramSettings& settings);

// ASCII-only lower-casing (A-Z), the way the extension list is built.
QString AsciiLower(const QString& text);

}  // namespace tabulox
