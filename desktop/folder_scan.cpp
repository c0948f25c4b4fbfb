#include "folder_scan.h"

#include <QFile>

namespace tabulox {

QStringList SplitDirList(const QString& text) {
  return text.split(u';', Qt::SkipEmptyParts);
}

int SearchFolders(TKvFileSearch& search, const QStringList& folders) {
  int searched = 0;
  for (const QString& folder : folders) {
    search.SetSearchDir(NativePath(folder));
    search.Search();
    ++searched;
    if (search.UserStopped()) break;
  }
  return searched;
}

std::string NativePath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace tabulox
