#include "core/clock.h"

namespace corvane {

QDateTime SystemClock::Now() const { return QDateTime::currentDateTime(); }

QString FormatTimeStamp(const QDateTime& when) {
  return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace corvane
