#include "common/axis_scale.h"

#include <cfloat>
#include <cmath>
#include <string>

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {
namespace {

// Slightly above 1 / ln 10; the scale steps depend on this exact factor.
constexpr double kLog10Factor = 0.4342945;

// Storing into a single: a finite value beyond its range is an overflow, not infinity.
float single(double x) {
  if (std::isfinite(x) && std::fabs(x) > FLT_MAX) vb::raise(vb::err::Overflow);
  return static_cast<float>(x);
}

double divide(double a, double b) {
  if (b == 0) vb::raise(vb::err::DivisionByZero);
  return a / b;
}

// The natural logarithm, raising for an argument that is not positive.
double logOf(double x) {
  if (!(x > 0)) vb::raise(vb::err::InvalidProcedureCall);
  return std::log(x);
}

}  // namespace

double RoundOff(float& value) {
  const float a = std::fabs(value);
  const std::string s = vb::StrSingle(value);
  const bool ninthShown = vb::Len(s) == 9 || vb::InStr(s, "E") > 9;
  const std::string ninth = vb::Mid(s, 9, 1);
  if (ninthShown && (ninth == "9" || ninth == "1")) {
    const int d = 5 - static_cast<int>(vb::Int(logOf(a) * kLog10Factor));
    const double scale = std::pow(10.0, d);
    value = single(vb::Int(scale * a + 0.5) * vb::Sgn(value) / scale);
  }
  return vb::Val(vb::StrSingle(value));
}

void AxisScale(float& low, float& high, float& axisMin, float& step, float& axisMax) {
  static constexpr float kSteps[] = {0.02f, 0.05f, 0.1f, 0.2f};

  if (low > high) low = high;
  float range = single(static_cast<double>(high) - low);
  if (range == 0) {
    high = single(static_cast<double>(low) + 1);
    range = single(static_cast<double>(high) - low);
  }

  const float e = single(logOf(range) * kLog10Factor);
  const float p = single(std::pow(10.0, vb::Int(e) + 1));
  const float r = single(divide(range, p));

  float factor = 0.2f;
  for (float candidate : kSteps) {
    const float n = single(divide(r, candidate) + 1);
    if (n >= 5 && n < 12) {
      factor = candidate;
      break;
    }
  }

  float t = single(static_cast<double>(p) * factor);
  step = single(RoundOff(t));

  t = single(divide(low, step));
  t = single(vb::Int(RoundOff(t)) * step);
  axisMin = single(RoundOff(t));

  t = single(vb::Int(divide(static_cast<double>(high) + step, step)) * step);
  axisMax = single(RoundOff(t));

  t = single(static_cast<double>(axisMax) - step);
  if (vb::Str(RoundOff(t)) == vb::StrSingle(high)) axisMax = high;
}

}  // namespace fw
