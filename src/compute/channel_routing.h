#pragma once
// Channel routing of the current hydrograph (UnitSeries elements 1..n, values in the series'
// flow unit) in place: Tatum lag-and-average, Muskingum over sub-reaches, and Muskingum-Cunge,
// whose K, X and sub-reach count come from a table keyed by the hydrograph's peak.
#include <cstdint>
#include <filesystem>

namespace fw {
struct Session;
}

namespace fw::compute {

// travelHours: travel time in hours; stepHours: time step in hours. Makes
// Int(2 * travel / step + 0.5) passes, each moving every element after the first half a step
// towards its predecessor; values beyond n are dropped, dates unchanged, element 0 set to 0.
void RouteTatum(Session& s, double travelHours, int32_t n, double stepHours);

// kHours: storage constant K of the whole reach in hours, on return K / subReaches;
// x: weighting factor (dimensionless); stepHours: time step in hours; subReaches: count of equal
// sub-reaches routed one after the other, on return at least 1. Element 1 is never changed;
// a negative outflow is set to 0 once it has been used for the next step.
void RouteMuskingum(Session& s, double& kHours, double x, int32_t n, double stepHours, int16_t& subReaches);

// The routing coefficients of one sub-reach: c0 weighs the current inflow, c1 the previous
// inflow, c2 the previous outflow. "Division by zero" when K (1 - X) + step / 2 is 0.
struct MuskingumCoefficients {
  double c0, c1, c2;
};
MuskingumCoefficients muskingumCoefficients(double kHours, double x, double stepHours);

// Reads the table (a header line, then TAB rows: label, flow key, K hours, X, sub-reaches; keys
// rising) and interpolates at the peak of elements 1..n (not below 0): K and X rounded to 4
// decimals, the sub-reach count to a whole number, halves to even. stepHours is not used.
void MuskingumCungeSetup(Session& s, int32_t n, double stepHours, const std::filesystem::path& tablePath,
                         double& kHours, double& x, int16_t& subReaches);

}  // namespace fw::compute
