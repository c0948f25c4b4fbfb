// The workbook types the desktop program converts: one table, from which the
// file picker's filters, the folder scan's extensions, the list's Type column
// and the engine's reader of each row follow.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "tabulox/tabulox.h"

namespace tabulox {

struct ProgramSettings;

enum class FileType { kXls, kXlt, kXlsx, kXlsm, kXltx, kXltm, kXlsb, kOds, kOts, kFods };
inline constexpr std::size_t kFileTypeCount = 10;

struct FileTypeEntry {
  FileType type;
  const char* extension;    // with its dot, lower case
  const char* name;         // the list's Type column and the job file
  const char* description;  // the picker's filter and the Add Dir line
  WorkbookType engineType;  // the engine's reader
};

// In the order the picker, the Add Dir lines and the settings list them.
inline constexpr std::array<FileTypeEntry, kFileTypeCount> kFileTypes{{
    {FileType::kXls, ".xls", "XLS", "Excel 95, 97-2007 File", WorkbookType::kXls},
    {FileType::kXlt, ".xlt", "XLT", "Excel 97-2003 Template", WorkbookType::kXls},
    {FileType::kXlsx, ".xlsx", "XLSX", "Excel Open XML File", WorkbookType::kXlsx},
    {FileType::kXlsm, ".xlsm", "XLSM", "Excel Open XML Macro-Enabled File", WorkbookType::kXlsx},
    {FileType::kXltx, ".xltx", "XLTX", "Excel Open XML Template", WorkbookType::kXlsx},
    {FileType::kXltm, ".xltm", "XLTM", "Excel Open XML Macro-Enabled Template", WorkbookType::kXlsx},
    {FileType::kXlsb, ".xlsb", "XLSB", "Excel Binary File", WorkbookType::kXlsb},
    {FileType::kOds, ".ods", "ODS", "OpenDocument Spreadsheet", WorkbookType::kOds},
    {FileType::kOts, ".ots", "OTS", "OpenDocument Spreadsheet Template", WorkbookType::kOds},
    {FileType::kFods, ".fods", "FODS", "Flat OpenDocument Spreadsheet", WorkbookType::kOds},
}};

// The entry of `type`.
const FileTypeEntry& FileTypeInfo(FileType type);
inline std::size_t FileTypeIndex(FileType type) { return static_cast<std::size_t>(type); }

// The entry whose name (the Type column's text) is `name`, compared exactly.
std::optional<FileType> FileTypeNamed(const QString& name);

// "*" + the entry's extension.
QString DefaultPattern(const FileTypeEntry& entry);

// The patterns the settings add to `type` (".xls" and ".xlsx" take more names,
// such as "*.xlw"), empty for the others.
QString ExtraPatterns(const ProgramSettings& settings, FileType type);

// Rebuilds settings.namePatterns from the table and the extra patterns: per
// type, its default pattern, then its extra patterns, lower-cased (A-Z only).
void BuildTypeList(ProgramSettings& settings);

// The type of a file name, or nothing when the program does not convert such
// a file. The extension runs from the last "." after the last "/"; it matches
// whole patterns only, the first in table order winning.
std::optional<FileType> FindFileType(const ProgramSettings& settings, const QString& fileName);

// "Excel 95, 97-2007 File(*.xls;*.xlw)": a type's description with its default
// and extra patterns, as the file picker and the Add Dir lines show it.
QString TypeDisplayText(const ProgramSettings& settings, const FileTypeEntry& entry);

// The name filters of the file picker in Qt's "text (pattern pattern)" form:
// "All Support File" over every pattern, then one filter per type whose
// visible text is TypeDisplayText.
QStringList FilePickerFilters(const ProgramSettings& settings);

// The default and extra patterns of `entry`, ";"-separated, as stored.
QString TypePatterns(const ProgramSettings& settings, const FileTypeEntry& entry);

// ASCII-only lower-casing (A-Z), the way patterns are compared.
QString AsciiLower(const QString& text);

}  // namespace tabulox
