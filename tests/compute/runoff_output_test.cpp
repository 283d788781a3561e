#include "run/runoff_output.h"

#include <gtest/gtest.h>

#include "platform/vb/date.h"

namespace fw {
namespace {

const vb::VbDate kWhen = vb::DateSerial(2024, 3, 4) + vb::TimeSerial(5, 15, 0);

TEST(RunoffOutput, RowsInThePrintForm) {
  RunoffRow r;
  r.date = kWhen;
  r.storage = 2.5;
  r.rainfall = 0.25;
  r.loss = 0.125;
  r.excess = 0.125;
  r.rainSum = 0.5;
  r.runoff = 12.5;
  r.soilRecoveryF = 0.25;
  r.soilFlowCFS = 3.14159;
  r.totalFlow = 15.6789;
  r.variableLag = true;
  r.lag = 2.35;
  EXPECT_EQ(runoffRowText(r, false, false),
            "2024-03-04 05:15 \t 80 \t .25 \t .125 \t .125 \t 2.5 \t .5 \t 12.5 \t .25 \t 0 \t 3.14 \t 0 \t 15.7 \t2.350");
  r.curveNumber = false;
  r.storage = 0.1234567;
  r.variableLag = false;
  r.loss = 99;  // an initial-loss row shows the rain less the excess
  EXPECT_EQ(runoffRowText(r, false, false),
            "2024-03-04 05:15 \t .123457 \t .25 \t .125 \t .125 \t .5 \t 12.5 \t .25 \t 0 \t 3.14 \t 0 \t 15.7 ");
}

TEST(RunoffOutput, HeaderOfBothModes) {
  RunoffHeader h;
  h.dsid = "30101";
  h.datatypeName = "Runoff";
  h.unit = "cfs";
  h.siteName = "Test Basin";
  h.runDateTime = kWhen;
  h.baseFlow = 2.25;
  h.setup = "2,75";
  h.formula = "P1";
  h.CNwet = 88.6;
  h.S1wet = 1000 / 88.6 - 10;
  h.CNdry = 56.2;
  h.S1dry = 1000 / 56.2 - 10;
  h.initialAbstraction = 0.2;
  h.variableLag = true;
  const std::vector<std::string> cn = runoffHeaderLines(h);
  ASSERT_EQ(cn.size(), 5u);
  EXPECT_EQ(cn[0], "30101 Runoff cfs Test Basin");
  EXPECT_EQ(cn[1], "2024-Mar-04 05:15  Base flow= 2.2  Setup: 2,75  Formula: P1");
  EXPECT_EQ(cn[2], "CNwet= 88.6  S1wet= 1.29  CNdry= 56.2 S1dry= 7.79 InitialAbstraction= .2 ");
  EXPECT_EQ(cn[3], "");
  EXPECT_EQ(cn[4].substr(0, 13), "Date Time\tCN\t");
  EXPECT_EQ(cn[4].substr(cn[4].size() - 4), "\tLag");

  h.curveNumber = false;
  h.ILdry = 1.5;
  h.ILwet = 0;
  h.variableLag = false;
  const std::vector<std::string> il = runoffHeaderLines(h);
  EXPECT_EQ(il[2], "Initial Loss Limits, ILdry= 1.5  ILwet= 0 ");
  EXPECT_EQ(il[4].substr(il[4].size() - 10), "Total Flow");
}

TEST(RunoffOutput, WhatIfNotesNameTheCoefficientAndItsValueInTheTrace) {
  WhatIfNoteValues rain;
  rain.coefficient = 10;
  rain.caption = "Rainfall Adjust Factor";
  rain.rainMultiplier = 1.1;
  EXPECT_EQ(whatIfNote(rain), "Rainfall Adjust Factor  1.1*P1 ");
  WhatIfNoteValues lag;
  lag.coefficient = 13;
  lag.caption = "Lag hours";
  lag.lag = 5;
  lag.shapeFactor = 3;
  lag.linear = true;
  EXPECT_EQ(whatIfNote(lag), "Lag hours  5, K= 3");
  WhatIfNoteValues start;
  start.coefficient = 1;
  start.caption = "CN/IL start space";
  start.startSpace = 75;
  start.limitsComputed = true;
  start.wet = 88.6;
  start.dry = 56.2;
  EXPECT_EQ(whatIfNote(start), "CN/IL start space  75 , CNwet  88.6, CNdry  56.2 ");
  WhatIfNoteValues other;
  other.coefficient = 14;
  other.caption = "Other";
  EXPECT_EQ(whatIfNote(other), "Other ");
}

}  // namespace
}  // namespace fw
