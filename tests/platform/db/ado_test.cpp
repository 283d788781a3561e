#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/db/ado.h"
#include "platform/db/error.h"
#include "platform/db/sqlite_backend.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::db {
namespace {

using fw::testing::countRows;
using fw::testing::execSql;

const vb::VbDate kDay = 45448;  // 06/05/2024

vb::VbDate at(int hour, int minute) { return kDay + (hour * 60 + minute) / 1440.0; }

int32_t errorNumber(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

class AdoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = fw::testing::makeHdb(folder.path());
    // Five unit values of DSID 1001 at 10:00 ... 11:00 with values 1 ... 5.
    execSql(file,
            "insert into runit values (1001, #06/05/2024 10:00#, 1, 2);"
            "insert into runit values (1001, #06/05/2024 10:15#, 2, 2);"
            "insert into runit values (1001, #06/05/2024 10:30#, 3, 5);"
            "insert into runit values (1001, #06/05/2024 10:45#, 4, 2);"
            "insert into runit values (1001, #06/05/2024 11:00#, 5, 2);");
    cnn.ConnectionString = fw::testing::sqliteConnString(file);
    cnn.Open();
  }

  std::vector<double> values(AdoRecordset& r) {
    std::vector<double> out;
    for (r.MoveFirst(); !r.Eof(); r.MoveNext()) out.push_back(r.Fields(2).Value().toDouble());
    return out;
  }

  int stored(const std::string& where = "") {
    return countRows(file, "select * from runit where datatype_site_id=1001" + where);
  }

  fw::testing::TempFolder folder;
  std::filesystem::path file;
  AdoConnection cnn;
  AdoRecordset rs;
  const std::string all = "select * from runit where datatype_site_id=1001 order by date_time;";
};

TEST_F(AdoTest, ReadsRowsByPositionWithDatesAndNulls) {
  execSql(file, "insert into rupdate values (7, 'note', null, null);");
  rs.Open("select * from rupdate where datatype_site_id=7;", cnn);
  EXPECT_EQ(rs.FieldCount(), 4);
  EXPECT_EQ(rs.Fields(1).Value().toString(), "note");
  EXPECT_TRUE(rs.Fields(2).IsNull());
  EXPECT_TRUE(rs.Fields(3).IsNull());
  rs.Close();

  rs.Open(all, cnn);
  EXPECT_EQ(rs.RecordCount(), 5);
  EXPECT_EQ(rs.Fields(1).Value().type(), vb::VarType::Date);
  EXPECT_EQ(rs.Fields(1).Value().toDate(), vb::roundToSecond(at(10, 0)));
  EXPECT_EQ(rs.Fields(0).Value(), vb::Variant(int32_t(1001)));
  EXPECT_EQ(rs.Fields(3).Value(), vb::Variant(int16_t(2)));  // SMALLINT reads as a 16-bit Integer
  EXPECT_EQ(values(rs), (std::vector<double>{1, 2, 3, 4, 5}));
  rs.MoveLast();
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 5);
}

// An engine that reads a select whole before handing its rows out, as engines without a stepping
// statement do.
class ReadWhole : public SqliteBackend {
 public:
  using SqliteBackend::SqliteBackend;
  std::unique_ptr<RowStream> stream(const std::string& sql) override { return Backend::stream(sql); }
};

TEST_F(AdoTest, AForwardReadGivesWhatARecordsetHoldsOnEveryEngine) {
  execSql(file, "insert into rupdate values (7, 'note', null, null);");
  const std::vector<std::string> queries = {
      all, "select * from rupdate where datatype_site_id=7;",
      "select value, date_time from runit where datatype_site_id=1 order by date_time;"};
  for (bool whole : {false, true}) {
    AdoConnection c;
    if (whole)
      c.OpenOn(std::make_shared<ReadWhole>(file, false), false);
    else
      c.OpenOn(std::make_shared<SqliteBackend>(file, false), false);
    for (const std::string& sql : queries) {
      SCOPED_TRACE(sql + (whole ? " (read whole)" : " (stepped)"));
      std::vector<vb::Variant> expected, got;
      rs.Open(sql, cnn);
      for (; !rs.Eof(); rs.MoveNext())
        for (int i = 0; i < rs.FieldCount(); ++i) expected.push_back(rs.Fields(i).Value());
      const int fields = rs.FieldCount();
      rs.Close();
      auto stream = c.readForward(sql);
      while (stream->next())
        for (int i = 0; i < fields; ++i) got.push_back(stream->field(i));
      EXPECT_EQ(got, expected);
      EXPECT_FALSE(stream->next());  // stays at the end
      EXPECT_EQ(errorNumber([&] { stream->field(0); }), err::NotAllowed);
    }
    auto stream = c.readForward(all);
    ASSERT_TRUE(stream->next());
    EXPECT_EQ(errorNumber([&] { stream->field(4); }), err::NoSuchField);
    EXPECT_EQ(errorNumber([&] { stream->field(-1); }), err::NoSuchField);
    stream.reset();
    EXPECT_EQ(errorNumber([&] { c.readForward("select * from nosuchtable;"); }), err::FaultyCommand);
    // A statement without rows runs once, as a recordset's Open runs it.
    execSql(file, "insert into rday values (5, #06/05/2024#, 1, 2);");
    stream = c.readForward("delete from rday;");
    EXPECT_FALSE(stream->next());
    EXPECT_EQ(countRows(file, "select * from rday"), 0);
  }
}

TEST_F(AdoTest, EmptyResultIsAtBothEndsAndHasNoRecords) {
  rs.Open("select * from rday;", cnn);
  EXPECT_EQ(rs.State(), adStateOpen);
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
  EXPECT_EQ(rs.RecordCount(), 0);
  rs.MoveFirst();  // no error on an empty table
  rs.MoveLast();
  EXPECT_EQ(errorNumber([&] { rs.Fields(0).Value(); }), err::NotAllowed);
}

TEST_F(AdoTest, AStatementWithoutRowsRunsThroughOpenAndLeavesItClosed) {
  rs.Open("delete from runit where datatype_site_id=1001 and date_time between #06/05/2024 10:10# and #06/05/2024 10:50#;",
          cnn);
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_EQ(stored(), 2);
}

TEST_F(AdoTest, LockTypeIsKeptAcrossOpensAndReadOnlyRefusesWrites) {
  rs.Open(all, cnn);
  EXPECT_EQ(errorNumber([&] { rs.Fields(2) = 9.0; }), err::NotAllowed);
  EXPECT_EQ(errorNumber([&] { rs.Delete(); }), err::NotAllowed);
  rs.Close();

  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  rs.Close();
  rs.Open(all, cnn, -1, -1, -1);  // unspecified: still batch
  EXPECT_EQ(rs.LockType, adLockBatchOptimistic);
  rs.Delete();
  rs.Close();  // an unsent batch is dropped with the recordset
  EXPECT_EQ(stored(), 5);
}

TEST_F(AdoTest, PendingDeletesAreSkippedByNavigationAndSentByUpdateBatch) {
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  rs.MoveNext();
  rs.Delete();  // 2
  EXPECT_EQ(errorNumber([&] { rs.Fields(2).Value(); }), err::NotAllowed);  // the deleted row has no fields
  rs.MoveNext();
  rs.MoveNext();
  rs.Delete();  // 4
  EXPECT_EQ(values(rs), (std::vector<double>{1, 3, 5}));
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(stored(), 5);  // nothing reaches other connections before the batch is sent
  rs.UpdateBatch(adAffectAll);
  EXPECT_EQ(stored(), 3);
  EXPECT_EQ(values(rs), (std::vector<double>{1, 3, 5}));
}

TEST_F(AdoTest, CancelBatchDropsDeletesAddsAndEdits) {
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  rs.Delete();
  rs.MoveNext();
  rs.Fields(2) = 20.0;
  rs.Update();
  rs.AddNew();
  rs.Fields(0) = "1001";
  rs.Fields(1) = at(12, 0);
  rs.Fields(2) = 6.0;
  rs.Update();
  EXPECT_EQ(values(rs), (std::vector<double>{20, 3, 4, 5, 6}));
  rs.CancelBatch(adAffectAll);
  EXPECT_EQ(values(rs), (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(stored(), 5);
  EXPECT_EQ(stored(" and value=20"), 0);
}

TEST_F(AdoTest, AddNewFinishesThePendingAddAndConvertsToTheColumnKinds) {
  rs.LockType = adLockBatchOptimistic;
  rs.Open("select * from runit where datatype_site_id=2002;", cnn);
  for (int i = 0; i < 3; ++i) {
    rs.AddNew();  // the second and third finish the add before them
    EXPECT_EQ(rs.EditMode(), EditAdd);
    rs.Fields(0) = "2002";                                 // a DSID text into an integer column
    rs.Fields(1) = vb::Variant::Date(at(10, i) + 0.4 / 86400);  // rounded to the second
    rs.Fields(2) = 1.5 * i;
    rs.Fields(3) = int16_t(14);
  }
  rs.UpdateBatch();  // sends the last add too
  EXPECT_EQ(countRows(file, "select * from runit where datatype_site_id=2002 and source=14"), 3);
  EXPECT_EQ(countRows(file, "select * from runit where datatype_site_id=2002 and date_time=#06/05/2024 10:01#"), 1);
  rs.Close();

  rs.Open("select * from runit where datatype_site_id=2002 order by date_time;", cnn);
  EXPECT_EQ(rs.Fields(0).Value(), vb::Variant(int32_t(2002)));
  EXPECT_EQ(errorNumber([&] { rs.Fields(0) = "12a"; }), vb::err::TypeMismatch);
}

TEST_F(AdoTest, ADuplicateKeyIsRefusedForThatRowAloneWithTheFaultyCommandNumber) {
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  auto add = [&](int minute, double v) {
    rs.AddNew();
    rs.Fields(0) = 1001;
    rs.Fields(1) = at(11, minute);
    rs.Fields(2) = v;
    rs.Update();
  };
  add(15, 6);
  EXPECT_EQ(errorNumber([&] { add(0, 99); }), err::FaultyCommand);  // 11:00 is stored already
  add(30, 7);
  rs.UpdateBatch();
  EXPECT_EQ(values(rs), (std::vector<double>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(stored(), 7);
  EXPECT_EQ(stored(" and value=99"), 0);
}

// AddRow is AddNew, the fields and Update in one call; InsertRow writes the same row without
// keeping it in the recordset. Both convert as the fields do and belong to the batch.
TEST_F(AdoTest, AddRowAndInsertRowWriteAsAddNewAndUpdateDo) {
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  auto row = [](int minute, double v) {
    return std::vector<vb::Variant>{vb::Variant("1001"), vb::Variant::Date(at(11, minute) + 0.4 / 86400),
                                    vb::Variant(v), vb::Variant(int16_t(2))};
  };
  for (int pass = 0; pass < 2; ++pass) {
    rs.AddRow(row(15, 6));
    EXPECT_EQ(rs.Fields(2).Value().toDouble(), 6);  // the added row is the current row
    rs.InsertRow(row(30, 7));
    EXPECT_EQ(rs.Fields(2).Value().toDouble(), 6);  // and stays so
    EXPECT_EQ(errorNumber([&] { rs.InsertRow(row(0, 99)); }), err::FaultyCommand);  // 11:00 is stored
    EXPECT_EQ(errorNumber([&] { rs.AddRow(row(0, 99)); }), err::FaultyCommand);
    EXPECT_EQ(values(rs), (std::vector<double>{1, 2, 3, 4, 5, 6}));
    AdoRecordset inserted;  // the row reached the table, within the batch
    inserted.Open("select * from runit where date_time=#06/05/2024 11:30#;", cnn);
    EXPECT_EQ(inserted.RecordCount(), 1);
    inserted.Close();
    if (pass == 0) {
      rs.CancelBatch();
      EXPECT_EQ(stored(), 5);
    }
  }
  rs.UpdateBatch();
  EXPECT_EQ(stored(), 7);
  EXPECT_EQ(stored(" and value=99"), 0);
}

TEST_F(AdoTest, ImmediateUpdatesAndDeletesReachTheDatabaseAtOnce) {
  rs.LockType = adLockOptimistic;
  rs.Open(all, cnn);
  rs.Fields(2) = 10.0;
  rs.MoveNext();  // moving off the row sends its edit
  EXPECT_EQ(stored(" and value=10"), 1);
  rs.Delete();
  EXPECT_EQ(stored(), 4);
  rs.AddNew();
  rs.Fields(0) = 1001;
  rs.Fields(1) = at(12, 0);
  rs.CancelUpdate();
  EXPECT_EQ(stored(), 4);
}

TEST_F(AdoTest, FindSearchesForwardFromTheCurrentRow) {
  rs.Open(all, cnn);
  rs.Find("date_time = #6/5/2024 10:30:00 AM#");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 3);
  rs.Find("date_time = #6/5/2024 10:30:00 AM#");  // the current row matches itself
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 3);
  rs.Find("date_time = #6/5/2024 10:15:00 AM#");  // behind the current row
  EXPECT_TRUE(rs.Eof());
  rs.MoveFirst();
  rs.Find("date_time = #6/5/2024 11:05:00 AM#");
  EXPECT_TRUE(rs.Eof());
  rs.Close();

  execSql(file, "insert into rdaymax values (1001, #06/05/2024#, #06/05/2024 10:45#, 4, 2);");
  rs.Open("select * from rdaymax;", cnn);
  rs.Find("date = #6/5/2024#");
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(errorNumber([&] { rs.Find("date > 3"); }), err::BadArguments);
}

TEST_F(AdoTest, FaultyCommandsAndOtherEngineErrors) {
  for (const char* sql : {"selec * from runit;", "select * from nosuchtable;", "select nosuchcolumn from runit;",
                          "select * from runit; delete from runit;"}) {
    EXPECT_EQ(errorNumber([&] { rs.Open(sql, cnn); }), err::FaultyCommand) << sql;
    EXPECT_EQ(rs.State(), adStateClosed);
  }
  // A read-only connection keeps the engine's own message.
  AdoConnection readOnly;
  readOnly.ConnectionString = cnn.ConnectionString;
  readOnly.Mode = adModeRead;
  readOnly.Open();
  try {
    readOnly.Execute("delete from runit;");
    FAIL() << "a read-only connection wrote";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), err::EngineFailure);
    EXPECT_NE(e.description().find("readonly"), std::string::npos) << e.description();
  }
}

TEST_F(AdoTest, ApostropheDatesAndSheetNamesAreTranslated) {
  rs.Open("select * from [runit$] where datatype_site_id=1001 and date_time between '06/05/2024  10:15' and "
          "'06/05/2024  10:45' order by date_time;",
          cnn);
  EXPECT_EQ(values(rs), (std::vector<double>{2, 3, 4}));
}

TEST_F(AdoTest, ATransactionHoldsAWholePassAndRollsItBack) {
  cnn.BeginTrans();
  rs.Open("delete from runit where datatype_site_id=1001 and value<3;", cnn);
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  rs.Delete();
  rs.UpdateBatch();
  rs.AddNew();
  rs.Fields(0) = 1001;
  rs.Fields(1) = at(12, 0);
  rs.Update();
  // A commit below an unsent batch is refused; the batch must be sent or dropped first.
  EXPECT_EQ(errorNumber([&] { cnn.CommitTrans(); }), err::NotAllowed);
  rs.Close();
  cnn.RollbackTrans();
  EXPECT_EQ(stored(), 5);

  cnn.BeginTrans();
  rs.Open(all, cnn);
  rs.Delete();
  rs.UpdateBatch();
  rs.Close();
  cnn.CommitTrans();
  EXPECT_EQ(stored(), 4);
}

TEST_F(AdoTest, AnOuterRollbackAlsoUndoesAnOpenBatch) {
  cnn.BeginTrans();
  rs.LockType = adLockBatchOptimistic;
  rs.Open(all, cnn);
  rs.Delete();
  cnn.RollbackTrans();
  EXPECT_EQ(errorNumber([&] { rs.UpdateBatch(); }), err::NotAllowed);
  EXPECT_EQ(values(rs), (std::vector<double>{1, 2, 3, 4, 5}));
  rs.Close();
  EXPECT_EQ(stored(), 5);
}

// A full disk makes SQLite undo the transaction by itself; nothing may then run outside it until
// the holder has rolled it back.
TEST_F(AdoTest, ATransactionTheEngineEndedRefusesStatementsUntilItIsRolledBack) {
  const int64_t pages = cnn.backend()->run("PRAGMA page_count;").cells.at(0).toInteger();
  cnn.backend()->run("PRAGMA max_page_count=" + std::to_string(pages) + ";");
  cnn.BeginTrans();
  cnn.Execute("delete from runit where datatype_site_id=1001;");
  std::string failure;
  try {
    for (int i = 0; i < 100000; ++i)
      cnn.Execute("insert into runit values (2002, " + std::to_string(40000 + i) + ", 1, 2);");
  } catch (const vb::Error& e) {
    failure = e.description();
  }
  EXPECT_EQ(failure, "database or disk is full");
  EXPECT_TRUE(cnn.backend()->transactionLost());
  EXPECT_EQ(errorNumber([&] { cnn.Execute("delete from runit;"); }), err::EngineFailure);
  EXPECT_EQ(errorNumber([&] { cnn.BeginTrans(); }), err::EngineFailure);
  EXPECT_EQ(stored(), 5);
  cnn.RollbackTrans();
  EXPECT_FALSE(cnn.backend()->transactionLost());
  EXPECT_FALSE(cnn.backend()->inTransaction());
  cnn.backend()->run("PRAGMA max_page_count=1000000;");
  cnn.Execute("delete from runit where datatype_site_id=1001 and value=1;");
  EXPECT_EQ(stored(), 4);
}

// The outermost level takes the write lock at its start, so it waits for another writer (within
// the busy timeout) instead of failing at its first write.
TEST_F(AdoTest, ATransactionWaitsForAnotherWriterAtItsStart) {
  SqliteBackend other(file, false);
  const TxnId held = other.begin();
  other.run("insert into runit values (2002, 45000, 1, 2);");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.commit(held);
  });
  const auto start = std::chrono::steady_clock::now();
  cnn.BeginTrans();
  const auto waited = std::chrono::steady_clock::now() - start;
  release.join();
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  cnn.Execute("delete from runit where datatype_site_id=2002;");
  cnn.CommitTrans();
  EXPECT_EQ(countRows(file, "select * from runit where datatype_site_id=2002"), 0);
}

}  // namespace
}  // namespace fw::db
