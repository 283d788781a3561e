#include "run/value_errors.h"

#include "run/station_handler.h"

namespace fw {

bool valueError(Session& s, RunContext& ctx, LineState& line, const std::string& description, double& value,
                vb::VbDate valueDate) {
  ValueLoopState& v = line.ValueLoop;
  v.CurrentValue = value;
  v.ValueDate = valueDate;
  v.DayIndex = line.StationDayCount;
  v.DayLimit = line.DaySlots;
  const int32_t missingBefore = v.MissingCount;
  stationRuntimeError(s, ctx, line, description);
  value = v.CurrentValue;
  // Answer No replaces a possible bad value by the last good one and counts it as missing.
  return description == kBadPunchText && v.MissingCount != missingBefore;
}

}  // namespace fw
