// The settings file "Tabulox.dat": an initialisation file with the one section
// "general" and one key per setting of ProgramSettings; the key names live in
// settings_file.cpp alone. Texts are UTF-8.
#pragma once

#include <QString>
#include <stdexcept>

#include "global_settings.h"

namespace tabulox {

// Raised when the settings file cannot be written; what() is "Unable to write to <path>".
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Longest value a key yields; longer values are cut. The profile reader this
// format comes from reads through a 2048-character buffer with its terminator.
inline constexpr qsizetype kMaxSettingsValueLength = 2047;

// ConfigDir() + "Tabulox.dat".
QString SettingsFilePath();

// The record with every key at its default (documents folder for the two
// directories) and the type list built.
ProgramSettings DefaultSettings();

// Reads the keys of section "general" from `path` into `settings`, each key
// that is missing or unreadable taking its default; then BuildTypeList. Never fails.
void ReadSettingsFile(const QString& path, ProgramSettings& settings);

// Writes every key in record order. Lines of other sections and unknown keys in
// an existing file stay; keys the file lacks are appended to the section. The
// file is replaced in one rename, so a failed write leaves the old file whole.
// Raises SettingsWriteError.
void WriteSettingsFile(const QString& path, const ProgramSettings& settings);

// Program start: fills GlobalSettings() from SettingsFilePath().
void LoadSettings();

// Program end: creates ConfigDir() when missing and writes GlobalSettings().
// Raises SettingsWriteError.
void SaveSettings();

}  // namespace tabulox
