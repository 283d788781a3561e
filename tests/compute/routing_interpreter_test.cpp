#include <gtest/gtest.h>

#include "common/round_value.h"
#include "compute/channel_routing.h"
#include "compute/diversion.h"
#include "compute/modified_puls.h"
#include "compute/routing_interpreter.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "routing_fixture.h"

namespace fw::compute {
namespace {

using namespace testing;

const char* kDam =
    "Elev\tOutflow\tStorage\tCascades\r\n"
    "100\t0\t0\t1\r\n101\t50\t200\t1\r\n102\t150\t450\t2\r\n103\t300\t750\t3\r\n104\t500\t1100\t4\r\n105\t750\t1500\t5\r\n";
const char* kBigDam =
    "Elev\tOutflow\tStorage\tCascades\r\n"
    "100\t0\t0\t1\r\n101\t50\t400\t1\r\n102\t150\t900\t2\r\n103\t300\t1500\t3\r\n104\t500\t2200\t4\r\n105\t750\t3000\t5\r\n";
const char* kReach = "Name\tFlow\tK\tX\tReaches\r\nlow\t100\t2\t0.2\t2\r\nhigh\t1000\t4\t0.1\t4\r\n";
const char* kDiversion = "Inflow\tDiverted\r\n0\t0\r\n100\t0\r\n200\t50\r\n1000\t450\r\n";

// The Routein.txt rows the values give from the output start on.
std::string routeinRows(Session& s, const std::vector<double>& values) {
  std::string rows = "Routing from HDB\r\n";
  for (int k = 0; k < kHours; ++k) {
    if (hourAt(k) < kFirstDay) continue;
    double v = values[static_cast<size_t>(k)];
    RoundValue(v, 0, false, false);
    rows += "Z\t" + vb::Format(hourAt(k), "yyyy-mm-dd hh:mm") + "\t" + vb::CStr(static_cast<float>(v)) + "\t0\n";
  }
  (void)s;
  return rows;
}

// Runs a method on values in a scratch series of the session.
template <class F>
std::vector<double> routed(Session& s, const std::vector<double>& values, F method) {
  s.UnitSeries.assign(values.size() + 40, SeriesPoint{});
  for (size_t k = 0; k < values.size(); ++k) s.UnitSeries[k + 1] = {hourAt(int(k)), values[k], 0};
  method();
  std::vector<double> out;
  for (size_t k = 1; k <= values.size(); ++k) out.push_back(s.UnitSeries[k].value);
  return out;
}

TEST(RoutingInterpreter, OneRouteGivesTheStagingFileFromTheOutputStart) {
  RoutingFixture f;
  const auto in = floodWave(10, 90, 40);
  f.store("rhour", 1001, in);
  f.file("reach.txt", "Title line\r\nGET 4 1001 Upper\r\nROUTE MUSKINGUM 2.3 0.15\r\nEND\r\n");
  SourceCall c = f.call("reach.txt");
  hdbrouting(f.s, 0, c);
  ASSERT_EQ(c.Error, "");
  const auto expected = routed(f.s, in, [&] {
    double K = 2.3;
    int16_t m = 0;
    RouteMuskingum(f.s, K, 0.15, kHours, 1, m);
  });
  EXPECT_EQ(c.RetrievalText, routeinRows(f.s, expected));
  EXPECT_EQ(readFile(f.t.folder / "Routein.txt"), c.RetrievalText);
  EXPECT_EQ(c.FirstDay, kReadFrom);
  EXPECT_EQ(c.LastDay, kReadTo);
  EXPECT_EQ(c.DateFieldIndex, 1);
  EXPECT_EQ(c.ValueFieldIndex, 2);
  EXPECT_EQ(c.Dsid, "-1000");

  // Extra warm-up days read further back; the output still starts at the line's first day.
  SourceCall warm = f.call("reach.txt");
  warm.Triples[1].base = "-2";
  hdbrouting(f.s, 0, warm);
  EXPECT_EQ(warm.FirstDay, kReadFrom - 2);
  EXPECT_EQ(warm.Error, "");
  EXPECT_EQ(warm.RetrievalText.substr(0, 40), c.RetrievalText.substr(0, 40));
}

TEST(RoutingInterpreter, EveryCommandInOneFile) {
  RoutingFixture f;
  const auto upper = floodWave(200, 400, 36), side = std::vector<double>(kHours, 50.0);
  f.store("rhour", 1001, upper);
  f.store("rhour", 1002, side);
  // The reservoir's condition holds on every day of the window.
  for (int32_t day = kReadFrom; day <= kReadTo; ++day)
    execSql(f.hdb, "insert into rday values (1402, " + db::dayLiteral(day) + ", 150, 2);");
  f.file("dam.rat", kDam);
  f.file("big.rat", kBigDam);
  f.file("reach.txt", kReach);
  f.file("div.rat", kDiversion);
  f.file("all.txt",
         "Everything at once\r\n"
         "WRITE\r\n"
         "GET 4 1001 Upper\r\n"
         "GET 4 1002 Side creek\r\n"
         "COMBINE\r\n"
         "RELEASE 120\r\n"
         "ADD -1\r\n"
         "ROUTE Tatum 2\r\n"
         "IF 1402 rday SKIP-2 0 P1>100\r\n"
         "ROUTE Tatum abc\r\n"
         "ROUTE Kinematic 1\r\n"
         "IF 1402 rday SKIP-2 0 P1>1000\r\n"
         "ROUTE Muskingum 2.3 0.15 1\r\n"
         "IF 1402 rday USE big.rat P1 > 100 And D > 0\r\n"
         "ROUTE Modpul dam.rat\r\n"
         "ROUTE Muskingum-Cunge reach.txt\r\n"
         "GET 4 1002 Side creek\r\n"
         "SUBTRACT 0\r\n"
         "GET 4 1001 Upper\r\n"
         "SUBTRACT 1\r\n"
         "DIVERSION 0 div.rat\r\n"
         "PUT -2001\r\n"
         "END\r\n"
         "Notes after the end: GET 4 1 is not read.\r\n");
  SourceCall c = f.call("all.txt");
  hdbrouting(f.s, 0, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_EQ(c.Dsid, "-2001");

  // The same steps by hand.
  std::vector<double> v(kHours);
  for (int k = 0; k < kHours; ++k) v[k] = std::max(upper[k] + side[k] - 120, 0.0);
  v = routed(f.s, v, [&] { RouteTatum(f.s, 2, kHours, 1); });
  v = routed(f.s, v, [&] {
    double K = 2.3;
    int16_t m = 1;
    RouteMuskingum(f.s, K, 0.15, kHours, 1, m);
  });
  v = routed(f.s, v, [&] {
    ModpulCall m;
    m.n = kHours;
    m.ratingPath = f.t.folder / "big.rat";
    m.beginDay = kReadFrom;
    m.endDay = kReadTo;
    RouteModpul(f.s, m);
  });
  v = routed(f.s, v, [&] {
    double K = 0, X = 0;
    int16_t m = 0;
    MuskingumCungeSetup(f.s, kHours, 1, f.t.folder / "reach.txt", K, X, m);
    RouteMuskingum(f.s, K, X, kHours, 1, m);
  });
  std::vector<double> d1(kHours), d2(kHours);
  for (int k = 0; k < kHours; ++k) d1[k] = std::max(v[k] - side[k], 0.0);
  for (int k = 0; k < kHours; ++k) d2[k] = std::max(upper[k] - d1[k], 0.0);
  f.s.BatchMode = true;
  const auto expected = routed(f.s, d2, [&] {
    RouteDiversion(f.s, kHours, "0", f.t.folder / "div.rat", kFirstDay, kReadFrom, kReadTo, false, 0, 0);
  });
  EXPECT_EQ(c.RetrievalText, routeinRows(f.s, expected));

  // The step dump: the file name, then each executed line with its rows from the output start;
  // IF lines and skipped lines bring no rows.
  const std::string dump = readFile(f.t.folder / "RouteSteps.txt");
  EXPECT_EQ(dump.substr(0, 9), "all.txt\r\n");
  EXPECT_NE(dump.find("\n\r\nIF 1402 rday SKIP-2 0 P1>100\r\n\r\nIF 1402 rday SKIP-2 0 P1>1000\r\n\r\n"
                      "ROUTE Muskingum 2.3 0.15 1\r\n25\t"),
            std::string::npos);
  EXPECT_EQ(dump.find("Tatum abc"), std::string::npos);
  EXPECT_EQ(dump.find("Kinematic"), std::string::npos);
  const size_t put = dump.find("\r\nPUT -2001\r\n");
  ASSERT_NE(put, std::string::npos);
  const std::string lastRows = dump.substr(put + 13);
  EXPECT_EQ(std::count(lastRows.begin(), lastRows.end(), '\n'), kHours - 24);
  EXPECT_EQ(lastRows.substr(0, 3), "25\t");
  EXPECT_EQ(vb::Split(lastRows, "\t")[1], "2024-06-04 00:00");
}

struct BadFile {
  const char* name;
  const char* text;  // the routing file; nullptr = none
  std::string error;
};

TEST(RoutingInterpreter, BadFilesFailWithTheirTextAndLeaveTheLastResult) {
  RoutingFixture f;
  f.store("rhour", 1001, floodWave(10, 90, 40));
  f.store("rhour", 1002, floodWave(5, 20, 30));
  f.file("flat.txt", "Name\tFlow\tK\tX\tReaches\r\na\t100\t2\t0.2\t2\r\nb\t100\t3\t0.3\t4\r\n");
  const std::string flat = (f.t.folder / "flat.txt").string();
  const BadFile cases[] = {
      {"missing.txt", nullptr, "Routing File not found--  missing.txt"},
      {"unknown.txt", "t\r\nGET 4 1001\r\nFROB 1\r\nEND\r\n", "FROB 1--Unknown control command FROB  "},
      {"noend.txt", "t\r\nGET 4 1001\r\nROUTE Tatum 1\r\n", "--Unknown control command   "},
      {"count.txt", "t\r\nGET 4 1001\r\nROUTE Muskingum 2 0.25 40000\r\nEND\r\n",
       "ROUTE Muskingum 2 0.25 40000--Overflow  "},
      {"tatum.txt", "t\r\nGET 4 1001\r\nROUTE Tatum abc\r\nEND\r\n", "ROUTE Tatum abc--Type mismatch  "},
      {"kind.txt", "t\r\nGET 4 1001\r\nROUTE Kinematic 2\r\nEND\r\n",
       "ROUTE Kinematic 2--Unknown routing type Kinematic on line 1  "},
      {"cunge.txt", "t\r\nGET 4 1001\r\nROUTE Muskingum-Cunge flat.txt\r\nEND\r\n",
       "ROUTE Muskingum-Cunge flat.txt--Division by zero  " + flat},
      {"three.txt", "t\r\nGET 4 1001\r\nGET 4 1002\r\nGET 4 1001\r\nEND\r\n",
       "GET 4 1001--Combine current hydrograph with last GET before new GET on line 2  "},
      {"twice.txt", "t\r\nGET 4 1001\r\nGET 4 1002\r\nCOMBINE\r\nCOMBINE\r\nEND\r\n",
       "COMBINE--Dublicate COMBINE at line 3  "},
      {"first.txt", "t\r\nSUBTRACT 1\r\nEND\r\n", "SUBTRACT 1--Dublicate COMBINE at line 0  "},
      {"open.txt", "t\r\nGET 4 1001\r\nEND\r\n", "END--Must combine before ending 1  "},
      {"empty.txt", "t\r\nGET 4 7777\r\nEND\r\n", "GET 4 7777--No values for 7777  "},
      {"inject.txt", "t\r\nGET 4 1001;drop\r\nEND\r\n", "GET 4 1001;drop--GET DSID is not a whole number: 1001;drop  "},
      {"iftable.txt", "t\r\nIF 1402 sqlite_master SKIP-1 0 P1>1\r\nEND\r\n",
       "IF 1402 sqlite_master SKIP-1 0 P1>1--IF table is not a series table: sqlite_master  "},
      {"short.txt", "t\r\nGET 4 1001\r\nROUTE Muskingum 2.3\r\nEND\r\n", "ROUTE Muskingum 2.3--Subscript out of range  "},
  };
  f.file("Routein.txt", "Routing from HDB\r\nthe last result\n");
  for (const BadFile& b : cases) {
    if (b.text) f.file(b.name, b.text);
    SourceCall c = f.call(b.name);
    hdbrouting(f.s, 0, c);
    EXPECT_EQ(c.Error, b.error) << b.name;
    EXPECT_EQ(c.RetrievalText, "") << b.name;
    EXPECT_EQ(readFile(f.t.folder / "Routein.txt"), "Routing from HDB\r\nthe last result\n") << b.name;
  }
}

TEST(RoutingInterpreter, FileListsSkipsAndConditionsWithoutValues) {
  RoutingFixture f;
  const auto in = floodWave(10, 90, 40);
  f.store("rhour", 1001, in);
  f.file("a.txt", "a\r\nGET 4 1001\r\nROUTE Tatum 2\r\nEND\r\n");
  f.file("b.txt", "b\r\nGET 4 1001\r\nROUTE Tatum 4\r\nEND\r\n");
  SourceCall second = f.call("a.txt, b.txt");
  f.s.ParamSelector = 2;
  hdbrouting(f.s, 0, second);
  EXPECT_EQ(f.s.ParamSelector, 0);
  SourceCall b = f.call("b.txt");
  hdbrouting(f.s, 0, b);
  EXPECT_EQ(second.RetrievalText, b.RetrievalText);
  SourceCall first = f.call("a.txt,b.txt");
  hdbrouting(f.s, 0, first);
  EXPECT_NE(first.RetrievalText, b.RetrievalText);

  // A true condition without a count skips nothing (and does not run for ever); a daily maximum
  // with no value in range answers 0; the day number is there for the condition.
  f.file("skips.txt",
         "s\r\nGET 4 1001\r\nIF 0 rday SKIP 0 1=1\r\nROUTE Tatum 2\r\nIF 1402 rdaymax SKIP-1 0 P1>=0\r\n"
         "ADD 0\r\nIF 0 rday SKIP-1 0 D=" + std::to_string(kReadFrom) + "\r\nROUTE Tatum 50\r\nEND\r\n");
  SourceCall s = f.call("skips.txt");
  hdbrouting(f.s, 0, s);
  EXPECT_EQ(s.Error, "");
  EXPECT_EQ(s.RetrievalText, first.RetrievalText);
}

TEST(RoutingInterpreter, DiversionSplitsTheFlowAndStoresItWhenAsked) {
  RoutingFixture f;
  f.file("div.rat", kDiversion);
  const std::vector<double> in(kHours, 150.0);
  f.store("rhour", 1001, in);
  f.file("d.txt", "d\r\nGET 4 1001\r\nDIVERSION 1888 div.rat\r\nEND\r\n");
  f.file("z.txt", "z\r\nGET 4 1001\r\nDIVERSION 0 div.rat\r\nEND\r\n");

  SourceCall c = f.call("d.txt");
  f.s.form.Check3.Value = 0;
  hdbrouting(f.s, 0, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_EQ(c.RetrievalText, routeinRows(f.s, std::vector<double>(kHours, 125.0)));
  EXPECT_EQ(f.rows("select * from runit where datatype_site_id=1888"), 0);

  f.s.form.Check3.Value = 1;
  SourceCall z = f.call("z.txt");
  hdbrouting(f.s, 0, z);
  EXPECT_EQ(z.RetrievalText, c.RetrievalText);
  EXPECT_EQ(f.rows("select * from runit where datatype_site_id=0"), 0);

  SourceCall stored = f.call("d.txt");
  hdbrouting(f.s, 0, stored);
  EXPECT_EQ(stored.RetrievalText, c.RetrievalText);
  const int units = kHours - 24;  // from the output start
  EXPECT_EQ(f.rows("select * from runit where datatype_site_id=1888 and value=25 and source=10"), units);
  EXPECT_EQ(f.rows("select * from runit where datatype_site_id=1888 and date_time < " + db::dayLiteral(kFirstDay)),
            0);
  EXPECT_GE(f.rows("select * from rhour where datatype_site_id=1888 and value=25"), 48);
  EXPECT_GE(f.rows("select * from rdaymax where datatype_site_id=1888 and value=25"), 2);
  EXPECT_GE(f.rows("select * from rdaymin where datatype_site_id=1888 and value=25"), 2);
}

TEST(Diversion, PassedAndDivertedMakeTheInflowAndAFaultyRatingChangesNothing) {
  RoutingFixture f;
  f.file("div.rat", kDiversion);
  const std::vector<double> in{0, 50, 100, 150, 200, 600, 1200, 80};
  const auto passed = routed(f.s, in, [&] {
    RouteDiversion(f.s, 8, "0", f.t.folder / "div.rat", 0, kReadFrom, kReadTo, false, 0, 0);
  });
  const double diverted[] = {0, 0, 0, 25, 50, 250, 550, 0};
  for (size_t i = 0; i < in.size(); ++i) EXPECT_NEAR(passed[i] + diverted[i], in[i], 1e-9) << i;
  EXPECT_DOUBLE_EQ(passed[3], 125);

  // Equal neighbouring inflows where the flows fall: nothing changes and the routing goes on.
  f.file("flat.rat", "Inflow\tDiverted\r\n0\t0\r\n100\t0\r\n100\t50\r\n");
  const std::vector<double> falling{300, 250, 150, 90, 40};
  f.s.form.Check3.Value = 1;
  const auto same = routed(f.s, falling, [&] {
    RouteDiversion(f.s, 5, "1888", f.t.folder / "flat.rat", 0, kReadFrom, kReadTo, false, 0, 0);
  });
  EXPECT_EQ(same, falling);
  EXPECT_EQ(f.s.LastError, "Division by zero... in DIVERSION routing.");
  EXPECT_EQ(f.rows("select * from runit where datatype_site_id=1888"), 0);
}

TEST(RoutingInterpreter, ReservoirElevationsAndAMissingStartingElevation) {
  RoutingFixture f;
  f.file("dam.rat", kDam);
  f.store("rhour", 1001, floodWave(50, 200, 40));
  f.file("m.txt", "m\r\nGET 4 1001\r\nROUTE Modpul 3001 dam.rat\r\nEND\r\n");
  SourceCall c = f.call("m.txt");
  hdbrouting(f.s, 0, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_EQ(f.s.LastError, "Starting modpul elevation rhour 3001 on 06/03/2024 00:00 not found, inflow used.");
  // An elevation for every hour of the output, the last one's too.
  EXPECT_EQ(
      f.rows("select * from runit where datatype_site_id=3001 and source=10 and value > 100 and value < 105"),
      kHours - 24);

  // With an observed starting elevation of 102 the reservoir starts from 150.
  execSql(f.hdb, "insert into rhour values (3001, " + db::dayLiteral(kReadFrom) + ", 102, 2);");
  f.s.LastError.clear();
  SourceCall observed = f.call("m.txt");
  hdbrouting(f.s, 0, observed);
  EXPECT_EQ(f.s.LastError, "");
  EXPECT_NE(observed.RetrievalText, c.RetrievalText);
}

TEST(RoutingInterpreter, ReleaseFromTheDatabaseAndItsWarning) {
  RoutingFixture f;
  const std::vector<double> in(kHours, 400.0);
  f.store("rhour", 1001, in);
  f.file("r.txt", "r\r\nGET 4 1001\r\nRELEASE 5001 1\r\nADD -1\r\nEND\r\n");
  // Rows after the query time (and off the hours the schedule reads): the first is the release.
  execSql(f.hdb, "insert into rhour values (5001, " + db::dayLiteral(kReadFrom + 5.5 / 24) + ", 300, 2);"
                 "insert into rhour values (5001, " + db::dayLiteral(kReadFrom + 2.5 / 24) + ", 100, 2);");
  SourceCall c = f.call("r.txt");
  hdbrouting(f.s, 0, c);
  ASSERT_EQ(c.Error, "");
  const std::string firstRow = vb::Split(c.RetrievalText, "\n")[1];
  EXPECT_EQ(vb::Split(firstRow, "\t")[2], "300");  // 400 - 100

  f.file("w.txt", "w\r\nGET 4 1001\r\nRELEASE 5002 1\r\nADD -1\r\nEND\r\n");
  SourceCall w = f.call("w.txt");
  hdbrouting(f.s, 0, w);
  EXPECT_EQ(w.Error, "");
  EXPECT_NE(f.s.form.Text1.Text.find("-1000>>5002 Warning: Routing starting rhour 'release' setting in HDB missing "
                                     "06/03/2024 01:00"),
            std::string::npos);
}

}  // namespace
}  // namespace fw::compute
