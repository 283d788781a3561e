#pragma once
// Round scales for a chart's value axis, in single precision as the chart keeps its scale.

namespace fw {

// Picks a step of 2, 5, 10 or 20 units of a power of ten so that low..high spans about 5 to 11
// steps, and widens the range to whole steps: 3.2..47 gives step 5 and axis 0..50. A high that is
// already a whole step is itself the top (0..100 stays 0..100 with step 20). When low is above
// high, low becomes high; an empty range becomes low..low + 1 (high is changed to match).
// Raises vb::Error 5 for a range whose logarithm is undefined and 6 when a value overflows a
// single.
void AxisScale(float& low, float& high, float& axisMin, float& step, float& axisMax);

// Cleans single-precision residue such as 2.999999 (to 3) or 0.1000001 (to 0.1): when the
// single's Str text shows a run of 9s or a trailing 1 in its seventh significant digit, the value
// is rounded to six significant digits in place. Returns the decimal number the Str text shows,
// as a double (so the single 0.3 gives the double 0.3, not 0.30000001192...).
double RoundOff(float& value);

}  // namespace fw
