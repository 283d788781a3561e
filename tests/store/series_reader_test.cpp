#include <gtest/gtest.h>

#include "platform/db/dialect.h"
#include "platform/db/error.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/date.h"
#include "store/series_reader.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;

const vb::VbDate kDay = 45448;  // 06/05/2024
vb::VbDate at(int hour, int minute) { return vb::roundToSecond(kDay + (hour * 60 + minute) / 1440.0); }

class SeriesReaderTest : public ::testing::TestWithParam<testing::HdbEngine> {
 protected:
  void SetUp() override { file = testing::openTestHdb(s, GetParam()); }

  // Unit values of DSID 1001 every 15 minutes from 10:00, value = index + 1.
  void storeUnits(int n, const std::string& table = "runit", const std::string& extra = "") {
    std::string sql;
    for (int i = 0; i < n; ++i)
      sql += "insert into " + table + " values (1001, " + testing::dateSql(at(10, 15 * i)) + ", " + std::to_string(i + 1) +
             ", 2" + extra + ");";
    execSql(file, sql);
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
  int32_t count = 99;
};

TEST_P(SeriesReaderTest, CapacityLimitsTheReadZeroAndOneBased) {
  storeUnits(20);
  s.UnitSeries.assign(11, SeriesPoint{});  // capacity 10
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(s.UnitSeries[0].date, at(10, 0));
  EXPECT_EQ(s.UnitSeries[0].value, 1);
  EXPECT_EQ(s.UnitSeries[0].source, 2);
  EXPECT_EQ(s.UnitSeries[10].value, 11);

  // The store's shared recordset, left open by an earlier query, is closed by the read.
  if (s.HdbUseDAO) {
    s.HdbDaoRs = s.HdbDb.OpenRecordset("select * from runit;", db::dbOpenSnapshot);
    s.HdbDaoRsOpen = true;
  } else {
    s.HdbRs.Open("select * from runit;", s.HdbCnn);
  }
  s.UnitSeries.assign(11, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, 0, 0);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(s.UnitSeries[0].date, 0);  // untouched
  EXPECT_EQ(s.UnitSeries[1].value, 1);
  EXPECT_EQ(s.UnitSeries[10].value, 10);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
  EXPECT_FALSE(s.HdbDaoRsOpen);
  EXPECT_FALSE(s.HdbDaoRs.isOpen());
}

TEST_P(SeriesReaderTest, BothEndsOfThePeriodAreReadAndAnEmptyPeriodLeavesTheArray) {
  storeUnits(5);  // 10:00 ... 11:00
  s.UnitSeries.assign(10, SeriesPoint{});
  GetHDB(s, "1001", "runit", at(10, 15), at(10, 45), count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.UnitSeries[0].value, 2);
  EXPECT_EQ(s.UnitSeries[2].value, 4);

  s.UnitSeries.assign(10, SeriesPoint{kDay, 42, 7});
  GetHDB(s, "1001", "runit", kDay + 2, kDay + 3, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, -1);
  GetHDB(s, "1001", "runit", kDay + 2, kDay + 3, count, 0, 0, 0, 0, 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s.UnitSeries[0].value, 42);
}

TEST_P(SeriesReaderTest, ExtensionCarriesTheLastStepToTheEnd) {
  storeUnits(4);  // 10:00, 10:15, 10:30, 10:45
  s.UnitSeries.assign(20, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, at(12, 0), count, 0, 0, 0, -1, -1);
  ASSERT_EQ(count, 8);
  for (int i = 4; i <= 8; ++i) {
    EXPECT_EQ(vb::roundToSecond(s.UnitSeries[static_cast<size_t>(i)].date), at(10, 15 * i)) << i;
    EXPECT_EQ(s.UnitSeries[static_cast<size_t>(i)].value, 4);
    EXPECT_EQ(s.UnitSeries[static_cast<size_t>(i)].source, 2);
  }

  // Three values zero-based (count 2): nothing is added.
  s.UnitSeries.assign(20, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, at(10, 30), count, 0, 0, 0, -1, -1);
  EXPECT_EQ(count, 2);

  // The array's end stops the extension.
  s.UnitSeries.assign(6, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, at(12, 0), count, 0, 0, 0, -1, -1);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(s.LastError, "");
}

TEST_P(SeriesReaderTest, ExtensionStopsWhenTheLastStepIsNoMinute) {
  storeUnits(3);
  execSql(file, "insert into runit values (1001, " + testing::dateSql(at(10, 30) + 20 / 86400.0) + ", 9, 2);");
  s.UnitSeries.assign(50, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, at(12, 0), count, 0, 0, 0, -1, -1);
  EXPECT_EQ(count, 3);
}

TEST_P(SeriesReaderTest, ModelRunReadsItsRunAndTraceOnly) {
  storeUnits(3, "munit", ", 3, 12");
  execSql(file,
          "insert into munit values (1001, " + testing::dateSql(at(10, 5)) + ", 50, 2, 4, 12);"
          "insert into munit values (1001, " + testing::dateSql(at(10, 10)) + ", 60, 2, 3, 11);");
  s.UnitSeries.assign(10, SeriesPoint{});
  GetHDB(s, "1001", "munit", kDay, kDay + 1, count, -1, 12, 3, -1, 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.UnitSeries[1].value, 2);
}

TEST_P(SeriesReaderTest, ANullValueIsStoredAsMissingWithOneErrorLine) {
  storeUnits(3);
  execSql(file, "update runit set value=null where date_time=" + testing::dateSql(at(10, 15)) + ";");
  s.UnitSeries.assign(10, SeriesPoint{0, 123, 0});
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.UnitSeries[1].value, MissingValue);  // not the 123 left from before
  EXPECT_EQ(s.UnitSeries[1].date, at(10, 15));
  EXPECT_EQ(s.UnitSeries[2].value, 3);
  ASSERT_EQ(s.errlog.written().size(), 1u);
  EXPECT_EQ(s.LastError, "06-05-2024 13:151001 Module1.GetHDB Line  1  Invalid use of Null");
  EXPECT_EQ(s.form.Text1.Text, s.LastError + "\r\n");
}

TEST_P(SeriesReaderTest, ADsidThatIsNoIntegerNeverReachesSql) {
  storeUnits(3);
  s.UnitSeries.assign(10, SeriesPoint{});
  GetHDB(s, "1001 or 1=1", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, -1);
  GetHDB(s, "", "runit", kDay, kDay + 1, count, 0, 0, 0, 0, 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{"GetHDB: bad DSID 1001 or 1=1", "GetHDB: bad DSID "}));
  execSql(file, "insert into runit values (-1001, " + testing::dateSql(45448.5) + ", 1, 2);");
  GetHDB(s, "-1001", "runit", kDay, kDay + 1, count, 0, 0, 0, 0, 0);
  EXPECT_EQ(count, 1);
}

TEST_P(SeriesReaderTest, AFaultyCommandIsLoggedAndNotCounted) {
  s.UnitSeries.assign(10, SeriesPoint{});
  GetHDB(s, "1001", "nosuchtable", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{"GetHDB module1 -2147217900"}));
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_P(SeriesReaderTest, SixReadErrorsCancelTheRead) {
  storeUnits(8);
  execSql(file, "update runit set value=null;");
  s.UnitSeries.assign(20, SeriesPoint{});
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(s.errlog.written().size(), 6u);
  const std::string tail = "\r\nGetHDB read canceled after 6 errors.";
  ASSERT_GT(s.LastError.size(), tail.size());
  EXPECT_EQ(s.LastError.substr(s.LastError.size() - tail.size()), tail);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
  EXPECT_FALSE(s.HdbDaoRsOpen);
}

TEST_P(SeriesReaderTest, StochasticRainReplacesTheRead) {
  storeUnits(3);
  s.WhatIf.Stochastic = -1;
  s.UnitSeries.assign(10, SeriesPoint{0, 5, 0});
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 0);  // the default generator: nothing generated
  EXPECT_EQ(s.UnitSeries[0].value, MissingValue);
  EXPECT_EQ(s.UnitSeries[1].value, 5);

  std::string seen;
  s.StochasticRain = [&](Session& ss, const std::string& dsid, vb::VbDate, vb::VbDate, int32_t& c, int16_t runId,
                         int16_t trace, int16_t flag, std::vector<std::string>& texts) {
    seen = dsid + "/" + std::to_string(runId) + "/" + std::to_string(trace) + "/" + std::to_string(flag) + "/" +
           std::to_string(texts.size());
    ss.UnitSeries[1] = {kDay, 0.25, 14};
    c = 1;
  };
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, -1, 12, 3, -1, -1);
  EXPECT_EQ(seen, "1001/12/3/0/1");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(s.UnitSeries[1].value, 0.25);
}

INSTANTIATE_TEST_SUITE_P(Engines, SeriesReaderTest,
                         ::testing::Values(testing::HdbEngine::Dao, testing::HdbEngine::AdoJet, testing::HdbEngine::AdoSqlite,
                                           testing::HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

// The store's engine failing part way through the rows (an I/O error, say) after two rows.
class FailingPartWay : public db::SqliteBackend {
 public:
  using SqliteBackend::SqliteBackend;
  std::unique_ptr<db::RowStream> stream(const std::string& sql) override {
    struct Stream : db::RowStream {
      std::unique_ptr<db::RowStream> inner;
      int rows = 0;
      bool next() override {
        if (++rows > 2) db::raise(db::err::EngineFailure, "disk I/O error");
        return inner->next();
      }
      const vb::Variant& field(int index) override { return inner->field(index); }
    };
    auto st = std::make_unique<Stream>();
    st->inner = SqliteBackend::stream(sql);
    return st;
  }
};

TEST(SeriesReaderFailure, AnEngineErrorPartWayReadsNothingAsAnErrorAtTheOpenWould) {
  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file = testing::openTestHdb(s, testing::HdbEngine::AdoSqlite);
  for (int i = 0; i < 3; ++i)
    execSql(file, "insert into runit values (1001, " + testing::dateSql(at(10, 15 * i)) + ", " +
                      std::to_string(i + 1) + ", 2);");
  s.HdbCnn.Close();
  s.HdbCnn.OpenOn(std::make_shared<FailingPartWay>(file, false), true);
  s.UnitSeries.assign(10, SeriesPoint{});
  int32_t count = 99;
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, -1);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(s.LastError, "06-05-2024 13:151001 Module1.GetHDB Line -1  disk I/O error");
  EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{s.LastError}));
  // The connection is free again: the next read goes through.
  s.HdbCnn.Close();
  s.HdbCnn.OpenOn(std::make_shared<db::SqliteBackend>(file, false), true);
  GetHDB(s, "1001", "runit", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 2);
}

TEST(SeriesReaderWorkbook, TheTableIsNamedInSheetForm) {
  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file = testing::openTestHdb(s, testing::HdbEngine::AdoJet);
  execSql(file, "insert into rhour values (1001, #06/05/2024 10:00#, 1, 2);");
  s.HdbIsExcel = true;  // the sheet name "[rhour$]" reaches the layer, which reads table rhour
  s.UnitSeries.assign(5, SeriesPoint{});
  int32_t count = 0;
  GetHDB(s, "1001", "rhour", kDay, kDay + 1, count, 0, 0, 0, -1, 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s.UnitSeries[0].value, 1);
}

}  // namespace
}  // namespace fw
