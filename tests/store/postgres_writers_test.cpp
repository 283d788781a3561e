// Writers on a PostgreSQL server, where several programs write at once.
#include <gtest/gtest.h>

#include <barrier>
#include <set>
#include <thread>

#include "platform/db/ado.h"
#include "store/connection.h"
#include "store/daily_writer.h"
#include "store/stored_rows.h"
#include "support/postgres_cluster.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;
using testing::PostgresCluster;

const vb::VbDate kDay0 = 45444;  // 06/01/2024

// Two programs write the same DSID's period at the same moment, round after round: the period
// holds one pass's rows each time, whole, with none lost and none twice.
TEST(PostgresWriters, TwoWritersOfOnePeriodLeaveOnePassWhole) {
  FW_REQUIRE_POSTGRES();
  testing::TestSession a;
  testing::TestSession b;
  const auto file = testing::openTestHdb(a.s, HdbEngine::AdoPostgres);
  b.s.HdbConnString = a.s.HdbConnString;
  openHDB(b.s);
  ASSERT_EQ(b.s.LastError, "");
  a.s.BatchMode = b.s.BatchMode = true;

  constexpr int kDays = 40;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    const double va = 100 + round, vb = 200 + round;
    a.s.DaySeries.clear();
    b.s.DaySeries.clear();
    for (int i = 0; i < kDays; ++i) {
      a.s.DaySeries.push_back({kDay0 + i, va, 0});
      b.s.DaySeries.push_back({kDay0 + i, vb, 0});
    }
    std::barrier start(2);
    auto writer = [&](Session& s) {
      start.arrive_and_wait();
      hdbdaily(s, "1001", kDays - 1, 2, 1);
    };
    std::thread ta(writer, std::ref(a.s));
    std::thread tb(writer, std::ref(b.s));
    ta.join();
    tb.join();

    const auto rows = testing::storedRows(file, "rday");
    ASSERT_EQ(rows.size(), static_cast<size_t>(kDays));
    std::set<double> values;
    std::set<vb::VbDate> dates;
    for (const auto& r : rows) {
      values.insert(r.value);
      dates.insert(r.date);
    }
    EXPECT_EQ(dates.size(), static_cast<size_t>(kDays));
    ASSERT_EQ(values.size(), 1u) << "a mix of the two passes";
    EXPECT_TRUE(*values.begin() == va || *values.begin() == vb);
    // A pass that gave way ran again and succeeded: nothing was reported.
    for (const auto* s : {&a.s, &b.s}) EXPECT_TRUE(s->errlog.written().empty()) << s->errlog.written().front();
  }
}

// Two programs write thirty series each at the same moment. On a small table the server locks
// whole pages or the table for its serializable checks, so passes of different series conflict
// too, and the same pass may conflict more than once: each runs again until it is whole, and
// nothing is reported.
TEST(PostgresWriters, WritersOfManySeriesAtOnceRunAgainUntilTheirPassesAreWhole) {
  FW_REQUIRE_POSTGRES();
  for (int fresh = 0; fresh < 2; ++fresh) {
    SCOPED_TRACE(fresh);
    testing::TestSession a;
    testing::TestSession b;
    const auto file = testing::openTestHdb(a.s, HdbEngine::AdoPostgres);
    b.s.HdbConnString = a.s.HdbConnString;
    openHDB(b.s);
    a.s.BatchMode = b.s.BatchMode = true;
    std::barrier start(2);
    auto writer = [&](Session& s, double v) {
      start.arrive_and_wait();
      for (int dsid = 1001; dsid < 1031; ++dsid) {
        s.DaySeries.clear();
        for (int i = 0; i < 20; ++i) s.DaySeries.push_back({kDay0 + i, v, 0});
        hdbdaily(s, std::to_string(dsid), 19, 2, 1);
      }
    };
    std::thread ta(writer, std::ref(a.s), 1.0);
    std::thread tb(writer, std::ref(b.s), 2.0);
    ta.join();
    tb.join();
    for (const auto* s : {&a.s, &b.s}) EXPECT_TRUE(s->errlog.written().empty()) << s->errlog.written().front();
    EXPECT_EQ(testing::countRows(file, "select * from rday"), 30 * 20);
  }
}

// The server goes away under a connection (a restart, a network cut): the station that meets it
// fails with the server's text, and the next one connects again.
TEST(PostgresWriters, ALostConnectionFailsOneWriteAndTheNextReconnects) {
  FW_REQUIRE_POSTGRES();
  testing::TestSession t;
  Session& s = t.s;
  const auto file = testing::openTestHdb(s, HdbEngine::AdoPostgres);
  s.BatchMode = true;
  // Another session ends this program's server process, as an administrator or a restart would.
  testing::execSql(file, "select pg_terminate_backend(pid) from pg_stat_activity where application_name = "
                         "'flumewright' and datname = current_database();");
  s.DaySeries = {{kDay0, 1, 0}, {kDay0 + 1, 2, 0}};
  hdbdaily(s, "1001", 1, 2, 1);
  EXPECT_NE(s.LastError, "");
  EXPECT_TRUE(testing::storedRows(file, "rday").empty());
  s.LastError.clear();
  s.DaySeries = {{kDay0, 1, 0}, {kDay0 + 1, 2, 0}};
  hdbdaily(s, "1001", 1, 2, 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(testing::storedRows(file, "rday").size(), 2u);
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

TEST(PostgresConnection, AServerIsReachedOverAdoWithApostropheDatesAndNoCompaction) {
  FW_REQUIRE_POSTGRES();
  PostgresCluster& c = *PostgresCluster::get();
  const std::string database = c.makeDatabase();
  for (const std::string& conn :
       {c.connString(database), "Provider=PostgreSQL OLE DB Provider;Server=127.0.0.1;Port=" + std::to_string(c.port()) +
                                    ";Initial Catalog=" + database + ";UID=" + PostgresCluster::kUser +
                                    ";PWD=" + PostgresCluster::kPassword,
        std::string("postgresql://") + PostgresCluster::kUser + ":" + PostgresCluster::kPassword + "@127.0.0.1:" +
            std::to_string(c.port()) + "/" + database}) {
    testing::TestSession t;
    Session& s = t.s;
    s.form.chkCompactRepair.Enabled = true;
    s.HdbConnString = conn;
    openHDB(s);
    EXPECT_EQ(s.LastError, "") << conn;
    EXPECT_FALSE(s.HdbUseDAO) << conn;
    EXPECT_TRUE(s.HdbAposDates) << conn;
    EXPECT_FALSE(s.form.chkCompactRepair.Enabled) << conn;
    EXPECT_EQ(s.HdbCnn.State(), db::adStateOpen) << conn;
    // A date read back is the date written, at whole seconds.
    s.HdbCnn.Execute("insert into rupdate values (7, 'n', '06/05/2024 13:15', 1.5)");
    db::AdoRecordset rs;
    rs.Open("select updated, value from rupdate where datatype_site_id=7", s.HdbCnn);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Value(0).toDate(), vb::roundToSecond(45448 + (13 * 60 + 15) / 1440.0));
    EXPECT_EQ(rs.Value(1).toDouble(), 1.5);
    rs.Close();
    s.HdbCnn.Execute("delete from rupdate");
  }
}

TEST(PostgresConnection, AFailedOpenShowsNoPassword) {
  FW_REQUIRE_POSTGRES();
  PostgresCluster& c = *PostgresCluster::get();
  const std::string database = c.makeDatabase();
  for (const std::string& conn : {c.connString(database, "Wr0ng-Pa55"),
                                  std::string("postgresql://") + PostgresCluster::kUser + ":Wr0ng-Pa55@127.0.0.1:" +
                                      std::to_string(c.port()) + "/" + database}) {
    testing::TestSession t;
    Session& s = t.s;
    s.HdbConnString = conn;
    openHDB(s);
    EXPECT_EQ(s.LastError.rfind("openHDB: ", 0), 0u) << s.LastError;
    EXPECT_NE(s.LastError.find("password authentication failed"), std::string::npos) << s.LastError;
    EXPECT_EQ(s.LastError.find("Wr0ng-Pa55"), std::string::npos) << s.LastError;
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text.find("Wr0ng-Pa55"), std::string::npos);
  }
}

}  // namespace
}  // namespace fw
