// The SWMM results reader over files written in SWMM's layout: counts, values at chosen periods,
// the files it refuses and the GET-SWMM staging rows.
#include "models/swmm_output.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "support/swmm_out_writer.h"
#include "support/test_session.h"

namespace fw::models {
namespace {

using testing::SwmmOutSpec;

struct OutFixture {
  testing::TempFolder t;
  std::string write(const SwmmOutSpec& spec, const std::string& name = "run.out") {
    const std::filesystem::path p = t / name;
    testing::writeSwmmOut(p, spec);
    return p.string();
  }
};

TEST(SwmmOutput, ReadsTheCountsAndTheValueOfEachKindAtAnyPeriod) {
  OutFixture f;
  SwmmOutFile out;
  ASSERT_EQ(out.open(f.write({})), 0);
  EXPECT_EQ(out.periods, 288);
  EXPECT_EQ(out.reportStep, 300);
  EXPECT_EQ(out.startDate, 46027);
  EXPECT_EQ(out.subcatchments, 1);
  EXPECT_EQ(out.nodes, 2);
  EXPECT_EQ(out.links, 1);
  EXPECT_EQ(out.subcatchmentVars, 8);
  EXPECT_EQ(out.nodeVars, 6);
  EXPECT_EQ(out.linkVars, 5);
  EXPECT_EQ(out.systemVars, 15);
  EXPECT_EQ(out.bytesPerPeriod, 8 + 4 * (8 + 12 + 5 + 15));

  // Worked out by hand: 1000 kind + 100 element + variable + period / 1000.
  struct Case {
    int32_t kind, element, variable, period;
    float value;
  };
  for (const Case& c :
       {Case{0, 0, 0, 1, 0.001f}, Case{0, 0, 7, 288, 7.288f}, Case{1, 1, 5, 144, 1105.144f},
        Case{1, 0, 2, 12, 1002.012f}, Case{2, 0, 4, 200, 2004.2f}, Case{3, 0, 14, 288, 3014.288f}}) {
    float v = -1;
    ASSERT_TRUE(out.value(c.kind, c.element, c.variable, c.period, v));
    EXPECT_FLOAT_EQ(v, c.value) << c.kind << " " << c.element << " " << c.variable << " " << c.period;
  }
  float v = -1;
  EXPECT_FALSE(out.value(4, 0, 0, 1, v));
  EXPECT_EQ(v, 0);
}

TEST(SwmmOutput, ASeriesHoldsTheValueOfEveryPeriodWhateverThePeriodsLength) {
  OutFixture f;
  SwmmOutSpec longPeriods;  // 120 kB a period: one read a value
  longPeriods.nodes = 5000;
  longPeriods.periods = 3;
  SwmmOutSpec manyPeriods;  // 168 bytes a period: many periods a read
  manyPeriods.periods = 5000;
  for (const SwmmOutSpec& spec : {longPeriods, manyPeriods}) {
    SwmmOutFile out;
    ASSERT_EQ(out.open(f.write(spec)), 0);
    std::vector<float> series;
    out.series(1, 1, 3, series);
    ASSERT_EQ(series.size(), static_cast<size_t>(spec.periods));
    for (int32_t p = 1; p <= spec.periods; ++p)
      ASSERT_EQ(series[static_cast<size_t>(p - 1)], testing::swmmTestValue(1, 1, 3, p)) << p;
  }
}

TEST(SwmmOutput, RefusesFilesThatAreNotUsableResults) {
  OutFixture f;
  SwmmOutSpec badMagic;
  badMagic.badClosingMagic = true;
  SwmmOutSpec failed;
  failed.errorCode = 303;
  SwmmOutSpec empty;
  empty.periods = 0;
  SwmmOutFile out;
  EXPECT_EQ(out.open(f.write(badMagic, "magic.out")), 1);
  EXPECT_FALSE(out.isOpen());
  EXPECT_EQ(out.open(f.write(failed, "failed.out")), 1);
  EXPECT_EQ(out.open(f.write(empty, "empty.out")), 1);
  vb::writeAllBytes(f.t / "short.out", std::string(55, '\0'));
  EXPECT_EQ(out.open((f.t / "short.out").string()), 1);
  EXPECT_EQ(out.open((f.t / "missing.out").string()), 1);
  // A file cut short after its counts: the trailer it reads is garbage, and nothing is read past
  // the end.
  const std::string whole = vb::readAllBytes(f.write({}, "whole.out"));
  vb::writeAllBytes(f.t / "cut.out", whole.substr(0, whole.size() / 2));
  EXPECT_EQ(out.open((f.t / "cut.out").string()), 1);
}

TEST(SwmmOutput, GetSwmmWritesOneRowPerPeriodFromOneStepAfterTheStart) {
  OutFixture f;
  const std::string file = f.write({});
  std::string error;
  const std::string text = getSwmmRows(file, "TYPE=NODE,INDEX=1,VAR=0", error);
  ASSERT_EQ(error, "");
  const std::vector<std::string> lines = vb::splitLines(text);
  ASSERT_EQ(lines.size(), 2u + 288u);
  EXPECT_EQ(lines[0], "SWMM: TYPE=NODE,INDEX=1,VAR=0");
  EXPECT_EQ(lines[1],
            "Outfile: periods= 288 , units= 0 , subcatches= 1 , nodes= 2 , links= 1 , polluts= 0 , "
            "StartDate= 46027 , ReportStep= 300 ");
  EXPECT_EQ(lines[2], "Z\t2026-01-05 00:05\t 1100.001 \t0");
  EXPECT_EQ(lines[289], "Z\t2026-01-06 00:00\t 1100.288 \t0");  // 288 steps of 300 s: one day

  // Without NODE, LINK or SYSTEM the subcatchments are read; the last word found wins.
  EXPECT_NE(getSwmmRows(file, "T=RAIN,E=0,V=3", error).find("\t 3.001 \t"), std::string::npos);
  EXPECT_NE(getSwmmRows(file, "T=LINK SYSTEM,E=0,V=1", error).find("\t 3001.001 \t"), std::string::npos);
}

TEST(SwmmOutput, GetSwmmRefusesUnusableRequests) {
  OutFixture f;
  const std::string file = f.write({});
  struct Case {
    std::string file, formula, error;
  };
  for (const Case& c : {
           Case{(f.t / "none.out").string(), "T=NODE,E=0,V=0",
                "GetSWMM open error: " + (f.t / "none.out").string()},
           Case{file, "T=NODE,E=0", "  T=NODE,E=0  ...insufficient data."},
           Case{file, "T=NODE,E=2,V=0", "GetSWMM: index out of range: T=NODE,E=2,V=0"},
           Case{file, "T=NODE,E=0,V=6", "GetSWMM: index out of range: T=NODE,E=0,V=6"},
           Case{file, "T=LINK,E=-1,V=0", "GetSWMM: index out of range: T=LINK,E=-1,V=0"},
           Case{file, "T=SYSTEM,E=0,V=15", "GetSWMM: index out of range: T=SYSTEM,E=0,V=15"},
           Case{file, "T=SUB,E=1,V=0", "GetSWMM: index out of range: T=SUB,E=1,V=0"},
       }) {
    std::string error;
    EXPECT_EQ(getSwmmRows(c.file, c.formula, error), "") << c.formula;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace fw::models
