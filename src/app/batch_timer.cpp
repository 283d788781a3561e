#include "app/batch_timer.h"

#include "platform/vb/math.h"

namespace fw {

vb::VbDate nextRunAfter(vb::VbDate next, int32_t intervalMinutes, vb::VbDate now) {
  vb::VbDate moved = vb::DateAdd("n", intervalMinutes, next);
  if (moved < now) moved = vb::DateAdd("n", intervalMinutes, now);
  return moved;
}

bool runIsDue(vb::VbDate next, vb::VbDate now) {
  return next != 0 && now >= next;
}

int32_t dayNumber(vb::VbDate d) {
  return static_cast<int32_t>(vb::Int(vb::DateValue(d)));
}

CompactStep dailyCompaction(bool useDao, bool compactTicked, int32_t lastCompactDay, vb::VbDate now) {
  if (!useDao || !compactTicked) return CompactStep::None;
  if (dayNumber(now) <= lastCompactDay || vb::Hour(now) == 0) return CompactStep::None;
  return lastCompactDay == 0 ? CompactStep::RecordDay : CompactStep::Compact;
}

}  // namespace fw
