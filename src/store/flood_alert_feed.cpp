#include "store/flood_alert_feed.h"

#include <vector>

#include "platform/vb/error.h"
#include "platform/vb/format.h"

namespace fw {
namespace {

template <class T>
T& at(std::vector<T>& v, int index) {
  if (index < 0 || static_cast<size_t>(index) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(index)];
}

}  // namespace

void crossAlertLevelList(FloodAlertTracker& t, vb::VbDate when) {
  const int from = t.AlertNextLevel;
  const int to = t.AlertLastLevel;  // the bounds are taken once, as the loop starts
  for (int k = from; k <= to; ++k) {
    if (!(at(t.AlertLevels, k) < t.AlertValue)) continue;
    at(t.AlertTexts, k) += vb::Str(t.AlertValue);
    if (at(t.AlertCrossDates, k) == 0) {
      t.AlertCrossDates[static_cast<size_t>(k)] = when;
      t.AlertNextLevel = static_cast<int16_t>(k + 1);
      if (k == t.AlertLastLevel) t.AlertActive = 0;
    }
  }
}

void feedAlertSum(FloodAlertTracker& t, double value, vb::VbDate when) {
  std::deque<double>& window = t.AlertSumWindow;
  if (t.AlertSumCount > 0) {
    t.AlertValue += value;
    window.push_back(value);
    while (window.size() > static_cast<size_t>(t.AlertSumCount)) {
      t.AlertValue -= window.front();
      window.pop_front();
    }
  } else {
    t.AlertValue = value;
  }
  if (t.AlertLastLevel != 0) {
    crossAlertLevelList(t, when);
  } else if (t.AlertValue > t.AlertLevel) {
    at(t.AlertCrossDates, 0) = when;
    t.AlertNextLevel = -1;
    t.AlertActive = 0;
  }
}

}  // namespace fw
