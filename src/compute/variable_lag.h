#pragma once
// Variable lag: the lag of a runoff station shortens as its soil wets, down to half of it, and
// the unit graphs are rebuilt when it has moved by more than an hour's 24th.
namespace fw::compute {

inline constexpr double kLagRebuildHours = 0.04166666;

// Initial loss: by the rain gathered since the soil was last dry, against three times the dry limit.
double initialLossLag(double lagHours, double lagRainSum, double ILdry);
// Curve number: by the rain gathered, against the storage range; a shortening under an hour's
// 24th is ignored, and the lag never grows.
double curveNumberLag(double lagHours, double rainSum, double storageRange);
// The graphs are rebuilt when the lag differs from the one they were built with by more than that.
bool lagNeedsRebuild(double currentLag, double builtLag);

// The reservoir time scale at a lag, 1.12899 × lag ^ −1.10391.
double lagCoefficient(double lagHours);

}  // namespace fw::compute
