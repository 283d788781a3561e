#include "common/angles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/vb/error.h"

namespace fw {
namespace {

TEST(Atan2, Quadrants) {
  EXPECT_DOUBLE_EQ(Atan2(1, 1), std::atan(1.0));
  EXPECT_DOUBLE_EQ(Atan2(-1, 1), std::atan(-1.0) + 3.14159265358979);
  EXPECT_DOUBLE_EQ(Atan2(-1, -1), std::atan(1.0) - 3.14159265358979);
  EXPECT_DOUBLE_EQ(Atan2(0, -2), -1.5707963267949);
  EXPECT_DOUBLE_EQ(Atan2(0, 3), 1.5707963267949);
  EXPECT_EQ(Atan2(0, 0), 0);
  // On the negative x axis the sign of y is 0, so no half turn is added.
  EXPECT_EQ(Atan2(-1, 0), 0);
}

TEST(ArcFunctions, ValuesAndDomainErrors) {
  EXPECT_EQ(arccos(1), 0);
  EXPECT_DOUBLE_EQ(arccos(-1), 4 * std::atan(1.0));
  EXPECT_NEAR(arccos(0.5), std::acos(0.5), 1e-15);
  EXPECT_NEAR(arccos(-0.3), std::acos(-0.3), 1e-15);
  EXPECT_NEAR(arcsin(0.5), std::asin(0.5), 1e-15);
  EXPECT_NEAR(arcsin(-0.9), std::asin(-0.9), 1e-15);
  EXPECT_EQ(arcsin(0), 0);

  auto errorOf = [](auto f) {
    try {
      f();
    } catch (const vb::Error& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(errorOf([] { arccos(1.5); }), vb::err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([] { arcsin(-1.5); }), vb::err::InvalidProcedureCall);
  EXPECT_EQ(errorOf([] { arcsin(1); }), vb::err::DivisionByZero);
  EXPECT_EQ(errorOf([] { arcsin(-1); }), vb::err::DivisionByZero);
}

}  // namespace
}  // namespace fw
