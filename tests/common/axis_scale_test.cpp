#include "common/axis_scale.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "platform/vb/error.h"

namespace fw {
namespace {

struct Scale {
  float low, high;
  float step, axisMin, axisMax;
};

TEST(AxisScale, PicksARoundStepAndWidensToWholeSteps) {
  const Scale cases[] = {
      {0, 0, 0.2f, 0, 1},                               // an empty range becomes one unit
      {3.2f, 47, 5, 0, 50},      {0, 100, 20, 0, 100},  // 100 is a whole step and stays the top
      {150, 2750, 500, 0, 3000}, {-2, 3, 0.5f, -2, 3},           {0.02f, 0.31f, 0.05f, 0, 0.35f},
      {5, 3, 0.2f, 3, 4},  // low above high: both taken as high
      {-47, -3.2f, 5, -50, 0},   {1000, 1001, 0.2f, 1000, 1001},
  };
  for (const Scale& c : cases) {
    float low = c.low, high = c.high, axisMin = -1, step = -1, axisMax = -1;
    AxisScale(low, high, axisMin, step, axisMax);
    EXPECT_EQ(step, c.step) << c.low << ".." << c.high;
    EXPECT_EQ(axisMin, c.axisMin) << c.low << ".." << c.high;
    EXPECT_EQ(axisMax, c.axisMax) << c.low << ".." << c.high;
  }
}

TEST(AxisScale, ChangesLowAndHighOnlyForAnEmptyOrReversedRange) {
  float low = 0, high = 0, axisMin, step, axisMax;
  AxisScale(low, high, axisMin, step, axisMax);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1);

  low = 5, high = 3;
  AxisScale(low, high, axisMin, step, axisMax);
  EXPECT_EQ(low, 3);
  EXPECT_EQ(high, 4);

  low = 3.2f, high = 47;
  AxisScale(low, high, axisMin, step, axisMax);
  EXPECT_EQ(low, 3.2f);
  EXPECT_EQ(high, 47);
}

TEST(AxisScale, UndefinedLogarithmOrOverflowIsRaised) {
  // low + 1 is low again in single precision: the range stays 0.
  float low = 1e10f, high = 1e10f, axisMin, step, axisMax;
  try {
    AxisScale(low, high, axisMin, step, axisMax);
    FAIL() << "no error";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::InvalidProcedureCall);
  }
  low = -FLT_MAX, high = FLT_MAX;
  try {
    AxisScale(low, high, axisMin, step, axisMax);
    FAIL() << "no error";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::Overflow);
  }
}

TEST(RoundOff, CleansSinglePrecisionResidue) {
  const struct {
    float in;
    double result;  // the double of the shown decimal text
    float after;    // the argument afterwards
  } cases[] = {
      {2.999999f, 3, 3},
      {-1.000001f, -1, -1},
      {12.99999f, 13, 13},
      {-12.99999f, -13, -13},
      {0.1000001f, 0.1, 0.1f},
      {2.000009f, 2.00001, 2.00001f},              // the rule reads the text, so this rounds too
      {1.234569e-10f, 1.23457e-10, 1.23457e-10f},  // exponent form: the ninth character decides
      {1.5f, 1.5, 1.5f},                           // a 4-character text, untouched
      {0.3f, 0.3, 0.3f},                           // the double nearest 0.3, not 0.30000001192...
      {123.4567f, 123.4567, 123.4567f},            // nine characters ending in 7: untouched
      {1.234567e-5f, 1.234567e-5, 1.234567e-5f},
      {1.5e20f, 1.5e20, 1.5e20f},
      {0, 0, 0},
  };
  for (const auto& c : cases) {
    float v = c.in;
    EXPECT_EQ(RoundOff(v), c.result) << c.in;
    EXPECT_EQ(v, c.after) << c.in;
  }
}

}  // namespace
}  // namespace fw
