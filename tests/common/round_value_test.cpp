#include "common/round_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace fw {
namespace {

struct Case {
  int16_t code;
  double value;
  double english;
  double metric;
};

TEST(RoundValue, ByCodeInEnglishAndMetricUnits) {
  const Case cases[] = {
      // every other code: by magnitude, three significant digits (four metric), tens from 999.5
      {1, 1234.4, 1230, 1230},
      {1, -1234.4, -1230, -1230},
      {1, 1235, 1240, 1240},   // the tens round half up, not to even
      {1, 999.5, 1000, 1000},  // a threshold falls into the band above it
      {1, 999.4, 999, 999.4},
      {1, 123.46, 123, 123.5},
      {1, 99.95, 100, 100},
      {1, 12.346, 12.3, 12.35},
      {1, 9.96, 10, 9.96},
      {1, 0.996, 1, 0.996},
      {1, 0.12346, 0.123, 0.1235},
      {1, 0.0001234, 0, 0.0001},
      {1, 0.5, 0.5, 0.5},
      {1, 2.5, 2.5, 2.5},
      {1, 150.5, 150, 150.5},  // 0 decimals: half to even
      {1, 151.5, 152, 151.5},
      {0, 123.46, 123, 123.5},
      {4, 123.46, 123, 123.5},
      {32, 123.46, 123, 123.5},
      {-2, 123.46, 123, 123.5},
      {1000, 123.46, 123, 123.5},
      // gage height, elevation, pressure, snow water content: one decimal fewer in metric
      {2, 4.567, 4.57, 4.6},
      {3, 5012.347, 5012.35, 5012.3},
      {15, 29.921, 29.92, 29.9},
      {23, 12.25, 12.25, 12.2},
      // one decimal either way
      {5, 45.67, 45.7, 45.7},
      {7, 12.34, 12.3, 12.3},
      {16, -3.46, -3.5, -3.5},
      {17, 72.25, 72.2, 72.2},
      {21, 30.06, 30.1, 30.1},
      {26, 99.99, 100, 100},
      // precipitation, rainfall, evapotranspiration: five decimals
      {9, 0.1234567, 0.12346, 0.12346},
      {10, 1.000004, 1.0, 1.0},
      {11, 2.3456789, 2.34568, 2.34568},
      {27, 0.2000051, 0.20001, 0.20001},
      // wind direction: nearest quarter, halves away from zero
      {19, 123.4, 123.5, 123.5},
      {19, 1.125, 1.25, 1.25},
      {19, -1.125, -1.25, -1.25},
      {19, 3.1, 3.0, 3.0},
      // no unit, ratio: six decimals
      {25, 0.12345678, 0.123457, 0.123457},
      {31, 1.0000004, 1.0, 1.0},
  };
  for (const Case& c : cases) {
    double v = c.value;
    EXPECT_DOUBLE_EQ(RoundValue(v, c.code, false, false), c.english) << c.code << " " << c.value;
    EXPECT_DOUBLE_EQ(v, c.english) << "rounded in place";
    v = c.value;
    EXPECT_DOUBLE_EQ(RoundValue(v, c.code, true, false), c.metric) << c.code << " " << c.value << " metric";
    v = c.value;
    EXPECT_DOUBLE_EQ(RoundValue(v, c.code, false, true), c.metric) << c.code << " " << c.value << " Canada";
  }
}

TEST(RoundValue, ValueThatCannotBeRoundedIsUnchanged) {
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(RoundValue(inf, 1, false, false), std::numeric_limits<double>::infinity());
  double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(RoundValue(nan, 2, false, false)));
  double huge = 1e300;
  EXPECT_DOUBLE_EQ(RoundValue(huge, 9, false, false), 1e300);
}

}  // namespace
}  // namespace fw
