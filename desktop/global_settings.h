// The desktop program's settings record and the folders it keeps its files in.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "desktop/file_types.h"

namespace tabulox {

// Overwrite policy of a conversion run.
enum class FileOverType : std::uint8_t { kAutoRename = 0, kOverwrite = 1, kPrompt = 2, kCancel = 3 };

// The layout of the written text: the one the program has always written, or
// the text as a spreadsheet application shows it.
enum class OutputLayout : std::uint8_t { kAsToday = 0, kAsShown = 1 };

// A name pattern of the type list: "*" and a lower-case extension.
struct NamePattern {
  QString pattern;
  FileType type;
};

// The desktop program's settings. settings_file.h reads and writes them, each
// under its key of the settings file. Folder fields hold a trailing "/" as the
// user or the default gave it.
struct ProgramSettings {
  bool targetBesideSource = false;  // targets in the source's folder, not targetFolder
  QString targetFolder;
  QString addFolders;  // the folders of Add Dir, separated by ";"
  // A FileOverType number; another number (from an edited file) is kept and
  // converts as kCancel.
  std::uint8_t overwritePolicy = 0;
  std::int32_t outputCodePage = 0;  // the code page of the written text; 0 for the locale's
  QString xlsExtraPatterns;         // more names read as .xls, e.g. "*.xlw;*.XLW"
  QString xlsxExtraPatterns;        // more names read as .xlsx
  // Per entry of kFileTypes: whether Add Dir looks for it.
  std::array<bool, kFileTypeCount> scannedTypes = {true, true, true, true, true, true, true, true, true, true};
  bool recurseFolders = false;  // Add Dir descends into sub-folders
  bool loggingOff = false;
  // The Output group of the Options dialog.
  OutputLayout layout = OutputLayout::kAsToday;
  bool commaSeparated = false;  // as shown: commas and ".csv" targets, not TABs
  bool filePerSheet = false;    // one target per sheet, "<name> - <sheet>.<ext>"
  bool leaveHiddenOut = false;  // hidden sheets, rows and columns left out

  // Derived by BuildTypeList (file_types.h), not stored in the file.
  std::vector<NamePattern> namePatterns;
};

// The one record of the program.
ProgramSettings& GlobalSettings();

// Directory of the running program, ending in "/" (QCoreApplication must exist).
QString ProgramDir();

// The per-user folder of the settings file, the job file and the activity log:
// $XDG_CONFIG_HOME/Tabulox/ (default ~/.config/Tabulox/), ending in "/". Read
// from the environment at each call; not created here.
QString ConfigDir();

// Makes ConfigDir() exist; false when it cannot be created.
bool EnsureConfigDir();

// The user's documents folder as Qt reports it, ending in "/".
QString DocumentsFolderPath();

// Appends "/" unless the text already ends in one.
QString WithTrailingSlash(const QString& dir);

}  // namespace tabulox
