#include "common/time_zone.h"

#include "app/session.h"
#include "platform/clock.h"

namespace fw {

vb::VbDate NthWeekday(int year, int month, int n, int weekday) {
  const int firstWeekday = vb::Weekday(vb::DateSerial(year, month, 1));
  int ahead = (weekday - firstWeekday) % 7;  // C++ keeps the dividend's sign; we want 0..6
  if (ahead < 0) ahead += 7;
  return vb::DateSerial(year, month, 7 * (n - 1) + 1 + ahead);
}

float TZOffsetAt(vb::VbDate localTime, bool& daylight) {
  const ZoneInfo zone = localZoneAt(localTime);
  daylight = zone.daylight;
  return static_cast<float>(zone.hoursToUtc);
}

float TZOffset(Session& s, bool& daylight) {
  return TZOffsetAt(s.clock.now(), daylight);
}

}  // namespace fw
