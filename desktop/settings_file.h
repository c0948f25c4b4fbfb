// The settings file "Tabulox.dat": an initialisation file with the one section
// "general" and one key per setting of ProgramSettings; the key names live in
// settings_file.cpp alone. Texts are UTF-8.
#pragma once

#include <QString>
#include <stdexcept>

#include "desktop/global_settings.h"

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
// an existing file stay (none of a damaged one); keys the file lacks are
// appended to the section. The file is written to a temporary file and renamed
// into place (destination/atomic_file.h), so a failed write leaves the old
// file whole.
// Raises SettingsWriteError.
void WriteSettingsFile(const QString& path, const ProgramSettings& settings);

// True when the file at `path` cannot be a settings file someone wrote: it
// holds a NUL or another control character than tab, CR and LF (random
// bytes, a binary file). Such a file yields only defaults, and
// WriteSettingsFile keeps none of its lines.
bool SettingsFileIsDamaged(const QString& path);

// What the user is told about a damaged settings file at `path` kept as
// `keptAs` (empty: it could not be renamed and is written over at exit).
QString DamagedSettingsFileMessage(const QString& path, const QString& keptAs);

// Program start: fills GlobalSettings() from SettingsFilePath(). A damaged
// file is renamed beside itself (damaged_file.h) and the defaults are used;
// the message for the user is returned then, else an empty string.
QString LoadSettings();

// Program end: creates ConfigDir() when missing and writes GlobalSettings().
// Raises SettingsWriteError.
void SaveSettings();

}  // namespace tabulox
