#pragma once
// "Now" and sleeping, behind an interface so tests can fix the time and runs on a fake clock
// never wait for real.
#include <cmath>
#include <ctime>

#include "platform/vb/date.h"

namespace fw {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual vb::VbDate now() = 0;  // local date and time, whole seconds
  virtual void sleepMs(int milliseconds) = 0;
  // Seconds since midnight with fractions, as VB's Timer.
  virtual double timer() {
    vb::VbDate d = now();
    return (d - std::floor(d)) * 86400.0;
  }
};

class SystemClock : public Clock {
 public:
  vb::VbDate now() override;
  void sleepMs(int milliseconds) override;
  double timer() override;
};

// A clock that stands still until told; sleeping advances it by the time slept.
class FixedClock : public Clock {
 public:
  explicit FixedClock(vb::VbDate start) : now_(start) {}
  vb::VbDate now() override { return now_; }
  void sleepMs(int milliseconds) override { now_ += milliseconds / 86400000.0; }
  void set(vb::VbDate d) { now_ = d; }
  void advanceSeconds(double s) { now_ += s / 86400.0; }

 private:
  vb::VbDate now_;
};

// The local zone's offset from UTC, in hours to add to local time to get UTC, and whether
// daylight saving time is in force at that moment (from localtime_r). When the system cannot
// tell, 0 hours and no daylight.
struct ZoneInfo {
  double hoursToUtc = 0;
  bool daylight = false;
};
ZoneInfo localZoneAt(vb::VbDate localTime);

// The seconds since 1970 (UTC) of a local date and time, by the zone's rule for that day; false
// when the system cannot tell.
bool localTimeToEpoch(vb::VbDate localTime, std::time_t& seconds);

}  // namespace fw
