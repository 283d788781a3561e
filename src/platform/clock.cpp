#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/vb/date.h"

namespace fw {

vb::VbDate SystemClock::now() { return vb::systemNow(); }

void SystemClock::sleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

double SystemClock::timer() {
  auto t = std::chrono::system_clock::now();
  std::time_t secs = std::chrono::system_clock::to_time_t(t);
  std::tm local{};
  localtime_r(&secs, &local);
  auto frac = std::chrono::duration<double>(t.time_since_epoch()).count() - static_cast<double>(secs);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + frac;
}

bool localTimeToEpoch(vb::VbDate localTime, std::time_t& seconds) {
  vb::CivilDateTime c = vb::toCivil(localTime);
  std::tm tm{};
  tm.tm_year = c.year - 1900;
  tm.tm_mon = c.month - 1;
  tm.tm_mday = c.day;
  tm.tm_hour = c.hour;
  tm.tm_min = c.minute;
  tm.tm_sec = c.second;
  tm.tm_isdst = -1;
  tm.tm_wday = -1;  // mktime sets it on success; (time_t)-1 alone is a valid second
  seconds = mktime(&tm);
  return tm.tm_wday >= 0;
}

ZoneInfo localZoneAt(vb::VbDate localTime) {
  std::time_t t = 0;
  std::tm local{};
  ZoneInfo z;
  if (!localTimeToEpoch(localTime, t) || !localtime_r(&t, &local)) return z;
  z.hoursToUtc = -static_cast<double>(local.tm_gmtoff) / 3600.0;
  z.daylight = local.tm_isdst > 0;
  return z;
}

}  // namespace fw
