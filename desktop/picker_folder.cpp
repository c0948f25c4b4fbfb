#include "desktop/picker_folder.h"

#include <QDir>
#include <QFileInfo>

#include "desktop/global_settings.h"

namespace tabulox {
namespace {

QString& LastFolder() {
  static QString folder;
  return folder;
}

bool IsFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

}  // namespace

QString PickerStartFolder(const QString& preferred) {
  if (IsFolder(preferred)) return QDir::cleanPath(preferred);
  if (IsFolder(LastFolder())) return LastFolder();
  const QString documents = DocumentsFolderPath();
  return IsFolder(documents) ? QDir::cleanPath(documents) : QDir::homePath();
}

void RememberPickerFolder(const QString& folder) {
  if (!folder.isEmpty()) LastFolder() = QDir::cleanPath(folder);
}

void RememberPickerFolderOf(const QString& file) {
  if (!file.isEmpty()) RememberPickerFolder(QFileInfo(file).absolutePath());
}

}  // namespace tabulox
