#pragma once
// The six series arrays are sized per station line and written by index. An index outside an
// array raises vb::Error 9 ("Subscript out of range"), as the arrays' own bounds did, so a value
// beyond the window becomes a counted runtime error of the station instead of a stray write.
#include <cstdint>
#include <vector>

#include "platform/vb/error.h"
#include "store/store_state.h"

namespace fw {

inline SeriesPoint& seriesAt(std::vector<SeriesPoint>& series, int64_t index) {
  if (index < 0 || static_cast<uint64_t>(index) >= series.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return series[static_cast<size_t>(index)];
}

// Sizes an array to indexes 0 to `upper`, every point zeroed (date 0, value 0, source 0). A size
// the machine cannot give raises vb::Error 7 ("Out of memory").
void sizeSeries(std::vector<SeriesPoint>& series, int64_t upper);

}  // namespace fw
