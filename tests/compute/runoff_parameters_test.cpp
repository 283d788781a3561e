#include "run/runoff_setup.h"

#include <gtest/gtest.h>

#include "platform/vb/error.h"

namespace fw {
namespace {

// lag, CN, constant loss, impervious %, area, ratio1, recovery, share2, ratio2, share3, ratio3,
// wet, dry, soil loss, gw loss, gw adjustment, riparian, ET, interception, connected, gw lag,
// abstraction, winter, snowmelt, write soil, lag mode.
const std::string k26 = "2,75,0.1,10,25,1.5,0.5,0.2,2,0.1,3,0,85,0.3,0.1,0.2,0,1,0.05,0.5,12,0,1,0,0,Lag0";

TEST(RunoffParameters, ElementsByPositionWithTheirDefaults) {
  const RunoffParameters r = readRunoffParameters(k26);
  ASSERT_FALSE(r.tooFew);
  EXPECT_EQ(r.lag, 2);
  EXPECT_TRUE(r.curveNumberMode());
  EXPECT_DOUBLE_EQ(r.share1(), 0.7);
  EXPECT_EQ(r.initialAbstraction, 0.2);  // 0 becomes 0.2
  EXPECT_EQ(r.snowmeltLoss, 0.7);        // 0 becomes 0.7
  EXPECT_EQ(r.winterInterception, 1);
  EXPECT_FALSE(r.variableLag);
  EXPECT_EQ(r.runoffFileFlag, 0);

  const RunoffParameters on = readRunoffParameters(k26.substr(0, k26.size() - 4) + "LagV,-1");
  EXPECT_TRUE(on.variableLag);  // the second-to-last element
  EXPECT_EQ(on.runoffFileFlag, -1);
}

TEST(RunoffParameters, TwentyFiveElementsAndTheModeBoundary) {
  const std::string k25 = k26.substr(0, k26.rfind(','));
  const RunoffParameters r = readRunoffParameters(k25);
  ASSERT_FALSE(r.tooFew);
  EXPECT_FALSE(r.variableLag);
  EXPECT_EQ(r.runoffFileFlag, 0);  // element 24's integer

  std::string il = k26;
  il.replace(2, 2, "9.99999");
  EXPECT_FALSE(readRunoffParameters(il).curveNumberMode());
  std::string ten = k26;
  ten.replace(2, 2, "10");
  EXPECT_TRUE(readRunoffParameters(ten).curveNumberMode());

  EXPECT_TRUE(readRunoffParameters(k25.substr(0, k25.rfind(','))).tooFew);  // 24 elements
  std::string bad = k26;
  bad.replace(0, 1, "x");
  EXPECT_THROW(readRunoffParameters(bad), vb::Error);  // a strict element must be a number
}

TEST(RunoffParameters, StepCountsAndTheUnitGraphLength) {
  EXPECT_EQ(runoffStepCount("COMPUTE-DAY-HOUR", 10), 16);  // "-DAY" is tested first
  EXPECT_EQ(runoffStepCount("COMPUTE", 10), 4608);
  EXPECT_EQ(runoffStepCount("COMPUTE-HOUR", 10), 384);
  EXPECT_EQ(unitGraphLength(3, 2, false), 96);
  EXPECT_EQ(unitGraphLength(3, 2, true), 0);
}

}  // namespace
}  // namespace fw
