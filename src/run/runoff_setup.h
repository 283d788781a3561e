#pragma once
// A runoff station's parameters: the 26 comma-separated values of its shift1 field (an optional
// 27th, -1, writes "Runoff.txt"), read by position into the working values of the runoff model.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct RunoffParameters {
  bool tooFew = false;  // fewer than 25 elements: the station cannot be computed
  std::vector<std::string> elements;
  double lag = 0;             // hours
  double cnOrLoss = 0;        // curve number, or the initial loss in inches
  double constantLoss = 0;    // inches per hour
  double imperviousPercent = 0;
  double area = 0;            // square miles
  double ratio1 = 0;          // unit graph 1: recession to lag
  double soilRecovery = 0;
  double share2 = 0, ratio2 = 0, share3 = 0, ratio3 = 0;
  double wetLimit = 0, dryLimit = 0;
  double soilLoss = 0, groundwaterLoss = 0, groundwaterRecoveryAdjustment = 0;
  double riparian = 0, etFactor = 0, interception = 0, connectedFraction = 0, groundwaterLag = 0;
  double initialAbstraction = 0.2;  // below 0.001 taken as 0.2
  int32_t winterInterception = 0;
  double snowmeltLoss = 0.7;        // below 0.01 taken as 0.7
  int32_t writeSoil = 0;
  bool variableLag = false;
  int32_t runoffFileFlag = 0;  // -1 writes "Runoff.txt"

  bool curveNumberMode() const { return cnOrLoss > 9.99999; }
  double share1() const { return 1 - share2 - share3; }
};

// Reads the elements; a strict element that is not a number raises vb::Error 13. With fewer than
// 25 elements only `tooFew` and `elements` are set.
RunoffParameters readRunoffParameters(const std::string& shift1);

// Steps of the station's working series: (run days + 6) × 288 for 5-minute values, × 24 for a
// "-HOUR" station, × 1 for a "-DAY" station (tested first).
int32_t runoffStepCount(const std::string& stationId, int32_t runDays);

// The unit graph's length in 5-minute steps: round((1 + ratio3) × lag × 12), 0 for the linear
// reservoirs.
int32_t unitGraphLength(double ratio3, double lagHours, bool linear);

}  // namespace fw
