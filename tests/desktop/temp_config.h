// A temporary folder that stands in for the per-user configuration folder
// while a test runs: XDG_CONFIG_HOME points into it and is restored after.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <ostream>

#include "desktop/global_settings.h"

// Lets test failures print QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tabulox::testing {

class TempConfig {
 public:
  TempConfig() : saved_(qgetenv("XDG_CONFIG_HOME")), hadValue_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
  }
  ~TempConfig() {
    if (hadValue_) qputenv("XDG_CONFIG_HOME", saved_);
    else qunsetenv("XDG_CONFIG_HOME");
  }
  TempConfig(const TempConfig&) = delete;
  TempConfig& operator=(const TempConfig&) = delete;

  // A path inside the temporary folder (not inside ConfigDir()).
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QByteArray saved_;
  bool hadValue_;
};

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

}  // namespace tabulox::testing
