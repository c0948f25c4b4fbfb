// The desktop program's command line: the files and folders to add to the
// list, as a file manager's "Open with" or a terminal hands them over.
#pragma once

#include <QString>
#include <QStringList>

namespace tabulox {

// What the command line names, made absolute and sorted by kind, each in the
// order given.
struct StartPaths {
  QStringList files;    // added as the Add File command adds chosen files
  QStringList folders;  // scanned through the Add directory dialog
};

// Reads the program's arguments (QApplication has already taken out Qt's own
// options such as -platform). --help prints the usage and ends the program;
// so does an unknown option, with an error. Everything else names a file or
// a folder; "--" ends the options, so a name may start with "-".
StartPaths ParseCommandLine(const QStringList& arguments);

// Sorts `names` into files and folders. A relative name is taken from
// `currentDir`, a "file:" URL becomes its local path, and "." and ".."
// are resolved. A name that is no folder (a missing file too) counts as a
// file, so AddFile reports it as it would a chosen file.
StartPaths SortStartPaths(const QStringList& names, const QString& currentDir);

}  // namespace tabulox
