#pragma once
// Calendar and time-zone helpers: the daylight-rule dates and the offset of local time from UTC.
#include "platform/vb/date.h"

namespace fw {

struct Session;

// The n-th given weekday (1 Sunday ... 7 Saturday) of a month, at midnight: NthWeekday(2025, 3, 2, 1)
// is the second Sunday of March 2025. A day past the month's end rolls over into the next month.
vb::VbDate NthWeekday(int year, int month, int n, int weekday);

// Hours to add to local time to get UTC (7 for a place seven hours behind UTC in standard time),
// from the system zone at the session's "now"; daylight is set when daylight saving time is in
// force then. A failing system call yields 0 hours and no daylight flag.
float TZOffset(Session& s, bool& daylight);
// The same at a given local date and time.
float TZOffsetAt(vb::VbDate localTime, bool& daylight);

}  // namespace fw
