#pragma once
// Angle functions in radians, as the program's formulas expect them.

namespace fw {

// The angle of the point (x, y): arctan(y / x), plus or minus pi on the left half-plane by the
// sign of y; a point on the negative x axis (y = 0) gives 0, not pi. On the y axis +-pi/2;
// the origin gives 0.
double Atan2(double x, double y);
// arccos(1) = 0, arccos(-1) = pi; |x| > 1 raises vb::Error 5.
double arccos(double x);
// |x| = 1 raises vb::Error 11 (division by zero), |x| > 1 vb::Error 5.
double arcsin(double x);

}  // namespace fw
