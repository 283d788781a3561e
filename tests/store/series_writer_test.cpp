#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/format.h"
#include "store/series_writer.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;

const vb::VbDate kDay = 45448;  // 06/05/2024
vb::VbDate at(int hour) {
  return vb::roundToSecond(kDay + hour / 24.0);
}

// A writer of full time stamps into rhour, described the way the next writers are.
SeriesWriter hourlyLike() {
  SeriesWriter w = dailyRules();
  w.routine = "hourlylike";
  w.valueTable = "rhour";
  w.modelRunTable = "mhour";
  w.series = &StoreState::HourSeries;
  w.busyBox = &MainForm::Check3;
  w.busyBoxName = "Check3";
  w.key = writer::timeKey;
  w.period = [](const WriterPass& p, PeriodUse) {
    return "date_time between #" + vb::Format(p.element(p.first).date - 0.0007, "mm/dd/yyyy hh:mm") +
           "# and #" + vb::Format(p.element(p.last).date + 0.0007, "mm/dd/yyyy hh:mm") + "#";
  };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    row = {vb::Variant(p.dsidNumber()), vb::Variant::Date(e.date), vb::Variant(e.value),
           vb::Variant(writer::sourceOf(p, e))};
    writer::addModelRunColumns(p, row);
  };
  return w;
}

class SeriesWriterTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override { file = testing::openTestHdb(s, GetParam()); }
  WriterForm form() const { return s.HdbUseDAO ? WriterForm::DaoImmediate : WriterForm::AdoBatch; }
  std::vector<std::pair<vb::VbDate, double>> rows() {
    testing::TestConnection b(file);
    db::QueryResult r = b.run("select date_time, value from rhour order by date_time");
    std::vector<std::pair<vb::VbDate, double>> out;
    for (size_t i = 0; i < r.rowCount(); ++i)
      out.emplace_back(r.cells[i * 2].toDate(), r.cells[i * 2 + 1].toDouble());
    return out;
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(SeriesWriterTest, ATimeKeyProtectsOnlyTheSameTime) {
  execSql(file, "insert into rhour values (1001, " + testing::dateSql(at(1)) +
                    ", 50, 5);"
                    "insert into rhour values (1001, " +
                    testing::dateSql(at(2)) + ", 60, 2);");
  s.HourSeries = {{at(0), 1, 0}, {at(1), 2, 0}, {at(2), 3, 0}, {at(3), 4, 0}};
  const WriteResult r = runSeriesWriter(s, hourlyLike(), WriterArgs{"1001", 3, 2, 0}, form());
  EXPECT_TRUE(r.wrote);
  EXPECT_EQ(rows(),
            (std::vector<std::pair<vb::VbDate, double>>{{at(0), 1}, {at(1), 50}, {at(2), 3}, {at(3), 4}}));
  EXPECT_EQ(s.form.Check3.BackColor, kDoneColor);
  EXPECT_EQ(s.form.Text1.Text, "");  // only the daily writer logs its protected days
}

TEST_P(SeriesWriterTest, APassThatDoesNotWriteStillWalksTheElements) {
  execSql(file, "insert into rhour values (1001, " + testing::dateSql(at(1)) + ", 50, 2);");
  SeriesWriter w = hourlyLike();
  std::vector<int32_t> seen;
  w.writing = [](const WriterPass&) { return false; };
  w.afterAccepted = [&](WriterPass&, int32_t i) { seen.push_back(i); };
  s.HourSeries = {{at(0), 1, 0}, {at(1), MissingValue, 0}, {at(2), 3, 0}};
  runSeriesWriter(s, w, WriterArgs{"1001", 2, 2, 0}, form());
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(rows(), (std::vector<std::pair<vb::VbDate, double>>{{at(1), 50}}));
  EXPECT_EQ(s.form.Check3.BackColor, CheckBox::kDefaultBackColor);
}

INSTANTIATE_TEST_SUITE_P(Engines, SeriesWriterTest, ::testing::Values(HdbEngine::Dao, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
