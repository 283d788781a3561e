#pragma once
// The arithmetic of the scheduled-batch tick, apart from the window and the clock so that it can
// be checked for any time of day: when the next run is due, and the once-a-day compaction rule.
#include <cstdint>

#include "platform/vb/date.h"

namespace fw {

// The next run after a due tick: `next` moved on by the interval; when that is still earlier than
// `now`, `now` plus the interval instead, so runs missed while the program was busy or asleep are
// not caught up one after another.
vb::VbDate nextRunAfter(vb::VbDate next, int32_t intervalMinutes, vb::VbDate now);

// A tick is due when a scheduled run has set `next` and the clock has reached it. A `next` of 0
// means no scheduled run ever set it (an interactive run also turns the timer on at its end):
// such a tick starts nothing.
bool runIsDue(vb::VbDate next, vb::VbDate now);

enum class CompactStep {
  None,       // nothing to do at this tick
  RecordDay,  // remember today; the first due tick after start, or no day recorded yet
  Compact,    // compact and back up the database, then remember today
};

// The daily compaction, at most once per calendar day: only over the DAO engine with "HDB Compact"
// ticked, at the first due tick of a day later than `lastCompactDay` outside the hour 00:00 to
// 00:59. The first such tick after the program started (lastCompactDay 0) only records the day.
CompactStep dailyCompaction(bool useDao, bool compactTicked, int32_t lastCompactDay, vb::VbDate now);

// The day number of a date-time (its whole days since 1899-12-30).
int32_t dayNumber(vb::VbDate d);

}  // namespace fw
