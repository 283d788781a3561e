#include <gtest/gtest.h>

#include "platform/vb/error.h"
#include "store/connection.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;

class ConnectionTest : public ::testing::Test {
 protected:
  testing::TestSession t;
  Session& s = t.s;
};

TEST_F(ConnectionTest, ConnectionStringDecidesEngineAndDateQuoting) {
  std::filesystem::path file = testing::makeHdb(s.programFolder);
  struct Case {
    std::string conn;
    bool dao, apos;
    std::string error;  // LastError after the open
  } cases[] = {
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";User Id=admin;Password=;", true, false, ""},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=|DataDirectory|\\hdb.mdb;", false, false, ""},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=//fileserver/hydro/hdb.mdb;", false, false, ""},
      {"Provider=SQLite;Data Source=" + file.string(), false, true, ""},
      {"Provider=SQLOLEDB;Data Source=hydro;Initial Catalog=hdb;", false, true,
       "openHDB: Provider cannot be found. It may not be properly installed. The providers that work here are "
       "Microsoft.Jet.OLEDB and Microsoft.ACE.OLEDB (an SQLite file in the program's Access form), SQLite, "
       "PostgreSQL (a server), and Excel workbooks (.xlsx, named with \"Extended Properties=Excel 12.0\")."},
  };
  s.BatchMode = true;
  for (const auto& c : cases) {
    s.HdbConnString = c.conn;
    s.LastError.clear();
    openHDB(s);
    EXPECT_EQ(s.HdbUseDAO, c.dao) << c.conn;
    EXPECT_EQ(s.HdbAposDates, c.apos) << c.conn;
    EXPECT_EQ(s.LastError, c.error) << c.conn;
    EXPECT_EQ(s.HdbFile, c.dao ? file.string() : "") << c.conn;
    if (c.error.empty()) {
      EXPECT_TRUE(c.dao ? s.HdbDb.isOpen() : s.HdbCnn.State() == db::adStateOpen) << c.conn;
    }
  }
  EXPECT_EQ(s.errlog.written().back(), "openHDB: Provider cannot be found. It may not be properly installed. The providers that work here are "
       "Microsoft.Jet.OLEDB and Microsoft.ACE.OLEDB (an SQLite file in the program's Access form), SQLite, "
       "PostgreSQL (a server), and Excel workbooks (.xlsx, named with \"Extended Properties=Excel 12.0\").");
}

TEST_F(ConnectionTest, AWindowsDataSourceIsFoundInTheProgramFolder) {
  std::filesystem::path file = testing::makeHdb(s.programFolder, "Basin.mdb");
  s.HdbConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Hydro\\Basin.mdb;";
  openHDB(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.HdbFile, file.string());
  EXPECT_TRUE(s.HdbDb.isOpen());
}

TEST_F(ConnectionTest, WorkbookGetsItsOptionsOnceAndAClearError) {
  s.HdbConnString = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\b.xlsx;Extended Properties=Excel 12.0;";
  openHDB(s);
  EXPECT_TRUE(s.HdbIsExcel);
  EXPECT_FALSE(s.form.chkCompactRepair.Enabled);
  EXPECT_EQ(s.HdbConnString,
            "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\b.xlsx;Extended Properties=Excel 12.0;ReadOnly=False;HDR=Yes;");
  EXPECT_EQ(s.LastError, "openHDB: Could not find file 'C:\\b.xlsx'.");
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text,
            "openHDB: Could not find file 'C:\\b.xlsx'.... check connection string by 'Select Station(s)', "
            "'Connection'. (maybe \\Program Files (x86)\\) and then 'Save' setup.");
  std::string once = s.HdbConnString;
  openHDB(s);
  EXPECT_EQ(s.HdbConnString, once);

  std::string noSemicolon = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\b.xlsx;Extended Properties=Excel 12.0";
  s.HdbConnString = noSemicolon;
  openHDB(s);
  EXPECT_EQ(s.HdbConnString, noSemicolon + ";ReadOnly=False;HDR=Yes;");
}

TEST_F(ConnectionTest, SecondConnectionReadOnlyOrWritable) {
  std::filesystem::path file = testing::makeHdb(s.programFolder);
  std::string conn = testing::sqliteConnString(file);
  db::AdoConnection cnn;
  db::AdoRecordset rs;
  openHDB2(s, conn, cnn, rs, 0);
  EXPECT_TRUE(s.Hdb2AposDates);
  EXPECT_EQ(rs.LockType, db::adLockOptimistic);
  EXPECT_THROW(cnn.Execute("insert into rupdate values (1, 'x', null, null);"), vb::Error);

  openHDB2(s, conn, cnn, rs, -1);
  rs.Open("select * from rsite where datatype_site_id=1001;", cnn);
  rs.AddNew();
  rs.Fields(0) = "1";
  rs.Fields(1) = "1001";
  rs.Update();
  rs.Close();
  EXPECT_EQ(testing::countRows(file, "select * from rsite"), 1);

  std::string jet = testing::jetConnString(file);
  openHDB2(s, jet, cnn, rs, 0);
  EXPECT_FALSE(s.Hdb2AposDates);

  std::string bad = "Provider=SQLite;Data Source=" + (s.programFolder / "none.db").string();
  openHDB2(s, bad, cnn, rs, 0);
  EXPECT_EQ(s.LastError.rfind("openHDB2: Could not find file", 0), 0u) << s.LastError;
  EXPECT_EQ(t.ui.boxes.back().text, s.LastError + "... check connection string.");
}

class CurrentSqlTest : public ::testing::TestWithParam<testing::HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    execSql(file,
            "insert into rhour values (1001, #06/05/2024 10:00#, 3, 2);"
            "insert into rhour values (1001, #06/05/2024 11:00#, 7, 2);"
            "insert into rhour values (1001, #06/05/2024 12:00#, 5, 2);");
  }
  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(CurrentSqlTest, FirstRowSecondColumnAndLargestValue) {
  bool atEnd = false;
  vb::Variant first, second;
  double largest = -999;
  std::string sql = "select value from rhour where datatype_site_id=1001 and date_time>=#06/05/2024 10:00# order by date_time;";
  GetCurrentCNNsql(s, sql, atEnd, first, largest, second);
  EXPECT_FALSE(atEnd);
  EXPECT_EQ(first.toDouble(), 3);
  EXPECT_EQ(largest, 7);
  EXPECT_EQ(second, vb::Variant(int16_t(0)));
  EXPECT_EQ(sql.find('#') == std::string::npos, s.HdbAposDates);  // the caller's text gets the quoting
  CloseCNNrs(s);

  largest = 0;  // no scan
  std::string two = "select value, source from rhour order by date_time;";
  GetCurrentCNNsql(s, two, atEnd, first, largest, second);
  EXPECT_EQ(largest, 0);
  EXPECT_EQ(second.toDouble(), 2);
  CloseCNNrs(s);

  std::string three = "select value, source, datatype_site_id from rhour;";
  GetCurrentCNNsql(s, three, atEnd, first, largest, second);
  EXPECT_EQ(second, vb::Variant(int16_t(0)));
  CloseCNNrs(s);

  first = vb::Variant("unchanged");
  std::string none = "select value from rday where datatype_site_id=1001 and date_time=#06/06/2024#;";
  GetCurrentCNNsql(s, none, atEnd, first, largest, second);
  EXPECT_TRUE(atEnd);
  EXPECT_EQ(first.toString(), "unchanged");
  CloseCNNrs(s);
  EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
  EXPECT_FALSE(s.HdbDaoRsOpen);
  EXPECT_EQ(s.LastError, "");
}

TEST_P(CurrentSqlTest, AFailingQueryIsReportedAndEndsAtEnd) {
  bool atEnd = false;
  vb::Variant first, second;
  double largest = 0;
  std::string sql = "select value from nosuchtable;";
  GetCurrentCNNsql(s, sql, atEnd, first, largest, second);
  EXPECT_TRUE(atEnd);
  EXPECT_EQ(s.LastError.rfind("GetCurrentCNNsql: ", 0), 0u);
  EXPECT_EQ(s.errlog.written().back(), s.LastError);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, s.LastError);
}

INSTANTIATE_TEST_SUITE_P(Engines, CurrentSqlTest,
                         ::testing::Values(testing::HdbEngine::Dao, testing::HdbEngine::AdoJet, testing::HdbEngine::AdoSqlite,
                                           testing::HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
