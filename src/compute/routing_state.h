#pragma once
// What the routing commands hand to each other within one run of a routing file: the pending
// release and the pending IF conditions.
#include <cstdint>
#include <string>
#include <vector>

namespace fw::compute {

// The release the next MODPUL route or ADD uses (flows in the series' unit).
struct ReleaseSetting {
  double value = 0;
  bool set = false;          // value applies (RELEASE gave it, or found it in the database)
  std::string dsid;          // release schedule series; empty = none
  std::string table = "rhour";
  bool daily = false;        // from the run day on, the schedule is read from daily values
  int32_t dayOffset = 0;     // days the schedule lookup is moved (negative: earlier)

  // What MODPUL and ADD leave behind: no release pending.
  void clearPending() {
    value = 0;
    set = false;
    dsid.clear();
    daily = false;
    dayOffset = 0;
  }
};

// One IF line: a series value checked against a condition.
struct RoutingCondition {
  std::string dsid;        // "0" = no series, the expression alone decides
  std::string table;
  std::string action;      // upper case: "SKIP-2", or a word for a reservoir rating switch
  std::string operand;     // MODPUL: the rating file used while the condition holds
  std::string expression;  // script text over P1 (the value) and D (the day number)
};
using RoutingConditions = std::vector<RoutingCondition>;

}  // namespace fw::compute
