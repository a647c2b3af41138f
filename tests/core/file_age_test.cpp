#include "core/file_age.h"

#include <gtest/gtest.h>

#include <QTimeZone>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

QDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

TEST(FileAge, CountsBoundariesOfEachUnitOnTheWallClock) {
  // The last change, now, and the ages in seconds, minutes, hours, days,
  // months and years.
  const std::tuple<QDateTime, QDateTime, std::vector<std::int32_t>> cases[] = {
      {At(2026, 3, 5, 10, 15, 0), At(2026, 3, 5, 10, 15, 59), {59, 0, 0, 0, 0, 0}},
      {At(2026, 1, 31, 23, 59, 30), At(2026, 2, 1, 0, 0, 10), {40, 1, 1, 1, 1, 0}},
      {At(2025, 12, 31, 23, 59, 59), At(2026, 1, 1, 0, 0, 0), {1, 1, 1, 1, 1, 1}},
      {At(2025, 11, 15, 8, 0, 0), At(2027, 2, 1, 8, 0, 0), {38275200, 637920, 10632, 443, 15, 2}},
      // Milliseconds do not count.
      {At(2026, 3, 5, 10, 0, 0, 900), At(2026, 3, 5, 10, 0, 1, 100), {1, 0, 0, 0, 0, 0}},
      // A file from the future is younger than nothing.
      {At(2026, 2, 1, 0, 0, 10), At(2026, 1, 31, 23, 59, 30), {-40, -1, -1, -1, -1, 0}},
  };
  const AgeUnit units[] = {AgeUnit::Second, AgeUnit::Minute, AgeUnit::Hour,
                           AgeUnit::Day,    AgeUnit::Month,  AgeUnit::Year};
  for (const auto& [lastWrite, now, ages] : cases) {
    std::vector<std::int32_t> got;
    for (const AgeUnit unit : units) got.push_back(FileAge(lastWrite, now, unit));
    EXPECT_EQ(got, ages) << lastWrite.toString().toStdString();
  }
  EXPECT_EQ(FileAge(QDateTime(), At(2026, 1, 1, 0, 0, 0), AgeUnit::Day), 0);
}

// Any spelling of a period counts, and "minute" stands for every word that
// names none. The moment a file comes of age is the first at which the test
// passes: the age there is minimumAge, a second before it is less.
TEST(FileAge, AgeTestNeedsAtLeastLastChangeUnitsOfAKnownPeriodFromTheMomentItComesOfAge) {
  ObservationPoint point;
  point.minimumAge = 2;
  const QDateTime written = At(2026, 1, 31, 23, 59, 30, 500);
  for (const char* period : {"SEC", "Min", "hr", "day", "month", "YEAR"}) {
    point.ageUnit = period;
    const std::optional<QDateTime> due = ComesOfAge(point, written);
    ASSERT_TRUE(due) << period;
    EXPECT_TRUE(PassesAgeTest(point, written, *due)) << period;
    EXPECT_FALSE(PassesAgeTest(point, written, due->addSecs(-1))) << period;
  }
  point.ageUnit = "minute";
  EXPECT_FALSE(PassesAgeTest(point, At(2000, 1, 1, 0, 0, 0), written));
  EXPECT_EQ(ComesOfAge(point, written), std::nullopt);
  // Without a condition even a file from the future passes.
  point.minimumAge = 0;
  EXPECT_TRUE(PassesAgeTest(point, At(2027, 1, 1, 0, 0, 0), written));
}

// The scan passes file times in local time: a day is a change of the local
// date, whether it lasts 23, 24 or 25 hours.
TEST(FileAge, DaysAndMonthsCountLocalDatesAcrossSummerTime) {
  if (!QTimeZone("Europe/Berlin").isValid()) GTEST_SKIP() << "no time-zone data";
  const char* old = std::getenv("TZ");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  // 23 h 40 min over two changes of the date, and from winter into summer
  // time, 32 days and 2 months. Counted by the wall clock of UTC, each would
  // be one less.
  const QDateTime from = At(2026, 3, 28, 23, 30, 0), to = At(2026, 3, 30, 0, 10, 0);
  const QDateTime start = At(2026, 2, 28, 23, 30, 0), end = At(2026, 4, 1, 0, 10, 0);
  EXPECT_NE(from.offsetFromUtc(), to.offsetFromUtc());
  EXPECT_EQ(std::tuple(FileAge(from, to, AgeUnit::Day), FileAge(start, end, AgeUnit::Day),
                       FileAge(start, end, AgeUnit::Month)),
            std::tuple(2, 32, 2));
  saved ? ::setenv("TZ", saved->c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

}  // namespace
}  // namespace corvane
