// A folder that only this user can enter: where the hand-over socket lives
// when no runtime folder is given. Checked with lstat, so a link planted in
// its place is never followed.
#pragma once

#include <QString>

namespace tabulox {

enum class PrivateFolderStatus {
  kPrivate,       // a directory of this user, no access for group or others
  kMissing,       // nothing at the path
  kNotDirectory,  // a link (to a directory too), a file, or anything else
  kForeignOwner,  // a directory of another user
  kOpenMode,      // a directory of this user that group or others may use
  kFailed,        // the path cannot be looked at or the folder not created
};

PrivateFolderStatus CheckPrivateFolder(const QString& path);

// Creates the folder with mode 0700 when it is missing (its parent must
// exist), then checks it. An existing folder is never changed.
PrivateFolderStatus MakePrivateFolder(const QString& path);

// "<path> is a link or not a folder", and so on, for a log line.
QString DescribePrivateFolderStatus(PrivateFolderStatus status, const QString& path);

}  // namespace tabulox
