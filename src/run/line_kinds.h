#pragma once
// The station list is also a small program: besides station lines it holds comment lines ("*"
// anywhere in the id), IF lines whose condition skips the lines after them or chooses a
// parameter set (PARAM), and SET lines that change the batch interval from a stored value in
// scheduled batch runs. This is the first thing the run does with every line it reaches.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/vb/date.h"
#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Takes the line's leading fields: the id upper-cased (a SHELL line keeps the case of its
// command), the DSID without blanks, the DSID list, Datatype_Name and SiteNumber.
void readLineHead(LineState& line);

// Comment, condition and rule lines and the one-station filter. Gives the move that ends the line
// here, or nothing when it goes on down the road of a station line.
std::optional<Move> lineKinds(Session& s, RunContext& ctx, LineState& line);

// The condition of an IF (or PARAM, or ALERT) line: evaluates `condition` with P1 the stored
// value of the DSID in `table` (none for DSID "0") and D the run time, and gives how many lines
// to skip. startDay and endDay are whole day numbers of the window. Database and script errors
// are raised to the caller, which fails the line with them.
int16_t ifskipcheck(Session& s, RunContext& ctx, const std::string& dsid, const std::string& table,
                    int32_t& startDay, int32_t endDay, const std::string& options,
                    const std::string& condition);

// Options "NO" invert the result r of a condition (True -1 becomes 0, False 1); "-n" gives the
// count n when the result holds. A negative count is 0.
int16_t skipCount(int16_t r, const std::string& options);

// A SET line in a batch run: picks interval B when both conditions hold, interval A when only the
// first does, the base interval otherwise, from the largest stored value of the rule window.
// Catches its own errors (they go to LastError) and leaves the interval unchanged.
void setbatchinterval(Session& s, const std::string& dsid, const std::string& offsetAndTable,
                      const std::string& intervalA, const std::string& condition1,
                      const std::string& intervalB, const std::string& condition2);

// The window and table of a SET line's rule, from its field 5 ("-6,rhour": the last 6 hours).
struct RuleWindow {
  std::string table;  // trimmed, lower case
  std::string unit;   // "d", "h", "n", or empty when the table names none
  vb::VbDate begin = 0;
  vb::VbDate end = 0;
};
RuleWindow ruleWindow(const std::string& offsetAndTable, vb::VbDate lastRunStart, int32_t batchInterval);

}  // namespace fw
