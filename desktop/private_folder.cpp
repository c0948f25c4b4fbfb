#include "desktop/private_folder.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tabulox {

PrivateFolderStatus CheckPrivateFolder(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
    return errno == ENOENT ? PrivateFolderStatus::kMissing : PrivateFolderStatus::kFailed;
  }
  if (!S_ISDIR(st.st_mode)) return PrivateFolderStatus::kNotDirectory;
  if (st.st_uid != ::getuid()) return PrivateFolderStatus::kForeignOwner;
  if ((st.st_mode & 077) != 0) return PrivateFolderStatus::kOpenMode;
  return PrivateFolderStatus::kPrivate;
}

PrivateFolderStatus MakePrivateFolder(const QString& path) {
  if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) {
    return PrivateFolderStatus::kFailed;
  }
  return CheckPrivateFolder(path);
}

QString DescribePrivateFolderStatus(PrivateFolderStatus status, const QString& path) {
  switch (status) {
    case PrivateFolderStatus::kPrivate:
      return path + QStringLiteral(" is private");
    case PrivateFolderStatus::kMissing:
      return path + QStringLiteral(" does not exist");
    case PrivateFolderStatus::kNotDirectory:
      return path + QStringLiteral(" is a link or not a folder");
    case PrivateFolderStatus::kForeignOwner:
      return path + QStringLiteral(" belongs to another user");
    case PrivateFolderStatus::kOpenMode:
      return path + QStringLiteral(" is open to other users (mode not 0700)");
    case PrivateFolderStatus::kFailed:
      break;
  }
  return path + QStringLiteral(" cannot be created or examined");
}

}  // namespace tabulox
