#include "core/file_age.h"

#include <QTimeZone>
#include <array>
#include <limits>
#include <utility>

#include "core/std_helpers.h"

namespace corvane {
namespace {

// now as it reads on the wall clock of from's zone.
QDateTime InZoneOf(const QDateTime& now, const QDateTime& from) {
  switch (from.timeSpec()) {
    case Qt::LocalTime: return now.toLocalTime();
    case Qt::UTC: return now.toUTC();
    case Qt::OffsetFromUTC: return now.toOffsetFromUtc(from.offsetFromUtc());
    case Qt::TimeZone: return now.toTimeZone(from.timeZone());
  }
  return now;
}

// Boundaries crossed, built up from the largest field down: every step
// multiplies the count so far and adds the difference of the next field.
// 64 bits hold even seconds across the whole range of QDate.
std::int64_t Boundaries(const QDateTime& from, const QDateTime& to, AgeUnit unit) {
  const QDate d0 = from.date(), d1 = to.date();
  const QTime t0 = from.time(), t1 = to.time();
  if (unit == AgeUnit::Year) return std::int64_t{d1.year()} - d0.year();
  if (unit == AgeUnit::Month) {
    return (std::int64_t{d1.year()} - d0.year()) * 12 + (d1.month() - d0.month());
  }
  std::int64_t count = d0.daysTo(d1);
  if (unit == AgeUnit::Day) return count;
  count = count * 24 + (t1.hour() - t0.hour());
  if (unit == AgeUnit::Hour) return count;
  count = count * 60 + (t1.minute() - t0.minute());
  if (unit == AgeUnit::Minute) return count;
  return count * 60 + (t1.second() - t0.second());
}

}  // namespace

std::optional<AgeUnit> AgeUnitFromPeriod(std::string_view period) {
  static constexpr std::array<std::pair<std::string_view, AgeUnit>, 6> kUnits{{
      {"sec", AgeUnit::Second},
      {"min", AgeUnit::Minute},
      {"hr", AgeUnit::Hour},
      {"day", AgeUnit::Day},
      {"month", AgeUnit::Month},
      {"year", AgeUnit::Year},
  }};
  const std::string lower = AsciiLower(period);
  for (const auto& [name, unit] : kUnits) {
    if (lower == name) return unit;
  }
  return std::nullopt;
}

std::int32_t FileAge(const QDateTime& lastWrite, const QDateTime& now, AgeUnit unit) {
  if (!lastWrite.isValid() || !now.isValid()) return 0;
  const QDateTime to = InZoneOf(now, lastWrite);
  if (!to.isValid()) return 0;
  const std::int64_t count = Boundaries(lastWrite, to, unit);
  using Limits = std::numeric_limits<std::int32_t>;
  if (count > Limits::max()) return kAgeBeyondCount;
  if (count < Limits::min()) return -kAgeBeyondCount;
  return static_cast<std::int32_t>(count);
}

bool PassesAgeTest(const ObservationPoint& point, const QDateTime& lastWrite,
                   const QDateTime& now) {
  if (point.ageUnit.empty() || point.minimumAge < 1) return true;
  const std::optional<AgeUnit> unit = AgeUnitFromPeriod(point.ageUnit);
  return unit && FileAge(lastWrite, now, *unit) >= point.minimumAge;
}

std::optional<QDateTime> ComesOfAge(const ObservationPoint& point, const QDateTime& lastWrite) {
  const std::optional<AgeUnit> unit = AgeUnitFromPeriod(point.ageUnit);
  if (!unit || point.minimumAge < 1 || !lastWrite.isValid()) return std::nullopt;
  // The minimumAge-th boundary of the unit after lastWrite.
  const QDate day = lastWrite.date();
  const QTime time = lastWrite.time();
  const std::int64_t count = point.minimumAge;
  QDateTime at;
  switch (*unit) {
    case AgeUnit::Second:
      at = QDateTime(day, QTime(time.hour(), time.minute(), time.second())).addSecs(count);
      break;
    case AgeUnit::Minute:
      at = QDateTime(day, QTime(time.hour(), time.minute())).addSecs(count * 60);
      break;
    case AgeUnit::Hour: at = QDateTime(day, QTime(time.hour(), 0)).addSecs(count * 3600); break;
    case AgeUnit::Day: at = day.addDays(count).startOfDay(); break;
    case AgeUnit::Month:
      at = QDate(day.year(), day.month(), 1).addMonths(point.minimumAge).startOfDay();
      break;
    case AgeUnit::Year: at = QDate(day.year(), 1, 1).addYears(point.minimumAge).startOfDay(); break;
  }
  if (!at.isValid()) return std::nullopt;
  return at;
}

}  // namespace corvane
