#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "text/text_ops.h"

namespace velmorin {
namespace {

constexpr DateTime kEarliest = -657434;

TEST(TextToDateTime, ValidDates) {
  const std::pair<Text, DateTime> cases[] = {
      {"1899-12-30 00:00:00", 0},
      {"1899-12-31 12:00:00", 1.5},
      {"1970-01-01 08:00:00", 25569 + 8.0 / 24},
      {"100-01-01 00:00:00", kEarliest},
      {"9999-12-31 00:00:00", 2958465},
      {"2024-02-29 23:59:59", 45351 + 86399.0 / 86400},
      {"2000-01-01", 36526},
      {"2000/1/2 3:04", 36527 + (3 * 60 + 4) / 1440.0},
      {" 2000-01-01 00:00:01 ", 36526 + 1 / 86400.0},
  };
  for (const auto& [t, expected] : cases) EXPECT_DOUBLE_EQ(textToDateTime(t), expected) << t;
}

TEST(TextToDateTime, UnparsableOrUnrealGivesTheEarliestDate) {
  const Text cases[] = {
      "",
      "abc",
      "2023-02-30 00:00:00",
      "2023-02-29 00:00:00",
      "1900-02-29 00:00:00",
      "2023-13-01 00:00:00",
      "2023-00-10 00:00:00",
      "2023-04-31 00:00:00",
      "2023-01-01 24:00:00",
      "2023-01-01 23:60:00",
      "2023-01-01 23:00:60",
      "2023-01-01x",
      "2023-01-01 12",
      "2023-01/01",
      "99-01-01 00:00:00",
      "12023-01-01 00:00:00",
      "-2023-01-01 00:00:00",
  };
  for (const auto& t : cases) EXPECT_EQ(textToDateTime(t), kEarliest) << '"' << t << '"';
}

TEST(CurrentDateTime, LocalTimeInWholeSeconds) {
  std::time_t before = std::time(nullptr);
  DateTime now = currentDateTime();
  std::tm local{};
  localtime_r(&before, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
  double seconds = now * 86400;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
  double apart = dateTimeDifference(now, textToDateTime(buf), 8);
  EXPECT_GE(apart, 0);
  EXPECT_LE(apart, 2);
}

TEST(DateTimeDifference, SecondsWithTheNudgeAfterMultiplying) {
  DateTime base = textToDateTime("1970-01-01 08:00:00");
  DateTime plus1 = textToDateTime("1970-01-01 08:00:01");
  DateTime plus2 = textToDateTime("1970-01-01 08:00:02");
  EXPECT_EQ(dateTimeDifference(plus1, base, 8), 1);
  EXPECT_EQ(dateTimeDifference(base, plus1, 8), 0);  // -0.99999... truncates to 0
  EXPECT_EQ(dateTimeDifference(base, plus2, 8), -1);
  EXPECT_EQ(dateTimeDifference(base, base, 8), 0);
  DateTime later = textToDateTime("2023-06-01 12:34:56");
  EXPECT_EQ(dateTimeDifference(later, base, 8), 1685594096.0);
}

TEST(DateTimeDifference, Units) {
  DateTime a = textToDateTime("2024-03-15 10:00:00");
  DateTime b = textToDateTime("2023-11-20 12:00:00");
  double d = a - b;  // 115 days 22 hours
  EXPECT_EQ(dateTimeDifference(a, b, 1), 1);
  EXPECT_EQ(dateTimeDifference(a, b, 0), 1);   // below 1 counts as years
  EXPECT_EQ(dateTimeDifference(a, b, 2), 1);   // 4 + 0 - 3
  EXPECT_EQ(dateTimeDifference(a, b, 3), 4);
  EXPECT_EQ(dateTimeDifference(a, b, 4), 16);
  EXPECT_EQ(dateTimeDifference(b, a, 4), -16);
  EXPECT_DOUBLE_EQ(dateTimeDifference(a, b, 5), d);
  EXPECT_EQ(dateTimeDifference(a, b, 6), 115 * 24 + 22);
  EXPECT_EQ(dateTimeDifference(a, b, 7), (115 * 24 + 22) * 60);
  EXPECT_EQ(dateTimeDifference(a, b, 9), (115 * 24 + 22) * 3600);  // above 8 is seconds
  // The nudge pulls a negative whole count one step toward zero.
  EXPECT_EQ(dateTimeDifference(b, a, 6), -(115 * 24 + 22) + 1);
  for (int unit = 0; unit <= 9; ++unit) EXPECT_EQ(dateTimeDifference(a, a, unit), 0);
  // Calendar units look only at the calendar fields.
  DateTime newYearsEve = textToDateTime("2023-12-31 23:59:59");
  DateTime newYear = textToDateTime("2024-01-01 00:00:00");
  EXPECT_EQ(dateTimeDifference(newYear, newYearsEve, 1), 1);
  EXPECT_EQ(dateTimeDifference(newYear, newYearsEve, 2), 1);
  EXPECT_EQ(dateTimeDifference(newYear, newYearsEve, 3), 1);
  EXPECT_EQ(dateTimeDifference(newYear, newYearsEve, 8), 1);
}

TEST(DateTimeDifference, BeyondThe32BitRangeSaturates) {
  DateTime first = textToDateTime("100-01-01 00:00:00");
  DateTime last = textToDateTime("9999-12-31 00:00:00");
  EXPECT_EQ(dateTimeDifference(last, first, 8), 2147483647.0);
  EXPECT_EQ(dateTimeDifference(first, last, 8), -2147483648.0);
}

}  // namespace
}  // namespace velmorin
