#pragma once
// The interval search of every rating and table the computations interpolate in.
#include <cstdint>
#include <vector>

namespace fw::compute {

// Finds the interval of x in table entries 1..count (entry 0 unused). On entry position is the
// direction: 0 for a rising table, non-zero for a falling one. On return it holds the lower end
// p (1..count-1) and fraction = (x - table(p)) / (table(p+1) - table(p)), so a caller
// interpolates any column c as c(p) + fraction * (c(p+1) - c(p)). x outside the table gives the
// end interval with a fraction below 0 or above 1 (straight-line extrapolation).
// Raises "Division by zero" for equal neighbours at p and "Subscript out of range" for a table
// of fewer than two entries or a count beyond the array.
void TablePosition(double x, const std::vector<double>& table, int32_t count, double& fraction, int16_t& position);

}  // namespace fw::compute
