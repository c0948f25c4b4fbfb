#include "log_time_stamp.h"

namespace tabulox {

namespace {

QString Padded(int value, qsizetype width) {
  return QString::number(value).rightJustified(width, u'0');
}

bool StartsWithNoCase(const QString& text, qsizetype at, const char* token) {
  return text.mid(at, static_cast<qsizetype>(qstrlen(token)))
             .compare(QLatin1String(token), Qt::CaseInsensitive) == 0;
}

bool UsesTwelveHourClock(const QString& pattern) {
  return pattern.contains(QLatin1String("AMPM"), Qt::CaseInsensitive) ||
         pattern.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
         pattern.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
}

}  // namespace

QString FormatRegionalPattern(const QString& pattern, const QDateTime& when,
                              const RegionalSettings& regional) {
  const QDate date = when.date();
  const QTime time = when.time();
  const bool twelveHour = UsesTwelveHourClock(pattern);
  const bool pm = time.hour() >= 12;
  QString out;
  bool afterHour = false;
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    const QChar lower = c.toLower();
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run].toLower() == lower) ++run;

    if (StartsWithNoCase(pattern, i, "AMPM")) {
      out += QString::fromStdString(pm ? regional.pmDesignator : regional.amDesignator);
      i += 4;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "AM/PM")) {
      out += pm ? QStringLiteral("PM") : QStringLiteral("AM");
      i += 5;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "A/P")) {
      out += pm ? QStringLiteral("P") : QStringLiteral("A");
      i += 3;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      const qsizetype end = pattern.indexOf(c, i + 1);
      const qsizetype stop = end < 0 ? pattern.size() : end;
      out += pattern.mid(i + 1, stop - i - 1);
      i = stop + 1;
      continue;
    }
    if (lower == u'd') {
      const int weekday = date.dayOfWeek() % 7;  // Sunday first
      if (run == 1 || run == 2) out += Padded(date.day(), run);
      else if (run == 3) out += QString::fromStdString(regional.shortDayNames[weekday]);
      else out += QString::fromStdString(regional.longDayNames[weekday]);
    } else if (lower == u'm' && afterHour && run <= 2) {
      out += Padded(time.minute(), run);
    } else if (lower == u'm') {
      const int month = date.month() - 1;
      if (run <= 2) out += Padded(date.month(), run);
      else if (run == 3) out += QString::fromStdString(regional.shortMonthNames[month]);
      else out += QString::fromStdString(regional.longMonthNames[month]);
    } else if (lower == u'y') {
      out += run <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
    } else if (lower == u'h') {
      int hour = time.hour();
      if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
      out += Padded(hour, std::min<qsizetype>(run, 2));
    } else if (lower == u'n') {
      out += Padded(time.minute(), std::min<qsizetype>(run, 2));
    } else if (lower == u's') {
      out += Padded(time.second(), std::min<qsizetype>(run, 2));
    } else if (c == u'/') {
      out += QString::fromStdString(regional.dateSeparator).repeated(run);
    } else if (c == u':') {
      out += QString::fromStdString(regional.timeSeparator).repeated(run);
    } else {
      out += pattern.mid(i, run);
    }
    if (lower == u'h') afterHour = true;
    else if (lower.isLetter()) afterHour = false;
    i += run;
  }
  return out;
}

QString LogTimeStamp(const QDateTime& when, const RegionalSettings& regional) {
  QString stamp = FormatRegionalPattern(QString::fromStdString(regional.shortDatePattern), when, regional);
  if (when.time() != QTime(0, 0, 0)) {
    stamp += u' ' + FormatRegionalPattern(QString::fromStdString(regional.longTimePattern), when, regional);
  }
  return stamp;
}

}  // namespace tabulox
