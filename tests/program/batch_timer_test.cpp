#include "app/batch_timer.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "fake_links.h"
#include "platform/vb/format.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::FakeLinks;
using testing::TestSession;

vb::VbDate at(int day, int hour, int minute) {
  return vb::DateSerial(2024, 6, day) + vb::TimeSerial(hour, minute, 0);
}

TEST(BatchTimer, NextRunMovesOnByTheIntervalAndSkipsMissedRuns) {
  struct Case {
    vb::VbDate next, now;
    int32_t minutes;
    vb::VbDate expected;
  } cases[] = {
      {at(5, 10, 0), at(5, 10, 50), 15, at(5, 11, 5)},   // behind: from the clock, missed runs dropped
      {at(5, 10, 0), at(5, 10, 5), 15, at(5, 10, 15)},   // on time: the next slot
      {at(5, 10, 0), at(5, 10, 15), 15, at(5, 10, 15)},  // exactly on the next slot is not behind
      {at(5, 23, 50), at(5, 23, 55), 30, at(6, 0, 20)},  // over midnight
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(nextRunAfter(c.next, c.minutes, c.now), c.expected) << vb::Format(c.now, "hh:mm");
}

TEST(BatchTimer, CompactionRuleByDayHourEngineAndBox) {
  const int32_t day5 = dayNumber(at(5, 12, 0));
  struct Case {
    bool dao, ticked;
    int32_t lastDay;
    vb::VbDate now;
    CompactStep expected;
  } cases[] = {
      {true, true, 0, at(5, 0, 30), CompactStep::None},        // hour 0 records nothing
      {true, true, 0, at(5, 1, 0), CompactStep::RecordDay},    // the first day is only recorded
      {true, true, day5, at(5, 23, 0), CompactStep::None},     // the same day again
      {true, true, day5, at(6, 0, 59), CompactStep::None},     // the next day, still hour 0
      {true, true, day5, at(6, 1, 0), CompactStep::Compact},   // the next day from 01:00
      {true, true, day5, at(9, 14, 0), CompactStep::Compact},  // days later
      {false, true, day5, at(6, 1, 10), CompactStep::None},    // never over ADO
      {true, false, day5, at(6, 1, 10), CompactStep::None},    // not without "HDB Compact"
  };
  for (const Case& c : cases)
    EXPECT_EQ(dailyCompaction(c.dao, c.ticked, c.lastDay, c.now), c.expected)
        << vb::Format(c.now, "dd hh:mm");
}

class TimerTick : public ::testing::Test {
 protected:
  void SetUp() override {
    s.links = links;
    s.BatchInterval = 15;
    s.form.Timer1.Enabled = true;
  }
  TestSession t;
  Session& s = t.s;
  std::shared_ptr<FakeLinks> links = std::make_shared<FakeLinks>();
};

TEST_F(TimerTick, ADueTickMovesTheNextRunOnClearsTheLastErrorAndStartsOneRun) {
  s.NextRunTime = at(5, 10, 0);
  s.LastError = "old";
  s.CompactStatus = 1;
  t.clock.set(at(5, 10, 50));
  Timer1_Timer(s);
  EXPECT_DOUBLE_EQ(s.NextRunTime, at(5, 11, 5));
  EXPECT_EQ(links->count("runstations"), 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.CompactStatus, 0);
}

TEST_F(TimerTick, StartsNothingBeforeTheNextRunWithoutANextRunOrDuringARun) {
  s.NextRunTime = at(5, 10, 0);
  t.clock.set(at(5, 9, 59));
  Timer1_Timer(s);
  EXPECT_DOUBLE_EQ(s.NextRunTime, at(5, 10, 0));

  // After an interactive run the timer ticks, but no scheduled run ever set a next run.
  s.NextRunTime = 0;
  t.clock.set(at(5, 12, 0));
  Timer1_Timer(s);
  EXPECT_DOUBLE_EQ(s.NextRunTime, 0);

  s.NextRunTime = at(5, 10, 0);
  s.RunActive = true;
  Timer1_Timer(s);
  EXPECT_DOUBLE_EQ(s.NextRunTime, at(5, 10, 0));
  EXPECT_EQ(links->count("runstations"), 0);
}

TEST_F(TimerTick, CompactsOnceADayFromTheSecondDayAndRecordsFailures) {
  s.HdbUseDAO = true;
  s.form.chkCompactRepair.Value = 1;
  s.BatchInterval = 60;
  struct Tick {
    vb::VbDate now;
    int compactions;  // compactions so far
  } ticks[] = {
      {at(5, 0, 30), 0}, {at(5, 1, 30), 0}, {at(5, 2, 30), 0},  // the first day is only recorded
      {at(6, 0, 30), 0},                                        // not in hour 0
      {at(6, 1, 30), 1}, {at(6, 2, 30), 1},                     // once on the next day
      {at(7, 1, 30), 2},
  };
  for (const Tick& tick : ticks) {
    t.clock.set(tick.now);
    s.NextRunTime = tick.now;
    s.form.Timer1.Enabled = true;
    Timer1_Timer(s);
    EXPECT_EQ(links->count("CompactRepair"), tick.compactions) << vb::Format(tick.now, "dd hh:mm");
  }
  EXPECT_EQ(links->count("runstations"), 7);  // a due tick always starts its run
  EXPECT_FALSE(links->timerOnAtCompaction);
  EXPECT_EQ(links->captionAtCompaction, "Compact&Repair");
  EXPECT_EQ(s.CompactStatus, 1);

  links->compactError = "CompactRepair: the file is in use";
  t.clock.set(at(8, 3, 0));
  s.NextRunTime = at(8, 3, 0);
  Timer1_Timer(s);
  EXPECT_EQ(s.CompactStatus, -1);
  EXPECT_EQ(s.LastError, "CompactRepair: the file is in use");
  EXPECT_EQ(links->count("runstations"), 8);
}

TEST_F(TimerTick, NeverCompactsOverAdo) {
  s.form.chkCompactRepair.Value = 1;
  for (int day = 5; day <= 8; ++day) {
    t.clock.set(at(day, 2, 0));
    s.NextRunTime = at(day, 2, 0);
    Timer1_Timer(s);
  }
  EXPECT_EQ(links->count("CompactRepair"), 0);
  EXPECT_EQ(s.LastCompactDay, 0);
}

}  // namespace
}  // namespace fw
