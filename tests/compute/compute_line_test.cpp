#include "compute/compute_line.h"

#include <gtest/gtest.h>

#include "compute/rating_lookup.h"

namespace fw::compute {
namespace {

TEST(ComputeLine, StationCodeGivesJobTableAndStep) {
  struct Case {
    const char* code;
    ComputeJob job;
    const char* table;
    int32_t step;
    const char* model;
  };
  const Case cases[] = {
      {"COMPUTE-HOUR", ComputeJob::Compute, "RHOUR", 5, "mHOUR"},
      {"COMPUTE-15UNIT", ComputeJob::Compute, "RUNIT", 15, "mUNIT"},
      {"COMPUTE", ComputeJob::Compute, "RUNIT", 5, "mUNIT"},
      {"COMPUTE-DAY", ComputeJob::Compute, "RDAY", 5, "mDAY"},
      {"PUT-COMPUTE-DAY", ComputeJob::Export, "RDAY", 5, "mDAY"},
      {"COMPUTE-PUT-HOUR", ComputeJob::Export, "RHOUR", 5, "mHOUR"},
      {"COMPUTE-GET-HOUR", ComputeJob::Import, "RHOUR", 5, "mHOUR"},
      {"GET-SWMM", ComputeJob::Swmm, "RUNIT", 5, "mUNIT"},
      {"COMPUTE-1UNIT", ComputeJob::Compute, "RUNIT", 5, "mUNIT"},
  };
  for (const Case& k : cases) {
    const ComputeStation st = parseComputeStation(k.code);
    EXPECT_EQ(st.job, k.job) << k.code;
    EXPECT_EQ(st.table, k.table) << k.code;
    EXPECT_EQ(st.stepMinutes, k.step) << k.code;
    EXPECT_EQ(st.modelTable, k.model) << k.code;
  }
  EXPECT_TRUE(parseComputeStation("PUT-COMPUTE-DAY").exportFlag);
}

TEST(ComputeLine, InputListWithLagComputedSeriesAndOptionWord) {
  ComputeInputs in = parseComputeInputs("11005LAG30, -1500,26001,ETO");
  ASSERT_EQ(in.inputs.size(), 3u);
  EXPECT_EQ(in.inputs[0].dsid, "11005");
  EXPECT_EQ(in.inputs[0].lagMinutes, 30);
  EXPECT_EQ(in.inputs[1].dsid, "-1500");
  EXPECT_EQ(in.inputs[1].lagMinutes, 0);
  EXPECT_TRUE(in.optionWord);
  EXPECT_EQ(in.option, "ETO");
  EXPECT_TRUE(in.cloud);

  in = parseComputeInputs("1001lag60");
  ASSERT_EQ(in.inputs.size(), 1u);
  EXPECT_EQ(in.inputs[0].dsid, "1001");
  EXPECT_EQ(in.inputs[0].lagMinutes, 60);
  EXPECT_FALSE(in.optionWord);
  EXPECT_FALSE(in.cloud);
}

TEST(ComputeLine, TripleOneSettingsForRatioRainAdjustAndFormulaWords) {
  ComputeSettings st = parseComputeSettings(101, {"", "0.05,1.2,4", "P1/P2"});
  EXPECT_TRUE(st.ratio);
  EXPECT_DOUBLE_EQ(st.gaugeMinimum, 0.05);
  EXPECT_DOUBLE_EQ(st.defaultRatio, 1.2);
  EXPECT_DOUBLE_EQ(st.ratioLimit, 4);

  st = parseComputeSettings(101, {"", "0.05", "P1/P2"});
  EXPECT_DOUBLE_EQ(st.defaultRatio, 1);
  EXPECT_DOUBLE_EQ(st.ratioLimit, 3);
  st = parseComputeSettings(101, {"", "0.05,0,0.5", ""});
  EXPECT_TRUE(st.maxBelowOne);
  EXPECT_DOUBLE_EQ(st.ratioLimit, 0.5);
  EXPECT_FALSE(parseComputeSettings(101, {"", "1", ""}).ratio);  // one character: ordinary line

  st = parseComputeSettings(10, {"", "-1,2,0,0", "P1*P2"});
  EXPECT_TRUE(st.rainAdjust);
  EXPECT_DOUBLE_EQ(st.defaultRatio, 2);
  EXPECT_DOUBLE_EQ(st.ratioLimit, 1);
  EXPECT_DOUBLE_EQ(st.rainCap, 0.5);

  st = parseComputeSettings(0, {"0", "x.dss", "lookback=3"});
  EXPECT_EQ(st.lookbackDays, 3);
  EXPECT_TRUE(parseComputeSettings(0, {"", "", "fill"}).fill);
  EXPECT_TRUE(parseComputeSettings(10, {"", "1", "N"}).onOff);
}

TEST(ComputeLine, LookupIdentifierGivesTableAndKind) {
  struct Case {
    const char* id;
    const char* table;
    RatingKind kind;
    const char* after;
  };
  const Case cases[] = {
      {"LOOKUP-HOUR", "RHOUR", RatingKind::Linear, "LOOKUP-HOUR"},
      {"LOOKUP-DAY,LOG-LOG", "RDAY", RatingKind::LogLog, "LOOKUP-DAY-LOG-LOG"},
      {"LOOKUP", "RUNIT", RatingKind::Linear, "LOOKUP"},
      {"LOOKUP,LOG LOG", "RUNIT", RatingKind::Linear, "LOOKUP-LOGLOG"},
      {"LOOKUP-HOUR-LINEAR-LOG", "RHOUR", RatingKind::LinearLog, "LOOKUP-HOUR-LINEAR-LOG"},
      {"LOOKUP-LOG-LINEAR", "RUNIT", RatingKind::LogLinear, "LOOKUP-LOG-LINEAR"},
  };
  for (const Case& k : cases) {
    std::string id = k.id;
    const LookupStation st = parseLookupStation(id);
    EXPECT_EQ(st.table, k.table) << k.id;
    EXPECT_EQ(st.kind, k.kind) << k.id;
    EXPECT_EQ(id, k.after);
  }
}

}  // namespace
}  // namespace fw::compute
