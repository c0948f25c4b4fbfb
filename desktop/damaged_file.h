// Keeping a damaged file of the program's own (job file, settings file) out
// of the way before a good one is written at its name.
#pragma once

#include <QDateTime>
#include <QString>

namespace tabulox {

// Renames the file at `path` to "<path>.damaged-<yyyyMMdd-HHmmss>" beside it,
// with "-2", "-3", ... added when that name is taken; never replaces a file.
// The new path, or an empty string when it could not be renamed.
QString KeepDamagedFile(const QString& path, const QDateTime& now = QDateTime::currentDateTime());

}  // namespace tabulox
