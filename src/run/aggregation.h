#pragma once
// Placing a station's final values into the series: the bad-value test, unit values, hours (time
// weighted means, totals or last values), days (means of the hours, totals, last values, vector
// means of wind directions), the daily extremes and the rule that takes the daily value away from
// a day with too few values.
#include <cstdint>

#include "run/run_context.h"

namespace fw {

struct Session;

// Raised when a value would go past the end of a series array; the value loop ends there.
struct SeriesFull {};

// What placing one value did.
enum class PlaceResult {
  Placed,    // placed; no day closed
  DayClosed, // placed, and a day closed (its report follows)
  Stop,      // daily-only mode: the day is beyond the station's day slots
};

// The bad-value factor and the hour and day rules applied to one value (or, for the first pass
// after a gap of days, only the closing of the old hour and day).
PlaceResult placeValue(Session& s, RunContext& ctx, LineState& line, bool gapPass);

// True when `value` after `lastGood` raises a possible bad value (factor: the percentage as a
// fraction, 3 for 300%; 0 or less leaves the relative test out).
bool isPossibleBadValue(double value, double lastGood, int16_t valueClass, int16_t datatypeCode, double factor);

// After the last line: the open last hour is stored, and an open last day gets no daily value.
void closeAfterLastLine(Session& s, LineState& line);

}  // namespace fw
