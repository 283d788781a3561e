// The write-out of a radar pass: unit rows of the images (source 14), the hourly sum, the daily
// total and maximum, and the rupdate row, on every store back-end the run writes through.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "radar/radar_write.h"
#include "store/update_rows.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

const vb::VbDate kDay = vb::DateSerial(2024, 6, 5);
vb::VbDate at(int hour, int minute) {
  return vb::roundToSecond(kDay + vb::TimeSerial(hour, minute, 0));
}

std::vector<SeriesPoint> units(const std::vector<std::pair<vb::VbDate, double>>& values) {
  std::vector<SeriesPoint> out;
  for (const auto& [t, v] : values) out.push_back({t, v, kRadarSource, 0});
  return out;
}

TEST(RadarAggregates, TwelveImagesMakeOneHourAndOneDay) {
  std::vector<std::pair<vb::VbDate, double>> v;
  for (int k = 1; k <= 12; ++k) v.push_back({k == 12 ? at(11, 0) : at(10, 5 * k), 0.01 * k});
  const RadarAggregates a = aggregateRadarUnits(units(v), 10, true);
  ASSERT_EQ(a.hours.size(), 2u);
  EXPECT_EQ(a.hours[0].value, MissingValue);  // the first value opens the series
  EXPECT_EQ(a.hours[1].date, at(11, 0));
  EXPECT_DOUBLE_EQ(a.hours[1].value, 0.78);  // 0.01 + ... + 0.12
  ASSERT_EQ(a.days.size(), 2u);
  EXPECT_EQ(a.days[1].date, kDay);
  EXPECT_NEAR(a.days[1].value, 0.78, 1e-12);
  EXPECT_EQ(a.dayMax[1].date, at(11, 0));
  EXPECT_DOUBLE_EQ(a.dayMax[1].value, 0.12);
}

TEST(RadarAggregates, TotalsTakeTheLastValueAndAnOpenHourEndsAtItsOwnTime) {
  // Data type 9 is a running total: the hour holds its last value.
  const RadarAggregates a =
      aggregateRadarUnits(units({{at(9, 55), 0.5}, {at(10, 0), 0.6}, {at(10, 5), 0.7}, {at(10, 10), 0.9}}), 9, true);
  ASSERT_EQ(a.hours.size(), 3u);
  EXPECT_EQ(a.hours[1].date, at(10, 0));
  EXPECT_DOUBLE_EQ(a.hours[1].value, 0.6);
  EXPECT_EQ(a.hours[2].date, at(10, 10));  // the open hour: its last value's own time
  EXPECT_DOUBLE_EQ(a.hours[2].value, 0.9);
  EXPECT_DOUBLE_EQ(a.days[1].value, 0.9);
}

TEST(RadarAggregates, MaximumLinesWithTheTopOfTheHourMissing) {
  // Data type 32 averages the hour's maxima. The image at 11:00 is missing, so 11:05 closes the
  // hour and the open hour after it has no values: 0, never a division by zero.
  const RadarAggregates a = aggregateRadarUnits(
      units({{at(10, 40), 0}, {at(10, 45), 1.0}, {at(10, 50), 2.0}, {at(10, 55), 3.0}, {at(11, 5), 6.0}}), 32, true);
  ASSERT_EQ(a.hours.size(), 3u);
  EXPECT_DOUBLE_EQ(a.hours[1].value, 3.0);  // (0 + 1 + 2 + 3 + 6) / 4 values after the first
  EXPECT_EQ(a.hours[2].date, at(11, 5));
  EXPECT_EQ(a.hours[2].value, 0);
  EXPECT_FALSE(std::isnan(a.days[1].value));
  EXPECT_DOUBLE_EQ(a.days[1].value, 2);  // (3 + 0) / 2 hours, to the whole number (halves to even)
  EXPECT_DOUBLE_EQ(a.dayMax[1].value, 6.0);
}

TEST(RadarAggregates, ANewDayClosesTheDayBefore) {
  const RadarAggregates a = aggregateRadarUnits(
      units({{at(23, 50), 0.1}, {at(23, 55), 0.2}, {kDay + 1, 0.3}, {kDay + 1 + 5 / 1440.0, 0.4}}), 10, true);
  ASSERT_EQ(a.days.size(), 3u);
  EXPECT_EQ(a.days[1].date, kDay);
  EXPECT_EQ(a.days[1].value, 0);  // the hour ending at midnight is the new day's
  EXPECT_EQ(a.days[2].date, kDay + 1);
  EXPECT_NEAR(a.days[2].value, 0.1 + 0.2 + 0.3 + 0.4, 1e-12);
}

class RadarWriteTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    s.RealtimeMode = true;
    s.RunDateTime = at(13, 15);
    s.form.Check3.Value = 1;
    s.form.Check5.Value = 1;
    s.form.Check7.Value = 1;
  }
  struct Row {
    vb::VbDate date;
    double value;
    int source;
    bool operator==(const Row&) const = default;
  };
  std::vector<Row> rows(const std::string& table, const std::string& dateColumn = "date_time") {
    testing::TestConnection b(file);
    db::QueryResult r = b.run("select " + dateColumn + ", value, source from " + table +
                              " where datatype_site_id=-10012 order by " + dateColumn);
    std::vector<Row> out;
    for (size_t i = 0; i < r.rowCount(); ++i)
      out.push_back({vb::roundToSecond(r.cells[i * 3].toDate()), r.cells[i * 3 + 1].toDouble(),
                     static_cast<int>(r.cells[i * 3 + 2].toInteger())});
    return out;
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(RadarWriteTest, TwelveFiveMinuteImages) {
  RadarLineRow row;
  row.Dsid = "-10012";
  row.Label = "Las Vegas Wash";
  row.DataType = 10;
  RadarImageSeries series;
  series.reset(1);
  for (int k = 1; k <= 12; ++k) series.collect(0, k == 12 ? at(11, 0) : at(10, 5 * k), 0.01 * k);
  RadarWriteInputs in;
  in.updateTime = at(11, 0);
  EXPECT_EQ(writeRadarSeries(s, {row}, series, in), 1);

  const std::vector<Row> unitRows = rows("runit");
  ASSERT_EQ(unitRows.size(), 12u);
  EXPECT_EQ(unitRows.front(), (Row{at(10, 5), 0.01, 14}));
  EXPECT_EQ(unitRows.back(), (Row{at(11, 0), 0.12, 14}));
  EXPECT_EQ(rows("rhour"), (std::vector<Row>{{at(11, 0), 0.78, 14}}));
  const std::vector<Row> day = rows("rday");
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0].date, kDay);
  EXPECT_NEAR(day[0].value, 0.78, 1e-9);
  EXPECT_EQ(rows("rdaymax"), (std::vector<Row>{{at(11, 0), 0.12, 14}}));

  vb::VbDate updated = 0;
  double value = 0;
  s.HdbUseDAO ? hdblastupdateDAO(s, "-10012", updated, value) : hdblastupdate(s, "-10012", updated, value);
  EXPECT_EQ(vb::roundToSecond(updated), at(11, 0));
  EXPECT_EQ(value, 12);
  EXPECT_EQ(s.LastError, "");

  // A second pass over the same period replaces the rows, it does not add to them.
  EXPECT_EQ(writeRadarSeries(s, {row}, series, in), 1);
  EXPECT_EQ(rows("runit").size(), 12u);
  EXPECT_EQ(rows("rhour").size(), 1u);
}

TEST_P(RadarWriteTest, MissingImagesAtTheTopOfTheHourOnAMaximumLine) {
  RadarLineRow row;
  row.Dsid = "-10012";
  row.Label = "Las Vegas Wash max";
  row.DataType = 32;
  RadarImageSeries series;
  series.reset(1);
  series.collect(0, at(10, 45), 1.0);
  series.collect(0, at(10, 50), 2.0);
  series.collect(0, at(10, 55), 3.0);
  series.collect(0, at(11, 5), 6.0);  // 11:00 missing
  RadarWriteInputs in;
  in.updateTime = at(11, 5);
  EXPECT_EQ(writeRadarSeries(s, {row}, series, in), 1);
  // (1 + 2 + 3 + 6) / 3 values after the first; the open hour after 11:05 has none: 0.
  EXPECT_EQ(rows("rhour"), (std::vector<Row>{{at(11, 0), 4, 14}, {at(11, 5), 0, 14}}));
  EXPECT_EQ(s.LastError, "");
}

INSTANTIATE_TEST_SUITE_P(Engines, RadarWriteTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite,
                                           HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
