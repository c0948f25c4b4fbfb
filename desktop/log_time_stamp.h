// The time stamp of an activity log line.
#pragma once

#include <QDateTime>
#include <QString>

namespace tabulox {

// `when` in the regional short date pattern, a blank and the long time
// pattern (the date/time-pattern token "c"); the date only when the time is
// 00:00:00. Seconds are the finest unit.
QString LogTimeStamp(const QDateTime& when);

}  // namespace tabulox
