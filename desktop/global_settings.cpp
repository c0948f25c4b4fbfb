#include "desktop/global_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tabulox {

ProgramSettings& GlobalSettings() {
  static ProgramSettings settings;
  return settings;
}

QString WithTrailingSlash(const QString& dir) {
  return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString ProgramDir() { return WithTrailingSlash(QCoreApplication::applicationDirPath()); }

QString ConfigDir() {
  // XDG base-directory rules: a relative XDG_CONFIG_HOME is invalid and ignored.
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  return WithTrailingSlash(base) + QStringLiteral("Tabulox/");
}

bool EnsureConfigDir() { return QDir().mkpath(ConfigDir()); }

QString DocumentsFolderPath() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return WithTrailingSlash(documents);
}

}  // namespace tabulox
