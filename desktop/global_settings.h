// The desktop program's settings record and the folders it keeps its files in.
#pragma once

#include <QString>
#include <cstdint>

namespace tabulox {

// Overwrite policy of a conversion run (key "fileovertp").
enum class FileOverType : std::uint8_t { kAutoRename = 0, kOverwrite = 1, kPrompt = 2, kCancel = 3 };

// One field per key of section "general" of the settings file, in file order.
// Directory fields hold a trailing "/" as the user or the default gave it.
struct ProgramSettings {
  bool samedir = false;
  QString targetdir;
  QString adddir;
  std::uint8_t fileovertp = 0;
  std::int32_t sourcecode = 0;
  std::int32_t targetcode = 0;  // kept only to be written back unchanged
  QString userfileext1;         // extra patterns of type 1, e.g. "*.xlt;*.XLTM"
  QString userfileext2;         // extra patterns of type 2
  bool selext1 = true;
  bool selext2 = true;
  bool recursive = false;
  bool pagebreak = false;
  std::int32_t textorder = 0;
  std::int32_t keepraw = 0;
  bool notlog = false;

  // Derived by BuildTypeList (file_types.h), not stored in the file.
  QString extensionList;  // e.g. "*.xls;*.xlsx;"
  QString typeIndex;      // one char per char of extensionList: the type index (1 or 2)
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
