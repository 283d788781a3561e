#include "run/source_type.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(SourceType, StationIdsGiveTheirTypes) {
  struct Case {
    const char* id;
    int16_t type;
  } cases[] = {
      {"ORO", 3},           {"NEXRAD-KDAX", 9}, {"KSAC", 1},      {"COMPUTE-HOUR", 11}, {"FORECAST-NWS", 18},
      {"FORECAST-GFS", 25}, {"MADIS-X", 30},    {"MA-KSAC", 31},  {"MW-KSAC", 27},      {"SY-KSAC", 29},
      {"USBRGCD", 6},       {"COE-BCLA3", 7},   {"CIMIS6", 8},    {"ROUTE", 10},        {"SNOWMELT", 12},
      {"FILE", 13},         {"SHELL", 16},      {"AFWS1234", 19}, {"LOOKUP", 20},       {"KISTERS", 21},
      {"HCFCD1234", 22},    {"A2M-KDAX", 23},   {"HRRR-XXX", 24}, {"SNOWCAST,XXX", 28}, {"09380000", 2},
      {"3000", 2},          {"2999", 4},        {"1050", 4},
  };
  for (const Case& c : cases) {
    bool hms = false;
    EXPECT_EQ(classifySource(c.id, -7, hms), c.type) << c.id;
  }
}

TEST(SourceType, DigitsFollowedByLettersKeepThePreviousLinesType) {
  bool hms = false;
  EXPECT_EQ(classifySource("08MF005", 0, hms), 0);
  EXPECT_EQ(classifySource("08MF005", 2, hms), 2);
}

TEST(SourceType, AShellLineRunningAnHmsScriptIsMarked) {
  bool hms = false;
  EXPECT_EQ(classifySource("SHELL-/opt/hec/hms/HMS.cmd", 0, hms), 16);
  EXPECT_TRUE(hms);
  EXPECT_EQ(classifySource("SHELL-RAS.EXE", 0, hms), 16);
  EXPECT_FALSE(hms);
}

}  // namespace
}  // namespace fw
