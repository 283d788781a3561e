#include <gtest/gtest.h>

#include "platform/db/dialect.h"
#include "platform/vb/date.h"

namespace fw::db {
namespace {

const vb::VbDate kDay = 45448;                                  // 06/05/2024
const vb::VbDate kAt1315 = 45448 + (13 * 60 + 15) / 1440.0;    // 06/05/2024 13:15

TEST(Dialect, DateLiteralsBecomeDayNumbersRoundedToSeconds) {
  struct Case {
    std::string sql;
    bool apos;
    std::string expected;
  } cases[] = {
      {"date_time=#06/05/2024#", false, "date_time=" + dayLiteral(kDay)},
      {"between #06/05/2024 13:15# and #06/05/2024  13:15#", false,
       "between " + dayLiteral(kAt1315) + " and " + dayLiteral(kAt1315)},
      {"between '06/05/2024' and '06/05/2024  13:15'", true, "between " + dayLiteral(kDay) + " and " + dayLiteral(kAt1315)},
      {"d='06/05/2024 13:15'", true, "d=" + dayLiteral(kAt1315)},
      // Apostrophe literals stay texts on a connection that dates with #, and texts that are not
      // dates stay texts everywhere.
      {"d='06/05/2024 13:15'", false, "d='06/05/2024 13:15'"},
      {"name='O''Brien #1' and x='12'", true, "name='O''Brien #1' and x='12'"},
      {"select * from [rday$] where [my col]=1", false, "select * from rday where [my col]=1"},
      {"date between 45294 and 45300;", false, "date between 45294 and 45300;"},
      {"date_time=#not a date#", false, "date_time=#not a date#"},
  };
  for (const auto& c : cases) EXPECT_EQ(translateAccessSql(c.sql, c.apos), c.expected) << c.sql;
}

TEST(Dialect, DayLiteralReadsBackAsTheRoundedDate) {
  vb::VbDate offBySubSecond = kAt1315 + 0.4 / 86400.0;
  EXPECT_EQ(std::stod(dayLiteral(offBySubSecond)), vb::roundToSecond(offBySubSecond));
  EXPECT_EQ(std::stod(dayLiteral(offBySubSecond)), vb::roundToSecond(kAt1315));
  EXPECT_EQ(dayLiteral(kDay), "45448");
}

}  // namespace
}  // namespace fw::db
