#include "run/alert_setup.h"

#include <gtest/gtest.h>

#include "store/hourly_writer.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr vb::VbDate kRunStart = 45448.5;  // 2024-06-05 12:00

TEST(AlertSetUp, AFlowAlertWithNamedLevelsAndEmail) {
  FloodAlertTracker t;
  t.AlertValue = 17;
  t.AlertSumWindow = {1, 2};
  int16_t email = 0;
  ASSERT_TRUE(alertSetUp(t, email, "Flow-Alert>5000-HOUR-EMAIL-4000 ACTION,5000 MINOR,7000 MODERATE,9000 MAJOR",
                         kRunStart, 0));
  EXPECT_EQ(t.AlertLevel, 5000);
  EXPECT_EQ(t.AlertTableWord, "HOUR");
  EXPECT_EQ(alertTableKind(t.AlertTableWord), 2);
  EXPECT_EQ(t.AlertPrefix, "FLOW");
  EXPECT_EQ(email, -1);
  EXPECT_EQ(t.AlertSumCount, 0);
  EXPECT_EQ(t.AlertLastLevel, 3);
  EXPECT_EQ(t.AlertTexts, (std::vector<std::string>{"4000 ACTION", "5000 MINOR", "7000 MODERATE", "9000 MAJOR"}));
  EXPECT_EQ(t.AlertLevels, (std::vector<double>{4000, 5000, 7000, 9000}));
  EXPECT_EQ(t.AlertCrossDates, (std::vector<vb::VbDate>{0, 0, 0, 0}));
  EXPECT_EQ(t.AlertFromTime, kRunStart);
  EXPECT_EQ(t.AlertValue, 0);
  EXPECT_TRUE(t.AlertSumWindow.empty());
  EXPECT_EQ(t.AlertActive, 0);  // the options set the table kind
}

TEST(AlertSetUp, ARainSumWithEmailCopiesFromTheSecondCrossing) {
  FloodAlertTracker t;
  int16_t email = 0;
  ASSERT_TRUE(alertSetUp(t, email, "Rain-Alert>2-HOUR-6SUM-EMAILTO2-1 ACTION,2 MINOR,3 MAJOR", kRunStart, 0));
  EXPECT_EQ(email, 2);
  EXPECT_EQ(t.AlertSumCount, 6);
  EXPECT_NEAR(t.AlertFromTime, kRunStart - 6.0 / 24, 1e-12);  // six hours before the run start
  EXPECT_EQ(t.AlertLevel, 2);
  EXPECT_EQ(t.AlertLastLevel, 2);
  EXPECT_EQ(t.AlertLevels, (std::vector<double>{1, 2, 3}));
}

TEST(AlertSetUp, EdgeCases) {
  struct Case {
    const char* name;
    int16_t emailBefore, emailAfter;
    int16_t lastLevel;
    std::vector<double> levels;
  };
  const Case cases[] = {
      {"Flow>5000", 0, 0, 0, {0}},                          // no "-": only the window start
      {"Flow-Alert>5000-DAY-4000 ACTION", 0, 0, 0, {0}},    // one named level: count 0, value 0
      {"Flow-Alert>5000-DAY-EMAILTO3", 0, 3, 0, {0}},       // EMAILTO3 as the last part: no list
      {"Flow-Alert>5000-DAY-EMAIL", 0, -1, 0, {0}},
      {"Flow-Alert>5000-DAY-EMAILTO0", -1, 1, 0, {0}},      // 0 or 1 after EMAILTO gives 1
      {"Flow-Alert>5000-DAY-EMAIL", 3, 3, 0, {0}},          // an earlier setting stays
      {"Flow-Alert>5000-DAYMAX-EMAIL-1,2", 0, -1, 1, {1, 2}},
  };
  for (const Case& c : cases) {
    FloodAlertTracker t;
    t.AlertTexts = {"old"};
    t.AlertTableWord = "UNIT";
    int16_t email = c.emailBefore;
    ASSERT_TRUE(alertSetUp(t, email, c.name, kRunStart, 1)) << c.name;
    EXPECT_EQ(email, c.emailAfter) << c.name;
    EXPECT_EQ(t.AlertLastLevel, c.lastLevel) << c.name;
    EXPECT_EQ(t.AlertLevels, c.levels) << c.name;
    EXPECT_EQ(t.AlertCrossDates.size(), c.levels.size()) << c.name;
    EXPECT_NEAR(t.AlertFromTime, kRunStart + 1.0 / 24, 1e-12) << c.name;
  }
  FloodAlertTracker t;
  int16_t email = 0;
  alertSetUp(t, email, "Flow>5000", kRunStart, 0);
  EXPECT_EQ(t.AlertTableWord, "");
  EXPECT_EQ(t.AlertLevel, 0);
  EXPECT_TRUE(t.AlertTexts.empty());
}

TEST(AlertSetUp, ALineWithoutAlertOnlyResetsTheTracker) {
  FloodAlertTracker t;
  t.AlertActive = 2;
  t.AlertSumCount = 6;
  t.AlertValue = 3;
  t.AlertLastLevel = 2;
  int16_t email = -1;
  EXPECT_FALSE(alertSetUp(t, email, "Flow", kRunStart, 0));
  EXPECT_EQ(t.AlertActive, 0);
  EXPECT_EQ(t.AlertSumCount, 0);
  EXPECT_EQ(t.AlertValue, 0);
  EXPECT_EQ(t.AlertLastLevel, 2);
  EXPECT_EQ(email, -1);
}

TEST(AlertSetUp, TableWords) {
  EXPECT_EQ(alertTableKind(" day "), 1);
  EXPECT_EQ(alertTableKind("HOUR"), 2);
  EXPECT_EQ(alertTableKind("UNIT"), 3);
  EXPECT_EQ(alertTableKind("DAYMAX"), 4);
  EXPECT_EQ(alertTableKind("WEEK"), 0);
  EXPECT_EQ(alertTableKind(""), 0);
}

TEST(AlertSetUp, TheHourlyWriterFillsTheCrossingDatesOfAParsedAlertLine) {
  testing::TestSession t;
  Session& s = t.s;
  testing::openTestHdb(s, testing::HdbEngine::AdoSqlite);
  const vb::VbDate day = 45448;
  auto hour = [&](int h) { return vb::roundToSecond(day + h / 24.0); };
  int16_t email = 0;
  ASSERT_TRUE(alertSetUp(s.Alert, email, "Flow-Alert>5000-HOUR-EMAIL-4000 ACTION,5000 MINOR,7000 MODERATE,9000 MAJOR",
                         day, 0));
  s.Alert.AlertActive = alertTableKind(s.Alert.AlertTableWord);
  s.form.Check3.Value = 1;  // "Write  Hourly Avg"
  s.HourSeries = {{hour(0), 2000, 0}, {hour(1), 3000, 0}, {hour(2), 4500, 0}, {hour(3), 5200, 0}, {hour(4), 6000, 0}};
  int32_t last = 4;
  hdbhourly(s, "1001", 1, 2, 0, last, 1, "", 0, hour(4));
  ASSERT_EQ(s.Alert.AlertCrossDates.size(), 4u) << s.LastError;
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.Alert.AlertCrossDates[0], hour(2));
  EXPECT_EQ(s.Alert.AlertCrossDates[1], hour(3));
  EXPECT_EQ(s.Alert.AlertCrossDates[2], 0);
  EXPECT_EQ(s.Alert.AlertCrossDates[3], 0);
}

}  // namespace
}  // namespace fw
