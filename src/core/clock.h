#pragma once

#include <QDateTime>

namespace corvane {

// Local wall-clock time, injectable so that time stamps and file ages can be
// tested without waiting.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  QDateTime Now() const override;
};

// "YYYY-MM-DD HH:MM:SS": the form of every time stamp Corvane writes.
QString FormatTimeStamp(const QDateTime& when);

}  // namespace corvane
