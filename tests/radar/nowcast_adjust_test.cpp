#include "radar/nowcast_adjust.h"
#include "radar/radar_form_hooks.h"

#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr vb::VbDate kRun = testing::kTestNow;
constexpr double kMinute = 1.0 / 1440.0;

// A nowcast of n images 5 minutes apart after the run time, all dry.
struct Row {
  std::vector<double> values;
  std::vector<vb::VbDate> times;
  explicit Row(int n) : values(static_cast<std::size_t>(n), 0.0) {
    for (int i = 0; i < n; ++i) times.push_back(kRun + (i + 1) * 5 * kMinute);
  }
  NowcastAdjustRow as(int16_t type) { return {type, &values, &times}; }
};

TEST(NowcastAdjust, CountsThirdsAgainstTheThreshold) {
  Row r(23);  // two hours less one image: thirds of 7 (t = 22 / 3 rounds to 7)
  for (int i : {0, 2, 4, 6, 7}) r.values[static_cast<std::size_t>(i)] = 0.05;  // first part 0..7
  r.values[1] = 0.0499;
  for (int i : {8, 11, 14}) r.values[static_cast<std::size_t>(i)] = 0.1;  // middle 8..14
  std::vector<NowcastAdjustRow> rows = {r.as(2)};
  std::vector<StormCountEntry> counts;
  const NowcastSummary s = adjustNowcasts(rows, {0, 22}, 12, kRun, 0, counts);
  ASSERT_TRUE(s.Made);
  EXPECT_EQ(s.text(), "5 3 0 NNN Diff: 5, 3");  // no previous run: nothing weakens
  ASSERT_EQ(counts.size(), 1u);
  EXPECT_EQ(counts[0].Middle, 3);
  EXPECT_EQ(counts[0].Last, 0);
  EXPECT_EQ(r.values[8], 0.1);  // no damping ran
  EXPECT_EQ(adjustTypeCaption(s), "Adj Type 2 Count 5-min>0.05 by Hour: 5 3 0 NNN Diff: 5, 3");
}

TEST(NowcastAdjust, WeakeningMiddleOfTypeThreeIsDampedByLeadTime) {
  // Three hours: A = 0, B = 35, thirds of 12 (C1 = 12, C2 = 24); image i is (i + 1) * 5 minutes ahead.
  Row r(36);
  for (int i : {13, 18, 23, 24}) r.values[static_cast<std::size_t>(i)] = 0.1;
  std::vector<NowcastAdjustRow> rows = {r.as(3)};
  std::vector<StormCountEntry> counts = {{0, 9}};  // the last run's last part had 9
  const NowcastSummary s = adjustNowcasts(rows, {0, 35}, 12, kRun, 1.0, counts);
  EXPECT_EQ(s.text(), "0 4 0 NYN Diff: 0, -5");
  EXPECT_NEAR(r.values[13], 0.1 * (0.8 - 0.2 * 10 / 60), 1e-12);  // 70 minutes
  EXPECT_NEAR(r.values[18], 0.1 * (0.8 - 0.2 * 35 / 60), 1e-12);  // 95 minutes
  EXPECT_NEAR(r.values[23], 0.06, 1e-12);                         // 120 minutes: 0.6
  EXPECT_NEAR(r.values[24], 0.06, 1e-12);                         // past 120: kept at 0.6
  EXPECT_EQ(counts[0].Middle, 4);
  EXPECT_EQ(counts[0].Last, 0);
}

TEST(NowcastAdjust, FirstPartNeverAboveOneAndLastPartForAnyType) {
  Row first(36);
  first.times[0] = kRun - 10 * kMinute;  // before the run time
  first.values[0] = 0.2;
  first.values[11] = 0.2;  // 60 minutes: 0.7
  first.values[5] = 0.2;   // 30 minutes: 0.85
  Row last(36);
  for (int i : {25, 29, 33, 35}) last.values[static_cast<std::size_t>(i)] = 0.1;
  last.values[13] = 0.1;  // middle part: type 2 never damps it
  std::vector<NowcastAdjustRow> rows = {first.as(3), last.as(2)};
  std::vector<StormCountEntry> counts = {{7, 0}, {0, 9}};
  const NowcastSummary s = adjustNowcasts(rows, {0, 35}, 12, kRun, 0, counts);
  EXPECT_EQ(s.text(), "3 0 0 YNN Diff: -4, 0");
  EXPECT_NEAR(first.values[0], 0.2, 1e-12);
  EXPECT_NEAR(first.values[5], 0.2 * 0.85, 1e-12);
  EXPECT_NEAR(first.values[11], 0.2 * 0.7, 1e-12);
  EXPECT_NEAR(last.values[13], 0.1, 1e-12);
  EXPECT_NEAR(last.values[25], 0.1 * (0.6 - 0.2 * 10 / 60), 1e-12);  // 130 minutes
  EXPECT_NEAR(last.values[29], 0.05, 1e-12);                          // 150 minutes: 0.5
  EXPECT_NEAR(last.values[33], 0.1 * (0.6 - 0.2 * 50 / 60), 1e-12);  // 170 minutes
  EXPECT_NEAR(last.values[35], 0.04, 1e-12);                          // 180 minutes: 0.4
}

TEST(NowcastAdjust, TypeOneAveragesAnHourAheadOnlyWithinTheStoredValues) {
  // 62 values: A moves to 12, B stays at 61 (12 + 48 < 61); the look-ahead of i > 49 would
  // read past the last value and keeps the value instead.
  Row r(62);
  for (int i = 0; i < 62; ++i) r.values[static_cast<std::size_t>(i)] = i * 0.001;
  std::vector<NowcastAdjustRow> rows = {r.as(1)};
  std::vector<StormCountEntry> counts;
  const NowcastSummary s = adjustNowcasts(rows, {0, 61}, 12, kRun, 0, counts);
  EXPECT_EQ(s.Marks, "NNN");
  EXPECT_NEAR(r.values[11], 0.011, 1e-12);  // before the moved window
  EXPECT_NEAR(r.values[12], (24 + 12) * 0.0005, 1e-12);
  EXPECT_NEAR(r.values[49], (61 + 49) * 0.0005, 1e-12);
  EXPECT_NEAR(r.values[50], 0.050, 1e-12);
  EXPECT_NEAR(r.values[61], 0.061, 1e-12);
  // A short nowcast also moves B one hour earlier.
  Row shortRow(40);
  std::vector<NowcastAdjustRow> two = {shortRow.as(1), shortRow.as(0)};
  adjustNowcasts(two, {0, 39}, 12, kRun, 0, counts);
  EXPECT_EQ(counts.size(), 2u);
}

TEST(NowcastAdjust, LogLineAndReport) {
  NowcastSummary s;
  s.Made = true;
  s.AdjustType = 3;
  s.K1 = 5;
  s.K2 = 3;
  s.D1 = 3;
  s.D2 = 5;
  EXPECT_EQ(stormCountLine(s, kRun, "ESX", "-10012", "30"),
            "5 3 0 NNN Diff: 5, 3 2024/06/05 13:15 ESX -10012 DIFF check = -4 batch interval= 30 min Storm Count>0.05");
  testing::TestSession t;
  t.s.RunDateTime = kRun;
  reportNowcastSummary(t.s, s, "ESX", "-10012");
  EXPECT_EQ(testing::readFile(t.folder / kStormCountLog),
            "5 3 0 NNN Diff: 5, 3 2024/06/05 13:15 ESX -10012 DIFF check = -4 batch interval= 0 min Storm Count>0.05\r\n");
  EXPECT_NE(t.s.form.Text1.Text.find("Nowcast Adjust Type 3"), std::string::npos);
  EXPECT_NE(t.s.form.Text1.Text.find("Count: 5 3 0 NNN Diff: 5, 3"), std::string::npos);
  EXPECT_EQ(t.s.Form3.AdjustTypeCaption, "Adj Type 3 Count 5-min>0.05 by Hour: 5 3 0 NNN Diff: 5, 3");
  EXPECT_TRUE(t.s.Form3.labelAdjustTypeVisible);
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

TEST(NowcastOptions, ReadFromTheOptionsTextAndImageCount) {
  const NowcastOptions o = parseNowcastOptions("nowcast t1 e3 las");
  EXPECT_TRUE(o.Asked);
  EXPECT_EQ(o.Hours, 1);  // not "1 E3", a thousand
  EXPECT_EQ(o.AdjustType, 3);
  EXPECT_EQ(o.WindsStation, "LAS");
  EXPECT_FALSE(parseNowcastOptions("0.05,0.1").Asked);
  EXPECT_EQ(parseNowcastOptions("NOWCAST T2.5 LAS").Hours, 2.5);
  // With 5-minute images: 2 hours make 23 images; a last image at minute 15 takes an hour off.
  EXPECT_EQ(nowcastImageCount(2, 0, 5), 23);
  EXPECT_EQ(nowcastImageCount(2, 15, 5), 11);
  EXPECT_EQ(nowcastImageCount(1, 15, 5), 11);  // at least one hour
  EXPECT_EQ(nowcastImageCount(1, 30, 4), 14);
}

}  // namespace
}  // namespace fw
