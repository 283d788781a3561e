#include "run/sql_guard.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(SqlGuard, OnlyKnownSeriesTablesAndWholeNumberDsidsPass) {
  for (const char* t : {"rday", "RDAYMAX", "rhour", "runit", "runitshift", "mday", "munit"})
    EXPECT_TRUE(isSeriesTable(t)) << t;
  for (const char* t : {"", "rsite", "rupdate", "rday;drop table rday", "rday ", "[rday$]"})
    EXPECT_FALSE(isSeriesTable(t)) << t;
  for (const char* d : {"0", "1045", "-4101"}) EXPECT_TRUE(isIntegerDsid(d)) << d;
  for (const char* d : {"", "-", "10 45", "1045;", "1e3", "+12", "1045 or 1=1", "12345678901234567890"})
    EXPECT_FALSE(isIntegerDsid(d)) << d;
}

}  // namespace
}  // namespace fw
