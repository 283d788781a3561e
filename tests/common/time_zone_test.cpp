#include "common/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "platform/vb/date.h"
#include "support/test_session.h"
#include "support/zone_guard.h"

namespace fw {
namespace {

TEST(NthWeekday, DaylightBoundsOf2025) {
  EXPECT_EQ(NthWeekday(2025, 3, 2, 1), vb::DateSerial(2025, 3, 9));    // second Sunday of March
  EXPECT_EQ(NthWeekday(2025, 11, 1, 1), vb::DateSerial(2025, 11, 2));  // first Sunday of November
}

// Every month, occurrence and weekday of 2025 against a day-by-day count.
TEST(NthWeekday, AgreesWithCountingDaysAcross2025) {
  for (int month = 1; month <= 12; ++month) {
    for (int weekday = 1; weekday <= 7; ++weekday) {
      int seen = 0;
      for (int day = 1; day <= 31; ++day) {
        const vb::VbDate d = vb::DateSerial(2025, month, day);
        if (vb::Month(d) != month) break;
        if (vb::Weekday(d) != weekday) continue;
        ++seen;
        EXPECT_EQ(NthWeekday(2025, month, seen, weekday), d) << month << " " << seen << " " << weekday;
      }
    }
  }
}

TEST(NthWeekday, MonthStartingOnTheWeekdayAndRollOver) {
  // June 2025 begins on a Sunday.
  EXPECT_EQ(NthWeekday(2025, 6, 1, 1), vb::DateSerial(2025, 6, 1));
  // There is no fifth Monday in February 2025 (it begins on a Saturday): 7 x 4 + 1 + 2 = day 31,
  // that is 3 March.
  EXPECT_EQ(NthWeekday(2025, 2, 5, 2), vb::DateSerial(2025, 3, 3));
  // The result is at midnight.
  EXPECT_EQ(NthWeekday(2025, 3, 2, 1), vb::DateValue(NthWeekday(2025, 3, 2, 1)));
}

using testing::ZoneGuard;

TEST(TZOffset, DenverInWinterAndSummer) {
  ZoneGuard zone("America/Denver");
  testing::TestSession t;
  bool daylight = true;
  t.clock.set(vb::DateSerial(2025, 1, 15) + vb::TimeSerial(12, 0, 0));
  EXPECT_FLOAT_EQ(TZOffset(t.s, daylight), 7.0f);
  EXPECT_FALSE(daylight);

  t.clock.set(vb::DateSerial(2025, 7, 15) + vb::TimeSerial(12, 0, 0));
  EXPECT_FLOAT_EQ(TZOffset(t.s, daylight), 6.0f);
  EXPECT_TRUE(daylight);

  // The change itself: 2:00 on the second Sunday of March is the first daylight hour.
  EXPECT_FLOAT_EQ(TZOffsetAt(NthWeekday(2025, 3, 2, 1) + vb::TimeSerial(1, 0, 0), daylight), 7.0f);
  EXPECT_FALSE(daylight);
  EXPECT_FLOAT_EQ(TZOffsetAt(NthWeekday(2025, 3, 2, 1) + vb::TimeSerial(4, 0, 0), daylight), 6.0f);
  EXPECT_TRUE(daylight);
}

TEST(TZOffset, UtcAndAZoneEastOfGreenwich) {
  {
    ZoneGuard zone("UTC");
    bool daylight = true;
    EXPECT_FLOAT_EQ(TZOffsetAt(vb::DateSerial(2025, 7, 15), daylight), 0.0f);
    EXPECT_FALSE(daylight);
  }
  {
    // Half hours survive, and east of Greenwich the offset is negative.
    ZoneGuard zone("Asia/Kolkata");
    bool daylight = true;
    EXPECT_FLOAT_EQ(TZOffsetAt(vb::DateSerial(2025, 1, 15), daylight), -5.5f);
    EXPECT_FALSE(daylight);
  }
}

}  // namespace
}  // namespace fw
