#pragma once
// A smooth curve through points (xs(i), ys(i)), i = 0 to n, xs increasing: piecewise cubic with
// slopes chosen so that it does not overshoot between the points (harmonic means of the secants,
// level where the secants change sign).
#include <cstdint>
#include <vector>

namespace fw::compute {

// Fills slopes(0 .. n + 1) (slope 0 at point 0) and gives 0, or 2 when the points allow no curve
// (fewer than four, a repeated or falling x); the slopes not reached are then 0, so the curve
// passes the points with level tangents.
int16_t CurveSlopes(const std::vector<double>& xs, const std::vector<double>& ys, std::vector<double>& slopes,
                    int16_t n);

// The curve at x. `position` carries the search on from call to call (start it at 1); x must
// grow from call to call and stay within xs(0) .. xs(n).
double CurveValue(double x, const std::vector<double>& xs, const std::vector<double>& ys,
                  const std::vector<double>& slopes, int16_t n, int16_t& position);

}  // namespace fw::compute
