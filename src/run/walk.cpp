#include "run/walk.h"

#include <algorithm>

namespace fw {

StationWalk::StationWalk(int32_t first, int32_t last, int32_t stationCount)
    : first_(first), rangeLast_(last), last_(std::min(last, stationCount)), index_(first - 1) {}

bool StationWalk::nextLine() {
  if (index_ <= last_) ++index_;
  return index_ <= last_;
}

void StationWalk::sameLine() {
  if (index_ >= first_) --index_;
}

void StationWalk::skipLines(int32_t n) {
  if (n <= 0) return;
  // Past the end is as far as it goes; the next step ends the walk.
  index_ = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(index_) + n, last_));
}

}  // namespace fw
