#pragma once
// Reading the retrieval text of a station line: which lines are taken, how each line's time is
// read, shifted and placed in the station's hours and days, and how its value text becomes a
// number or a missing value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"

namespace fw {

struct Session;

// How one pass over a value line goes on.
enum class LinePass {
  Skip,      // the line is not taken (not a value line, too few fields, an old time, ...)
  Value,     // the line's value goes on to the formulas and the series
  GapClose,  // the first pass after a gap of days: it closes the old hour and day, without a value
};

// The compass words of wind directions, 17 entries of 6 characters, each after a blank.
inline constexpr const char* kCompassTable =
    " Calm  NNE   NE    ENE   East  ESE   SE    SSE   South SSW   SW    WSW   West  WNW   NW    NNW   North";

// Fields of a value line: split at TAB after a CR that ends the line is dropped. The second form
// reuses the strings of `fields`.
std::vector<std::string> splitValueLine(std::string_view line);
void splitValueLine(std::string_view line, std::vector<std::string>& fields);

// Reads the line at Loop.LineIndex up to its day change: time, hour shift, step, hour and day
// flags, and the gap pass. A date text that is no date raises vb::Error.
LinePass readValueLine(const Session& s, const RunContext& ctx, LineState& line);

// The value text of the line in work, to Loop.Value or Loop.Missing, with the wind sums. Returns
// false when the text was empty (missing), so the formulas are not run for it.
bool readValueText(const RunContext& ctx, LineState& line);

// A compass word in quarter-circle units (Calm 0, NNE 0.25, East 1, ..., North 4; -1/24 when the
// word is not one).
double compassValue(const std::string& word);
// Degrees in quarter-circle units, rounded to the 16 points of the compass.
double degreesValue(double degrees);

}  // namespace fw
