// The time stamp of an activity log line: the regional short date pattern, a
// blank and the long time pattern; date only when the time is 00:00:00.
#pragma once

#include <QDateTime>
#include <QString>

#include "regional_settings.h"

namespace tabulox {

QString LogTimeStamp(const QDateTime& when, const RegionalSettings& regional);

// Renders one date or time pattern of the regional settings: d dd ddd dddd,
// m mm mmm mmmm (minutes right after an hour token), yy yyyy, h hh, n nn, s ss,
// AMPM, AM/PM, A/P, "/" and ":" as the regional separators, quoted text as it
// stands; any other character is copied.
QString FormatRegionalPattern(const QString& pattern, const QDateTime& when,
                              const RegionalSettings& regional);

}  // namespace tabulox
