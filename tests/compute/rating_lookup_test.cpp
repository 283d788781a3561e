#include "compute/rating_lookup.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/session.h"
#include "platform/db/dialect.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

constexpr int32_t kDay = 45448;  // 06/05/2024

const char* const kRatingCrLf = "Stage\tFlow\r\n1\t10\r\n2\t40\r\n4\t160\r\n";
const char* const kRatingLf = "Stage\tFlow\n1\t10\n2\t40\n4\t160\n";

struct LookupFixture {
  fw::testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb;

  LookupFixture() {
    hdb = fw::testing::openTestHdb(s, fw::testing::HdbEngine::AdoSqlite);
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.UnitSeries.assign(10, SeriesPoint{});
  }
  void storeHours(const std::vector<double>& values) {
    std::string sql;
    for (size_t k = 0; k < values.size(); ++k)
      sql += "insert into rhour values (2001, " + db::dayLiteral(vb::roundToSecond(kDay + (k + 1) / 24.0)) +
             ", " + std::to_string(values[k]) + ", 2);";
    fw::testing::execSql(hdb, sql);
  }
  SourceCall call(const std::string& id, const std::string& code = "2001, stage.rat") {
    SourceCall c;
    c.SourceType = 20;
    c.StationId = id;
    c.ParameterCode = code;
    c.FirstDay = kDay;
    c.LastDay = kDay;
    return c;
  }
  std::vector<double> values(const std::string& text) {
    std::vector<double> out;
    std::vector<std::string> lines = vb::Split(text, "\r\n");
    for (size_t i = 1; i < lines.size(); ++i)
      if (!lines[i].empty()) out.push_back(vb::Val(vb::Split(lines[i], "\t").at(2)));
    return out;
  }
};

TEST(RatingLookup, EveryKindOnARatingWithCrLfOrLfEnds) {
  struct Case {
    const char* id;
    std::vector<double> in, out;
  };
  const Case cases[] = {
      {"LOOKUP-HOUR", {3, 0.5, 8}, {100, -5, 400}},
      {"LOOKUP-HOUR-LOG-LOG", {3, 0.5, 8, 0}, {90, 2.5, 640, 1e-9}},
      {"LOOKUP-HOUR-LINEAR-LOG", {3, 1, 2}, {80, 10, 40}},
      {"LOOKUP-HOUR-LOG-LINEAR", {3, 1, 2}, {110.195, 10, 40}},
  };
  for (const char* rating : {kRatingCrLf, kRatingLf}) {
    for (const Case& k : cases) {
      LookupFixture f;
      fw::testing::writeFile(f.t.folder / "stage.rat", rating);
      f.storeHours(k.in);
      SourceCall c = f.call(k.id);
      Lookup(f.s, c);
      ASSERT_EQ(c.Error, "") << k.id;
      const std::vector<double> got = f.values(c.RetrievalText);
      ASSERT_EQ(got.size(), k.in.size()) << k.id;
      for (size_t i = 0; i < got.size(); ++i) {
        if (k.out[i] < 1e-6) {
          EXPECT_NEAR(got[i], k.out[i], 1e-12) << k.id << " " << i;
        } else {
          EXPECT_NEAR(got[i], k.out[i], 1e-3) << k.id << " " << i;
        }
      }
      EXPECT_EQ(f.s.UnitSeries.size(), 10u);
    }
  }
}

TEST(RatingLookup, TheStagingFileByteForByte) {
  LookupFixture f;
  fw::testing::writeFile(f.t.folder / "stage.rat", kRatingCrLf);
  f.storeHours({3, 0.5, 8});
  SourceCall c = f.call("LOOKUP-HOUR");
  Lookup(f.s, c);
  ASSERT_EQ(c.Error, "");
  const std::string expected =
      "Lookup from HDB\r\n"
      "Z\t2024-06-05 01:00\t 100\t\r\n"
      "Z\t2024-06-05 02:00\t-5\t\r\n"
      "Z\t2024-06-05 03:00\t 400\t\r\n";
  EXPECT_EQ(fw::testing::readFile(f.t.folder / "LookupIn.txt"), expected);
  EXPECT_EQ(c.RetrievalText, expected);
  EXPECT_EQ(c.LastDay, kDay + 1);
}

TEST(RatingLookup, EveryFailureHasItsText) {
  struct Case {
    const char* code;
    const char* rating;  // nullptr: no rating file
    int values;
    const char* error;
  };
  const Case cases[] = {
      {"2001", kRatingCrLf, 3, "Lookup: Wrong parmater_codes for 'dsid, rating.txt': 2001"},
      {"2001, stage.rat, x", kRatingCrLf, 3,
       "Lookup: Wrong parmater_codes for 'dsid, rating.txt': 2001, stage.rat, x"},
      {"2001, stage.rat", kRatingCrLf, 2, "Lookup: No values for 2001"},
      {"2001, stage.rat", nullptr, 3, "Lookup: Rating file not found: "},
      {"2001, stage.rat", "h\r\n1\t10\r\n", 3, "Lookup: Rating needs at least two rows: "},
      {"2001, stage.rat", "h\r\n1\t10\r\n3\t20\r\n2\t30\r\n", 3,
       "Lookup: Rating x does not rise at row 3 (line 4) of "},
      {"2001 or 1=1, stage.rat", kRatingCrLf, 3, "Lookup: The DSID is not a whole number: 2001 or 1=1"},
  };
  for (const Case& k : cases) {
    LookupFixture f;
    if (k.rating != nullptr) fw::testing::writeFile(f.t.folder / "stage.rat", k.rating);
    f.storeHours(std::vector<double>(static_cast<size_t>(k.values), 2.0));
    SourceCall c = f.call("LOOKUP-HOUR", k.code);
    Lookup(f.s, c);
    EXPECT_EQ(vb::Left(c.Error, vb::Len(k.error)), k.error) << k.code;
    EXPECT_EQ(c.RetrievalText, "");
  }
}

}  // namespace
}  // namespace fw::compute
