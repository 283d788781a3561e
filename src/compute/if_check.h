#pragma once
// The condition of an IF line, evaluated in the main window's script control.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {
struct Session;
}

namespace fw::compute {

// Reads the series value the condition speaks of (table rdaymax: the largest daily maximum from
// day to endDay; any other table: the value at day), binds it to P1 and the day number to D, and
// evaluates expression. No stored value answers 0. A true condition answers the count after the
// first "-" of action ("SKIP-3" gives 3), else the condition's own whole value (True is -1).
// dsid and table must already be checked for SQL.
int32_t IfCheck(Session& s, const std::string& dsid, const std::string& table, vb::VbDate day, vb::VbDate endDay,
                const std::string& action, const std::string& expression);

}  // namespace fw::compute
