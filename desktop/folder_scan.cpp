#include "desktop/folder_scan.h"

#include <QFile>

#include "desktop/file_types.h"

namespace tabulox {

QStringList SplitDirList(const QString& text) {
  return text.split(u';', Qt::SkipEmptyParts);
}

int SearchFolders(FileSearch& search, const QStringList& folders) {
  int searched = 0;
  for (const QString& folder : folders) {
    if (search.userStopped()) break;
    search.setSearchDir(NativePath(folder));
    search.search();
    ++searched;
    if (search.userStopped()) break;
  }
  return searched;
}

std::string BuildSearchExts(const ProgramSettings& settings, const std::array<bool, kFileTypeCount>& ticked) {
  QString patterns;
  for (const FileTypeEntry& entry : kFileTypes) {
    if (ticked[FileTypeIndex(entry.type)]) patterns += TypePatterns(settings, entry) + u';';
  }
  patterns.replace(u';', u'|');
  return patterns.toStdString();
}

std::string NativePath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString FromNativePath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace tabulox
