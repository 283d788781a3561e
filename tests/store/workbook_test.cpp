// A workbook database: the daily writer stores a period into an .xlsx through the program's
// connection string, the file is written back whole and read again by the layer and by a reader
// that shares no code with it; a write-back killed halfway leaves the old workbook; a workbook
// another program holds open is read but never written.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <string>
#include <vector>

#include "platform/db/ado.h"
#include "platform/db/error.h"
#include "platform/db/workbook_backend.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "store/compact_repair.h"
#include "store/connection.h"
#include "store/daily_writer.h"
#include "store/extremes_writer.h"
#include "store/hourly_writer.h"
#include "store/unit_writer.h"
#include "support/test_hdb.h"
#include "support/test_session.h"
#include "support/test_workbook.h"

namespace fw {
namespace {

const vb::VbDate kDay0 = 45444;  // 06/01/2024

struct Row {
  double dsid, date, value, source;
  bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Row& r) {
  return o << "{" << r.dsid << ", " << r.date << ", " << r.value << ", " << r.source << "}";
}

// The rday rows as the independent reader sees them.
std::vector<Row> rdayByPython(const std::filesystem::path& file) {
  std::vector<Row> out;
  for (const std::string& line : testing::readWorkbookWithPython(file)) {
    if (line.rfind("rday|", 0) != 0 || line.find("datatype_site_id") != std::string::npos) continue;
    std::vector<double> v;
    size_t start = 5;
    for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
      v.push_back(std::stod(line.substr(start, bar - start)));
    v.push_back(std::stod(line.substr(start)));
    if (v.size() == 4) out.push_back({v[0], v[1], v[2], v[3]});
  }
  return out;
}

// The rday rows as the layer reads them over a connection of its own.
std::vector<Row> rdayByLayer(const std::filesystem::path& file) {
  db::AdoConnection cnn;
  cnn.ConnectionString = testing::workbookConnString(file);
  cnn.Mode = db::adModeRead;
  cnn.Open();
  db::AdoRecordset rs;
  rs.Open("select * from [rday$] order by date_time", cnn);
  std::vector<Row> out;
  for (; !rs.Eof(); rs.MoveNext())
    out.push_back({rs.Value(0).toDouble(), rs.Value(1).toDate(), rs.Value(2).toDouble(), rs.Value(3).toDouble()});
  return out;
}

std::vector<std::filesystem::path> leftovers(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().find(".writing-") != std::string::npos) out.push_back(e.path());
  return out;
}

class WorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::makeWorkbook(book);
    s.HdbConnString = testing::workbookConnString(book);
    s.BatchMode = true;
  }
  void writeDays(std::vector<double> values) {
    s.DaySeries.clear();
    for (size_t i = 0; i < values.size(); ++i) s.DaySeries.push_back({kDay0 + static_cast<double>(i), values[i], 0});
    openHDB(s);
    hdbdaily(s, "1001", static_cast<int32_t>(values.size()) - 1, 2, 1);
  }
  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path book = s.programFolder / "hdb.xlsx";
};

TEST_F(WorkbookTest, DailyWriterStoresAPeriodThatBothReadersSee) {
  openHDB(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(s.HdbIsExcel);
  EXPECT_FALSE(s.HdbUseDAO);
  EXPECT_EQ(s.HdbConnString, testing::workbookConnString(book) + "ReadOnly=False;HDR=Yes;");

  writeDays({10.5, 11, 12});
  EXPECT_EQ(s.LastError, "");
  const std::vector<Row> want = {{1001, kDay0, 10.5, 2}, {1001, kDay0 + 1, 11, 2}, {1001, kDay0 + 2, 12, 2}};
  EXPECT_EQ(rdayByLayer(book), want);
  EXPECT_EQ(rdayByPython(book), want);
  // The other sheets are written back as they were.
  const auto lines = testing::readWorkbookWithPython(book);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "rsite|1|1001|Test Creek|1|Flow|cfs|cubic feet per second|00060|USGS|1|AZ|0"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "rhour|datatype_site_id|date_time|value|source"), lines.end());
  EXPECT_TRUE(leftovers(s.programFolder).empty());

  // A second pass replaces the days of its period, as on every engine: the day it has no value
  // for is gone.
  writeDays({10.5, 21});
  s.DaySeries.push_back({kDay0 + 3, 13, 0});
  hdbdaily(s, "1001", 2, 2, 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(rdayByPython(book),
            (std::vector<Row>{{1001, kDay0, 10.5, 2}, {1001, kDay0 + 1, 21, 2}, {1001, kDay0 + 3, 13, 2}}));
}

// Every writer stores in a workbook what it stores in an SQLite file for the same call: the period's
// rows replaced, a protected row kept, a stored row the new series lacks removed, the open last
// hour and today's extremes written.
TEST(WorkbookWriters, EveryWriterStoresWhatAnSqliteFileStores) {
  const vb::VbDate today = vb::Int(testing::kTestNow);
  const double M = MissingValue;
  const std::vector<std::string> tables = {"rday", "rhour", "runit", "rdaymax", "rdaymin"};
  // Stored before the call: table, date column values, value, source.
  struct Seed {
    std::string table;
    vb::VbDate day, time;
    double value, source;
  };
  const std::vector<Seed> seeds = {{"rday", today - 3, 0, 1, 2},
                                   {"rday", today - 2, 0, 1, 5},
                                   {"rday", today - 1, 0, 1, 2},
                                   {"rday", today - 9, 0, 9, 2},
                                   {"rhour", 0, today + 1 / 24.0, 1, 2},
                                   {"rhour", 0, today + 2 / 24.0, 1, 5},
                                   {"rhour", 0, today + 3 / 24.0, 1, 2},
                                   {"runit", 0, today + 1 / 96.0, 1, 2},
                                   {"runit", 0, today + 2 / 96.0, 1, 5},
                                   {"runit", 0, today + 3 / 96.0, 1, 2},
                                   {"rdaymax", today - 2, today - 2 + 0.25, 1, 2},
                                   {"rdaymin", today - 1, today - 1 + 0.25, 1, 5}};
  auto seedSheet = [&](const std::string& table) {
    testing::SheetContent sheet{table, {}, {}};
    const bool extreme = table == "rdaymax" || table == "rdaymin";
    sheet.header = extreme
                       ? std::vector<std::string>{"datatype_site_id", "date", "date_time", "value", "source"}
                       : std::vector<std::string>{"datatype_site_id", "date_time", "value", "source"};
    for (const Seed& r : seeds) {
      if (r.table != table) continue;
      if (extreme)
        sheet.rows.push_back(
            {1001.0, vb::Variant::Date(r.day), vb::Variant::Date(r.time), r.value, r.source});
      else
        sheet.rows.push_back(
            {1001.0, vb::Variant::Date(r.table == "rday" ? r.day : r.time), r.value, r.source});
    }
    return sheet;
  };
  auto write = [&](Session& s) {
    s.form.Check3.Value = 1;  // "Write Hourly Avg"
    s.DaySeries = {
        {today - 4, 10, 0}, {today - 3, 11, 0}, {today - 2, 12, 0}, {today - 1, M, 0}, {today, 14, 0}};
    hdbdaily(s, "1001", 4, 2, 1);
    s.HourSeries = {{today + 1 / 24.0, 11, 0},
                    {today + 2 / 24.0, 12, 0},
                    {today + 4 / 24.0, 14, 0},
                    {today + 4.5 / 24.0, 15, 0}};  // the open last hour at its last value's time
    int32_t last = 3;
    hdbhourly(s, "1001", 0, 2, 0, last, 1, "", 0, testing::kTestNow);
    s.UnitSeries = {{today + 1 / 96.0, 11, 0}, {today + 2 / 96.0, 12, 0}, {today + 4 / 96.0, 14, 0}};
    bool written = false;
    last = 2;
    hdbunit(s, "1001", 0, 2, 1, last, written, false);
    EXPECT_TRUE(written);
    s.DayMaxSeries = {{0, 0, 0}, {today - 2 + 0.5, 12, 0}, {today - 1 + 0.5, 13, 0}, {today + 0.5, 14, 0}};
    s.DayMinSeries = {{0, 0, 0}, {today - 2 + 0.5, 2, 0}, {today - 1 + 0.5, 3, 0}, {today + 0.5, 4, 0}};
    hdbdmax(s, "1001", 3, 2, 1);
    hdbdmin(s, "1001", 3, 2);
    EXPECT_EQ(s.LastError, "");
  };
  auto rowsOf = [&](db::AdoConnection& cnn, bool sheets) {
    std::vector<std::string> out;
    for (const std::string& table : tables) {
      db::AdoRecordset rs;
      rs.Open("select * from " + (sheets ? "[" + table + "$]" : table) + " order by date_time", cnn);
      for (; !rs.Eof(); rs.MoveNext()) {
        std::string row = table;
        for (int k = 0; k < rs.FieldCount(); ++k) row += "|" + vb::CStr(vb::Round(rs.Value(k).toDouble(), 6));
        out.push_back(row);
      }
    }
    return out;
  };

  testing::TestSession onFile;
  const auto file = testing::openTestHdb(onFile.s, testing::HdbEngine::AdoSqlite);
  for (const Seed& r : seeds) {
    const bool extreme = r.table == "rdaymax" || r.table == "rdaymin";
    testing::execSql(file, "insert into " + r.table + " values (1001, " +
                               testing::dateSql(r.table == "rday" || extreme ? r.day : r.time) + ", " +
                               (extreme ? testing::dateSql(r.time) + ", " : std::string()) +
                               vb::CStr(r.value) + ", " + vb::CStr(r.source) + ")");
  }
  write(onFile.s);

  testing::TestSession inBook;
  const auto book = inBook.s.programFolder / "hdb.xlsx";
  std::vector<testing::SheetContent> sheets = testing::hdbSheets();
  sheets.erase(sheets.begin(), sheets.begin() + 2);  // rday and rhour come seeded
  for (const std::string& table : tables) sheets.push_back(seedSheet(table));
  testing::makeWorkbook(book, sheets);
  inBook.s.HdbConnString = testing::workbookConnString(book);
  inBook.s.BatchMode = true;
  openHDB(inBook.s);
  write(inBook.s);

  const std::vector<std::string> expected = rowsOf(onFile.s.HdbCnn, false);
  EXPECT_EQ(rowsOf(inBook.s.HdbCnn, true), expected);
  // Spot checks of what both hold: the open last hour, today's maximum, the protected day.
  EXPECT_NE(std::find(expected.begin(), expected.end(),
                      "rhour|1001|" + vb::CStr(vb::Round(today + 4.5 / 24, 6)) + "|15|2"),
            expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(),
                      "rdaymax|1001|" + vb::CStr(today) + "|" + vb::CStr(today + 0.5) + "|14|2"),
            expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(), "rday|1001|" + vb::CStr(today - 2) + "|1|5"),
            expected.end());
  EXPECT_EQ(std::count_if(expected.begin(), expected.end(),
                          [](const std::string& r) { return r.rfind("rday|", 0) == 0; }),
            5);  // today - 4, -3, -2 (protected), today and the day outside the period; today - 1 is gone
}

// A change outside a writer's pass is written at once; a time of day comes back as the same date
// after the file's 16 digits.
TEST_F(WorkbookTest, AStatementOutsideAPassIsWrittenAtOnceAndTimesComeBackExactly) {
  openHDB(s);
  EXPECT_EQ(s.HdbCnn.Execute("insert into [rhour$] values (1001, #06/04/2024 00:15#, 1, 2);"), 1);
  EXPECT_EQ(s.HdbCnn.Execute("insert into [rhour$] values (1001, #06/04/2024 13:45#, 2, 2);"), 1);
  s.HdbCnn.Close();
  openHDB(s);
  db::AdoRecordset rs;
  rs.Open("select value from [rhour$] where date_time=#06/04/2024 13:45#", s.HdbCnn);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Value(0).toDouble(), 2);
  int rows = 0;
  for (const std::string& line : testing::readWorkbookWithPython(book)) rows += line.rfind("rhour|1001|", 0) == 0;
  EXPECT_EQ(rows, 2);
}

TEST_F(WorkbookTest, RowsSavedByAnotherProgramMeanwhileAreKept) {
  openHDB(s);
  auto sheets = testing::hdbSheets();
  sheets[0].rows.push_back({1002.0, vb::Variant::Date(kDay0), 7.0, 1.0});
  testing::makeWorkbook(book, sheets);  // saved elsewhere after the open
  s.DaySeries = {{kDay0, 10, 0}};
  hdbdaily(s, "1001", 0, 2, 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(rdayByPython(book), (std::vector<Row>{{1002, kDay0, 7, 1}, {1001, kDay0, 10, 2}}));
}

// Rows read before another program saved the workbook are not written back over its rows.
TEST_F(WorkbookTest, AnEditOfRowsReadBeforeAnotherProgramSavedIsRefused) {
  writeDays({1, 2});
  db::AdoRecordset rs;
  rs.LockType = db::adLockOptimistic;
  rs.Open("select * from [rday$] order by date_time", s.HdbCnn);
  auto sheets = testing::hdbSheets();
  sheets[0].rows = {{1002.0, vb::Variant::Date(kDay0), 7.0, 1.0}, {1001.0, vb::Variant::Date(kDay0 + 1), 2.0, 2.0}};
  testing::makeWorkbook(book, sheets);
  const std::string saved = testing::readFile(book);
  s.HdbCnn.Execute("select * from [rsite$]");  // reads the saved workbook again
  rs.Fields(2) = 50.0;
  try {
    rs.Update();
    ADD_FAILURE() << "the edit was written";
  } catch (const vb::Error& e) {
    EXPECT_NE(e.description().find("no longer current, so nothing was written"), std::string::npos) << e.description();
  }
  EXPECT_EQ(testing::readFile(book), saved);
}

TEST_F(WorkbookTest, AFailedWriteBackLeavesTheOldWorkbookAndTheLayerConsistent) {
  writeDays({1, 2});
  const std::string before = testing::readFile(book);
  db::WorkbookBackend::beforeRename() = [](const std::filesystem::path&) {
    db::raise(db::err::EngineFailure, "disk full");
  };
  s.DaySeries = {{kDay0, 5, 0}, {kDay0 + 1, 6, 0}};
  hdbdaily(s, "1001", 1, 2, 1);
  db::WorkbookBackend::beforeRename() = nullptr;
  EXPECT_NE(s.LastError.find("disk full"), std::string::npos) << s.LastError;
  EXPECT_EQ(testing::readFile(book), before);
  EXPECT_TRUE(leftovers(s.programFolder).empty());
  // The pass was rolled back in memory too: the next pass writes from the old rows.
  s.LastError.clear();
  s.DaySeries = {{kDay0 + 2, 3, 0}};
  hdbdaily(s, "1001", 0, 2, 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(rdayByLayer(book), (std::vector<Row>{{1001, kDay0, 1, 2}, {1001, kDay0 + 1, 2, 2}, {1001, kDay0 + 2, 3, 2}}));
}

TEST_F(WorkbookTest, AProcessKilledDuringTheWriteBackLeavesTheOldWorkbook) {
  writeDays({1, 2});
  const std::string before = testing::readFile(book);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The new workbook is complete in its temporary file when the process dies.
    db::WorkbookBackend::beforeRename() = [](const std::filesystem::path&) { ::kill(::getpid(), SIGKILL); };
    db::WorkbookBackend b(book, false);
    db::TxnId level = b.begin();
    b.insertRow("rday", {"datatype_site_id", "date_time", "value", "source"},
                {1001.0, vb::Variant::Date(kDay0 + 5), 99.0, 2.0});
    b.commit(level);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  EXPECT_EQ(testing::readFile(book), before);
  EXPECT_EQ(rdayByPython(book), (std::vector<Row>{{1001, kDay0, 1, 2}, {1001, kDay0 + 1, 2, 2}}));
  EXPECT_EQ(rdayByLayer(book).size(), 2u);

  // The killed program's temporary workbook is removed by the next open for writing, once it is a
  // few seconds old; one that a writer still holds stays.
  const std::vector<std::filesystem::path> killed = leftovers(s.programFolder);
  ASSERT_EQ(killed.size(), 1u);
  const std::filesystem::path held = s.programFolder / ".hdb.xlsx.writing-Held01";
  testing::writeFile(held, "half a workbook");
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  { db::WorkbookBackend young(book, false); }
  EXPECT_EQ(leftovers(s.programFolder).size(), 2u);
  for (const auto& f : {killed[0], held})
    std::filesystem::last_write_time(f, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
  { db::WorkbookBackend reader(book, true); }
  EXPECT_EQ(leftovers(s.programFolder).size(), 2u);
  { db::WorkbookBackend writer(book, false); }
  EXPECT_EQ(leftovers(s.programFolder), std::vector<std::filesystem::path>{held});
  ::close(fd);
  { db::WorkbookBackend writer(book, false); }
  EXPECT_TRUE(leftovers(s.programFolder).empty());
}

TEST_F(WorkbookTest, AWorkbookAnotherProgramHoldsIsReadButNeverWritten) {
  writeDays({1, 2});
  const std::string before = testing::readFile(book);
  for (const std::string lock : {"~$hdb.xlsx", ".~lock.hdb.xlsx#"}) {
    SCOPED_TRACE(lock);
    testing::writeFile(s.programFolder / lock, "someone");
    s.LastError.clear();
    openHDB(s);
    EXPECT_EQ(s.LastError, "");
    bool atEnd = true;
    vb::Variant first, second;
    double largest = -999;
    std::string sql = "select value from rday where datatype_site_id=1001;";
    GetCurrentCNNsql(s, sql, atEnd, first, largest, second);
    CloseCNNrs(s);
    EXPECT_FALSE(atEnd);
    EXPECT_EQ(largest, 2);

    s.DaySeries = {{kDay0, 5, 0}};
    hdbdaily(s, "1001", 0, 2, 1);
    EXPECT_NE(s.LastError.find("is open in another program (its lock file '" + lock + "' is there); nothing was written"),
              std::string::npos)
        << s.LastError;
    EXPECT_NE(s.errlog.written().back().find(lock), std::string::npos);
    EXPECT_THROW(s.HdbCnn.Execute("delete from [rday$];"), vb::Error);
    EXPECT_EQ(testing::readFile(book), before);
    std::filesystem::remove(s.programFolder / lock);
  }
  // Once the other program has closed it, the same connection writes again.
  s.LastError.clear();
  EXPECT_EQ(s.HdbCnn.Execute("delete from [rday$] where value=1;"), 1);
  EXPECT_EQ(rdayByPython(book), (std::vector<Row>{{1001, kDay0 + 1, 2, 2}}));
}

// A Jet string naming a workbook takes the DAO road, with the tables under their own names.
TEST_F(WorkbookTest, AJetStringNamingAWorkbookIsWrittenOverDao) {
  s.HdbConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Hydro\\hdb.xlsx;Extended Properties=Excel 8.0;";
  openHDB(s);
  ASSERT_EQ(s.LastError, "");
  EXPECT_TRUE(s.HdbUseDAO);
  EXPECT_FALSE(s.HdbIsExcel);
  EXPECT_EQ(s.HdbFile, book.string());
  s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile, false, false);  // as a run reopens it
  s.DaySeries = {{kDay0, 4, 0}, {kDay0 + 1, 5, 0}};
  hdbdailyDAO(s, "1001", 1, 2, 1);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(rdayByPython(book), (std::vector<Row>{{1001, kDay0, 4, 2}, {1001, kDay0 + 1, 5, 2}}));

  // The daily compaction keeps a copy of the workbook as its backup.
  const std::string written = testing::readFile(book);
  s.HdbDb.Close();
  CompactRepair(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(testing::readFile(book), written);
  EXPECT_EQ(testing::readFile(s.programFolder / "BatchBackup" / "hdb_backup.xlsx"), written);
}

TEST_F(WorkbookTest, ReadOnlyTrueInTheStringOpensTheWorkbookForReadingOnly) {
  const std::string before = testing::readFile(book);
  s.HdbConnString = testing::workbookConnString(book) + "ReadOnly=True;HDR=Yes;";
  openHDB(s);
  ASSERT_EQ(s.LastError, "");
  EXPECT_THROW(s.HdbCnn.Execute("insert into [rday$] values (1001, #06/01/2024#, 1, 2);"), vb::Error);
  EXPECT_EQ(testing::readFile(book), before);
}

// The forms other spreadsheet programs write: inline and rich texts, cells without references,
// prefixed element names, a date in a format of the workbook's own, a formula's last value.
TEST_F(WorkbookTest, SheetsInTheFormsOtherProgramsWriteAreRead) {
  const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel +
                              "\"><sheets><sheet name=\"rday\" sheetId=\"1\" r:id=\"rId1\"/>"
                              "<sheet name=\"notes\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Target=\"/xl/worksheets/a.xml\" Type=\"t\"/>"
       "<Relationship Id=\"rId2\" Target=\"worksheets/b.xml\" Type=\"t\"/></Relationships>"},
      {"xl/styles.xml", "<styleSheet xmlns=\"" + main +
                            "\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd&quot; at &quot;hh:mm\"/>"
                            "</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs><cellXfs><xf numFmtId=\"0\"/>"
                            "<xf numFmtId=\"164\"/><xf numFmtId=\"2\"/></cellXfs></styleSheet>"},
      {"xl/sharedStrings.xml", "<sst xmlns=\"" + main +
                                   "\"><si><r><t>Test </t></r><r><t>Creek</t></r><rPh><t>x</t></rPh></si></sst>"},
      {"xl/worksheets/a.xml",
       "<x:worksheet xmlns:x=\"" + main + "\"><x:sheetData>"
       "<x:row><x:c t=\"inlineStr\"><x:is><x:t>datatype_site_id</x:t></x:is></x:c><x:c t=\"inlineStr\"><x:is><x:t>date_time</x:t></x:is></x:c>"
       "<x:c t=\"inlineStr\"><x:is><x:t>value</x:t></x:is></x:c><x:c t=\"inlineStr\"><x:is><x:t>source</x:t></x:is></x:c></x:row>"
       "<x:row><x:c><x:v>1001</x:v></x:c><x:c s=\"1\"><x:v>45444.5</x:v></x:c><x:c s=\"2\"><x:f>1+1</x:f><x:v>2.5</x:v></x:c>"
       "<x:c t=\"e\"><x:v>#N/A</x:v></x:c></x:row>"
       "<x:row r=\"4\"><x:c r=\"A4\"><x:v>1002</x:v></x:c><x:c r=\"C4\" t=\"b\"><x:v>1</x:v></x:c></x:row>"
       "</x:sheetData></x:worksheet>"},
      {"xl/worksheets/b.xml", "<worksheet xmlns=\"" + main +
                                  "\"><sheetData><row r=\"1\"><c r=\"B1\" t=\"s\"><v>0</v></c></row>"
                                  "<row r=\"2\"><c r=\"A2\" t=\"str\"><v>a &amp; b</v></c></row></sheetData></worksheet>"},
  };
  const auto file = s.programFolder / "other.xlsx";
  int error = 0;
  zip_t* zip = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* src = zip_source_buffer(zip, text.data(), text.size(), 0);
    ASSERT_GE(zip_file_add(zip, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(zip), 0);

  db::WorkbookBackend b(file, true);
  db::QueryResult r = b.run("select * from rday order by rowid");
  ASSERT_EQ(r.rowCount(), 2u);
  ASSERT_EQ(r.columns.size(), 4u);
  EXPECT_EQ(r.columns[1].kind, db::ColumnKind::Date);
  EXPECT_EQ(r.cells[0].toDouble(), 1001);
  EXPECT_EQ(r.cells[1].type(), vb::VarType::Date);
  EXPECT_EQ(r.cells[1].toDouble(), 45444.5);
  EXPECT_EQ(r.cells[2].toDouble(), 2.5);
  EXPECT_TRUE(r.cells[3].isNull());
  EXPECT_EQ(r.cells[4].toDouble(), 1002);
  EXPECT_TRUE(r.cells[5].isNull());
  EXPECT_EQ(r.cells[6].toDouble(), -1);  // TRUE, as a stored boolean reads
  r = b.run("select * from notes");
  ASSERT_EQ(r.columns.size(), 2u);
  EXPECT_EQ(r.columns[0].name, "F1");  // a blank header cell
  EXPECT_EQ(r.columns[1].name, "Test Creek");
  ASSERT_EQ(r.rowCount(), 1u);
  EXPECT_EQ(r.cells[0].toString(), "a & b");
}

TEST_F(WorkbookTest, ALegacyWorkbookIsRefusedWithTheConversionNamed) {
  std::string ole = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0');
  for (const std::string name : {"old.xls", "old.xlsx"}) {
    testing::writeFile(s.programFolder / name, ole);
    s.HdbConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + name + ";Extended Properties=Excel 8.0|;";
    s.LastError.clear();
    openHDB(s);
    EXPECT_NE(s.LastError.find("openHDB: The workbook '"), std::string::npos) << s.LastError;
    EXPECT_NE(s.LastError.find("legacy Excel 97-2003 form (.xls)"), std::string::npos) << s.LastError;
    EXPECT_NE(s.LastError.find("save it as an Excel workbook (.xlsx)"), std::string::npos) << s.LastError;
  }
}

}  // namespace
}  // namespace fw
