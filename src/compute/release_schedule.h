#pragma once
// Reading a release schedule series as the routing walks its elements hour by hour.
#include <optional>
#include <string>

#include "compute/routing_state.h"
#include "platform/vb/date.h"

namespace fw {
struct Session;
}

namespace fw::compute {

// The schedule reading of one routing walk: hourly values an hour ahead of each top-of-hour
// element; from the run day on, daily values when the release asks for them (the day moved by
// the offset, or the day before and then no more readings). 24 missing readings in a row stop
// the readings.
class ReleaseSchedule {
 public:
  ReleaseSchedule(Session& s, const ReleaseSetting& release, bool on);
  bool on() const { return on_; }
  struct Reading {
    bool read = false;             // a reading was made for this element
    std::optional<double> value;   // the release found
  };
  // Reads the schedule for the element at t (callers pass top-of-hour elements).
  Reading readAt(vb::VbDate t);

 private:
  Session& s_;
  const ReleaseSetting& release_;
  std::string table_;
  bool on_;
  int misses_ = 0;
};

}  // namespace fw::compute
