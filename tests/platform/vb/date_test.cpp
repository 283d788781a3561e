#include <gtest/gtest.h>

#include "platform/vb/vb.h"

namespace vb {
namespace {

TEST(Civil, RoundTripsAndKnownSerials) {
  EXPECT_EQ(fromCivil({1899, 12, 30, 0, 0, 0}), 0.0);
  EXPECT_EQ(fromCivil({1900, 1, 1, 0, 0, 0}), 2.0);
  EXPECT_EQ(fromCivil({2024, 6, 5, 0, 0, 0}), 45448.0);
  EXPECT_EQ(fromCivil({2024, 6, 5, 6, 0, 0}), 45448.25);
  for (VbDate d : {-657434.0, -1.0, 0.0, 1.5, 45292.0, 45351.0, 2958465.0}) {
    EXPECT_EQ(fromCivil(toCivil(d)), d) << d;
  }
  CivilDateTime leap = toCivil(45351.0);
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
}

TEST(Civil, NegativeDatesCountDaysBackAndTimeForward) {
  CivilDateTime c = toCivil(-1.25);
  EXPECT_EQ(c.year, 1899);
  EXPECT_EQ(c.month, 12);
  EXPECT_EQ(c.day, 29);
  EXPECT_EQ(c.hour, 6);
  EXPECT_EQ(fromCivil({1899, 12, 29, 6, 0, 0}), -1.25);
  EXPECT_EQ(Day(-0.25), 30);
  EXPECT_EQ(Hour(-0.25), 6);
}

TEST(Civil, ComponentsRoundToTheNearestSecond) {
  const VbDate almost15 = 45448.0 + (14 * 3600 + 59 * 60 + 59.99999) / 86400;
  EXPECT_EQ(Hour(almost15), 15);
  EXPECT_EQ(Minute(almost15), 0);
  EXPECT_EQ(Second(almost15), 0);
  const VbDate almostMidnight = 45448.999999999;
  EXPECT_EQ(Day(almostMidnight), 6);
  EXPECT_EQ(Hour(almostMidnight), 0);
  EXPECT_EQ(Weekday(almostMidnight), 5);  // Thursday 6 June
  EXPECT_EQ(DateValue(almostMidnight), 45449.0);
  EXPECT_EQ(roundToSecond(45448.0 + 0.4 / 86400), 45448.0);
  // A sum and the same instant built from its fields give the same double after rounding.
  EXPECT_EQ(roundToSecond(45448.0 + 13.25 / 24), fromCivil({2024, 6, 5, 13, 15, 0}));
  EXPECT_THROW(toCivil(1e10), Error);
  EXPECT_THROW(toCivil(2958465.9999999), Error);  // would round into the year 10000
  EXPECT_THROW(toCivil(-657435.0), Error);
  EXPECT_EQ(Year(-657434.0), 100);
}

TEST(DateSerial, RollsOverLikeVb) {
  EXPECT_EQ(DateSerial(2024, 6, 5), 45448.0);
  EXPECT_EQ(DateSerial(2023, 13, 1), DateSerial(2024, 1, 1));
  EXPECT_EQ(DateSerial(2024, 3, 0), DateSerial(2024, 2, 29));
  EXPECT_EQ(DateSerial(2024, 1, -1), DateSerial(2023, 12, 30));
  EXPECT_EQ(DateSerial(2024, 0, 1), DateSerial(2023, 12, 1));
  EXPECT_EQ(DateSerial(24, 6, 5), 45448.0);
  EXPECT_EQ(Year(DateSerial(99, 1, 1)), 1999);
  EXPECT_EQ(TimeSerial(25, 0, 0), 25.0 / 24);
  EXPECT_EQ(TimeSerial(13, 15, 0), 13.25 / 24);
  try {
    DateSerial(10000, 1, 1);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
}

TEST(DateParts, WeekdayDayOfYearAndDatePart) {
  EXPECT_EQ(Weekday(0), 7);                       // 1899-12-30 was a Saturday
  EXPECT_EQ(Weekday(DateSerial(2024, 6, 2)), 1);  // Sunday
  EXPECT_EQ(Weekday(DateSerial(2024, 6, 5)), 4);  // Wednesday
  EXPECT_EQ(Weekday(-1), 6);
  EXPECT_EQ(DayOfYear(DateSerial(2024, 1, 1)), 1);
  EXPECT_EQ(DayOfYear(DateSerial(2024, 12, 31)), 366);
  EXPECT_EQ(DayOfYear(DateSerial(2023, 12, 31)), 365);
  const VbDate d = fromCivil({2024, 6, 5, 13, 15, 7});
  EXPECT_EQ(DatePart("yyyy", d), 2024);
  EXPECT_EQ(DatePart("q", d), 2);
  EXPECT_EQ(DatePart("m", d), 6);
  EXPECT_EQ(DatePart("y", d), 157);
  EXPECT_EQ(DatePart("d", d), 5);
  EXPECT_EQ(DatePart("w", d), 4);
  EXPECT_EQ(DatePart("h", d), 13);
  EXPECT_EQ(DatePart("N", d), 15);
  EXPECT_EQ(DatePart("s", d), 7);
  EXPECT_EQ(DatePart("ww", DateSerial(2024, 1, 6)), 1);  // Saturday of the first week
  EXPECT_EQ(DatePart("ww", DateSerial(2024, 1, 7)), 2);  // the next Sunday starts week 2
  EXPECT_EQ(TimeValue(d), TimeSerial(13, 15, 7));
}

TEST(DateAdd, UnitsAndMonthEnds) {
  const VbDate d = fromCivil({2024, 1, 31, 10, 30, 0});
  EXPECT_EQ(DateAdd("m", 1, d), fromCivil({2024, 2, 29, 10, 30, 0}));
  EXPECT_EQ(DateAdd("m", -2, d), fromCivil({2023, 11, 30, 10, 30, 0}));
  EXPECT_EQ(DateAdd("yyyy", 1, DateSerial(2024, 2, 29)), DateSerial(2025, 2, 28));
  EXPECT_EQ(DateAdd("q", 1, d), fromCivil({2024, 4, 30, 10, 30, 0}));
  EXPECT_EQ(DateAdd("d", 1, d), fromCivil({2024, 2, 1, 10, 30, 0}));
  EXPECT_EQ(DateAdd("ww", 1, d), fromCivil({2024, 2, 7, 10, 30, 0}));
  EXPECT_EQ(DateAdd("h", 14, d), fromCivil({2024, 2, 1, 0, 30, 0}));
  EXPECT_EQ(DateAdd("n", -31, d), fromCivil({2024, 1, 31, 9, 59, 0}));
  EXPECT_EQ(DateAdd("s", 3600, d), fromCivil({2024, 1, 31, 11, 30, 0}));
  EXPECT_EQ(DateAdd("H", 2.5, d), DateAdd("h", 2, d));  // counts round half to even
  EXPECT_EQ(DateAdd("h", 3.5, d), DateAdd("h", 4, d));
  EXPECT_EQ(DateAdd("d", -1, 0.25), -1.25);
  EXPECT_THROW(DateAdd("x", 1, d), Error);
}

TEST(DateDiff, CountsBoundariesCrossed) {
  const VbDate late = fromCivil({2024, 6, 5, 23, 59, 0});
  const VbDate early = fromCivil({2024, 6, 6, 0, 1, 0});
  EXPECT_EQ(DateDiff("d", late, early), 1);
  EXPECT_EQ(DateDiff("d", early, late), -1);
  EXPECT_EQ(DateDiff("h", late, early), 1);
  EXPECT_EQ(DateDiff("n", fromCivil({2024, 6, 5, 10, 0, 59}), fromCivil({2024, 6, 5, 10, 1, 0})), 1);
  EXPECT_EQ(DateDiff("n", fromCivil({2024, 6, 5, 10, 0, 0}), fromCivil({2024, 6, 5, 10, 0, 59})), 0);
  EXPECT_EQ(DateDiff("s", late, early), 120);
  EXPECT_EQ(DateDiff("m", DateSerial(2024, 1, 31), DateSerial(2024, 2, 1)), 1);
  EXPECT_EQ(DateDiff("yyyy", DateSerial(2023, 12, 31), DateSerial(2024, 1, 1)), 1);
  EXPECT_EQ(DateDiff("q", DateSerial(2024, 3, 31), DateSerial(2024, 4, 1)), 1);
  EXPECT_EQ(DateDiff("ww", DateSerial(2024, 6, 1), DateSerial(2024, 6, 2)), 1);  // Saturday to Sunday
  EXPECT_EQ(DateDiff("w", DateSerial(2024, 6, 1), DateSerial(2024, 6, 14)), 1);
  // A step of 1/24 + 0.00001 days still crosses one hour boundary.
  const VbDate h = fromCivil({2024, 6, 5, 5, 0, 0});
  EXPECT_EQ(DateDiff("h", h, h + 1.0 / 24 + 0.00001), 1);
  EXPECT_EQ(DateDiff("h", fromCivil({2024, 6, 5, 5, 59, 59}), h + 1.0 / 24 - 0.4 / 86400), 1);
}

TEST(SystemNow, IsTodayAtWholeSeconds) {
  VbDate now = systemNow();
  EXPECT_GT(now, 45000.0);
  EXPECT_EQ(roundToSecond(now), now);
}

}  // namespace
}  // namespace vb
