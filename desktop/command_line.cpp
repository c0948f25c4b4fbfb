#include "desktop/command_line.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tabulox {

StartPaths ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Converts spreadsheet workbooks (.xls, .xlsx) into tab-separated text files."));
  parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("files"),
                               QStringLiteral("Workbooks to add to the list; a folder opens Add directory with it."),
                               QStringLiteral("[files or folders...]"));
  parser.process(arguments);  // prints and exits on --help and on an unknown option
  return SortStartPaths(parser.positionalArguments(), QDir::currentPath());
}

StartPaths SortStartPaths(const QStringList& names, const QString& currentDir) {
  StartPaths paths;
  const QDir base(currentDir);
  for (const QString& name : names) {
    if (name.isEmpty()) continue;
    const QUrl url(name);
    const QString local = url.isLocalFile() ? url.toLocalFile() : name;
    const QString absolute = QDir::cleanPath(base.absoluteFilePath(local));
    if (QFileInfo(absolute).isDir()) {
      paths.folders << absolute;
    } else {
      paths.files << absolute;
    }
  }
  return paths;
}

}  // namespace tabulox
