#include "desktop/log_time_stamp.h"

#include "tabulox/tabulox.h"

namespace tabulox {

QString LogTimeStamp(const QDateTime& when) {
  // Day serial: days since 1899-12-30, the time of day as the fraction.
  static const QDate kSerialBase(1899, 12, 30);
  constexpr double kSecondsPerDay = 86400.0;
  const double serial = static_cast<double>(kSerialBase.daysTo(when.date())) +
                        static_cast<double>(when.time().msecsSinceStartOfDay() / 1000) / kSecondsPerDay;
  return QString::fromStdString(DateTimeText(serial));
}

}  // namespace tabulox
