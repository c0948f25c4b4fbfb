// A runtime folder of the test's own (0700, as QTemporaryDir makes it) for
// the hand-over sockets: XDG_RUNTIME_DIR points into it and is restored after.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>

namespace tabulox::testing {

class TempRuntimeDir {
 public:
  TempRuntimeDir() : saved_(qgetenv("XDG_RUNTIME_DIR")), hadValue_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", dir_.path().toUtf8());
  }
  ~TempRuntimeDir() {
    if (hadValue_) qputenv("XDG_RUNTIME_DIR", saved_);
    else qunsetenv("XDG_RUNTIME_DIR");
  }
  TempRuntimeDir(const TempRuntimeDir&) = delete;
  TempRuntimeDir& operator=(const TempRuntimeDir&) = delete;

  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray saved_;
  bool hadValue_;
};

}  // namespace tabulox::testing
