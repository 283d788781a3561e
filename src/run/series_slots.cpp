#include "run/series_slots.h"

#include <new>

namespace fw {

void sizeSeries(std::vector<SeriesPoint>& series, int64_t upper) {
  constexpr int32_t kOutOfMemory = 7;
  if (upper < 0) {
    series.clear();
    return;
  }
  try {
    series.assign(static_cast<size_t>(upper) + 1, SeriesPoint{});
  } catch (const std::bad_alloc&) {
    series.clear();
    series.shrink_to_fit();
    vb::raise(kOutOfMemory);
  } catch (const std::length_error&) {
    series.clear();
    vb::raise(kOutOfMemory);
  }
}

}  // namespace fw
