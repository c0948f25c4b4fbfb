#include "desktop/damaged_file.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace tabulox {

QString KeepDamagedFile(const QString& path, const QDateTime& now) {
  const QString base = path + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  const QByteArray from = QFile::encodeName(path);
  constexpr int kMaxTries = 100;
  for (int n = 1; n <= kMaxTries; ++n) {
    const QString candidate = n == 1 ? base : base + u'-' + QString::number(n);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(candidate).constData(),
                    RENAME_NOREPLACE) == 0) {
      return candidate;
    }
    if (errno == EINVAL || errno == ENOSYS) {
      // A file system without the no-replace rename; the instance lock keeps
      // other programs of ours away meanwhile.
      if (QFile::exists(candidate)) continue;
      return ::rename(from.constData(), QFile::encodeName(candidate).constData()) == 0 ? candidate : QString();
    }
    if (errno != EEXIST) break;
  }
  return QString();
}

}  // namespace tabulox
