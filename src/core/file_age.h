#pragma once

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/observation_point.h"

namespace corvane {

enum class AgeUnit { Second, Minute, Hour, Day, Month, Year };

// "sec", "min", "hr", "day", "month" or "year" in any case; anything else
// (also "minute" or "") has no unit.
std::optional<AgeUnit> AgeUnitFromPeriod(std::string_view period);

// The age taken as too great to count: what FileAge answers instead of a
// count that would not fit 32 bits.
inline constexpr std::int32_t kAgeBeyondCount = 1 << 30;

// How many boundaries of the unit lie between lastWrite and now, read on the
// wall clock (date and time of day, whole seconds) of lastWrite's zone; now
// is first taken to that zone. Corvane passes both in local time. A file
// written at 23:59:30 is one day old at 00:00:10, and one month old on the
// first of the next month. Counting on the wall clock means a day is a
// change of date even when summer time makes it 23 or 25 hours long.
//
// Positive for a past lastWrite, negative for one in the future. A count
// beyond 32 bits becomes kAgeBeyondCount (-kAgeBeyondCount in the future,
// so that such a file stays too young); an invalid time gives 0.
std::int32_t FileAge(const QDateTime& lastWrite, const QDateTime& now, AgeUnit unit);

// The point's age condition: passes when it has none (empty ageUnit or
// minimumAge below 1), fails for an ageUnit that names no unit, and otherwise
// asks for an age of at least minimumAge.
bool PassesAgeTest(const ObservationPoint& point, const QDateTime& lastWrite, const QDateTime& now);

// The first moment at which a file written at lastWrite passes the point's
// age condition; nothing when the point has none or its Period names no
// unit.
std::optional<QDateTime> ComesOfAge(const ObservationPoint& point, const QDateTime& lastWrite);

}  // namespace corvane
