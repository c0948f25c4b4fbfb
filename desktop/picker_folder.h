// Where the program's file and folder pickers open: in the folder the user
// last chose in one of them, else in the documents folder. The settings file
// has no key for it, so it is kept for the running session only.
#pragma once

#include <QString>

namespace tabulox {

// `preferred` when it names an existing folder (a picker that edits a folder
// field starts at that folder); else the folder remembered last, when it
// still exists; else the documents folder; else the home folder.
QString PickerStartFolder(const QString& preferred = QString());

// Remembers `folder` as the one chosen last; an empty text is ignored.
void RememberPickerFolder(const QString& folder);

// Remembers the folder that holds `file`.
void RememberPickerFolderOf(const QString& file);

}  // namespace tabulox
