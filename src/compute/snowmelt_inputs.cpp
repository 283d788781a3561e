#include "compute/snowmelt_inputs.h"

#include <cmath>

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw::compute {

namespace {

constexpr double kMinuteSlack = 0.0007;  // days, about one minute
constexpr double kHour = 1.0 / 24;
constexpr double kFiveMinutes = 1.0 / 288;

const SeriesPoint& pointAt(const std::vector<SeriesPoint>& points, int32_t k) {
  if (k < 0 || static_cast<size_t>(k) >= points.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return points[static_cast<size_t>(k)];
}

// The whole hour at or before the date (to the second, so 14:59:59.99 is 15:00).
vb::VbDate wholeHour(vb::VbDate d) {
  const vb::VbDate t = vb::roundToSecond(d);
  return vb::DateValue(t) + vb::Hour(t) * kHour;
}

}  // namespace

SnowParameters parseSnowParameters(const std::string& text) {
  SnowParameters p;
  if (vb::Trim(text).empty()) return p;
  const std::vector<std::string> parts = vb::Split(text, ",");
  if (parts.size() > p.p.size()) vb::raise(vb::err::SubscriptOutOfRange);
  for (size_t k = 0; k < parts.size(); ++k) p.p[k] = vb::Val(parts[k]);
  return p;
}

SnowTable snowTable(const std::string& stationId) {
  SnowTable t;
  const int dash = vb::InStr(stationId, "-");
  if (dash == 0) {
    t.name = "RUNIT";
  } else {
    t.name = vb::Mid(stationId, dash + 1);
    if (vb::Left(t.name, 1) != "R") t.name = "R" + t.name;
  }
  t.hourly = t.name == "RHOUR";
  t.sweFloorMm = t.name == "RUNIT" ? 0.00127 : 0.127;
  return t;
}

SnowWindow snowWindow(const SnowTable& table, int32_t begin, int32_t end, bool realtime, int32_t unitUpper) {
  SnowWindow w{begin, end, 0};
  if (realtime) ++w.end;
  if (table.name == "RUNIT") {
    w.capacity = unitUpper;
  } else if (table.name == "RHOUR") {
    w.capacity = (w.end - w.begin + 2) * 24;
  } else {
    --w.begin;
    w.capacity = w.end - w.begin + 2;
  }
  if (w.capacity < 1) w.capacity = 1;
  return w;
}

bool separatePrecipitation(const std::string& precipDsid) {
  return vb::Left(precipDsid, 2) != "10";
}

SnowTimeBase::SnowTimeBase(int32_t n) : capacity(n) {
  dates.assign(static_cast<size_t>(n) + 1, 0.0);
  SnowInputs missing{kSnowInputMissing, kSnowInputMissing, kSnowInputMissing,
                     kSnowInputMissing, kSnowInputMissing, 0.0};
  inputs.assign(static_cast<size_t>(n) + 1, missing);
}

void SnowTimeBase::add(vb::VbDate date, const SnowInputs& in) {
  if (count >= capacity) vb::raise(vb::err::SubscriptOutOfRange);
  ++count;
  dates[static_cast<size_t>(count)] = date;
  inputs[static_cast<size_t>(count)] = in;
}

void setTimeBase(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n) {
  base.count = 0;
  for (int32_t k = 1; k <= n; ++k) {
    const SeriesPoint& p = pointAt(points, k);
    SnowInputs in = base.inputs[0];
    in[0] = p.value;
    base.add(p.date, in);
  }
}

void alignInput(SnowTimeBase& base, int position, const std::vector<SeriesPoint>& points, int32_t n) {
  int32_t j = 1;
  for (int32_t i = 1; i <= base.count && j <= n; ++i) {
    const SeriesPoint& p = pointAt(points, j);
    if (p.date <= base.dates[static_cast<size_t>(i)]) {
      base.inputs[static_cast<size_t>(i)][static_cast<size_t>(position)] = p.value;
      ++j;
    }
  }
}

double startingValue(const std::vector<SeriesPoint>& points, int32_t n, int32_t beginDay) {
  if (n < 1) return 0;
  const SeriesPoint& p = pointAt(points, 1);
  return static_cast<int32_t>(vb::Int(p.date)) == beginDay ? p.value : 0;
}

void extendByPrecipitation(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n) {
  if (n < 1 || base.count < 1) return;
  vb::VbDate lastHour = wholeHour(base.dates[static_cast<size_t>(base.count)]);
  if (pointAt(points, n).date < lastHour) return;
  const int32_t lastRead = base.count;
  int64_t hourIndex = std::llround(lastHour * 24);
  for (int32_t j = 1; j <= n; ++j) {
    const SeriesPoint& p = pointAt(points, j);
    while (p.date > lastHour + kMinuteSlack) {
      if (base.count >= base.capacity) return;
      ++hourIndex;
      lastHour = static_cast<double>(hourIndex) / 24;
      const int32_t from = base.count + 1 - 25 >= 1 ? base.count + 1 - 25 : lastRead;
      SnowInputs in = base.inputs[static_cast<size_t>(from)];
      in[5] = lastHour - kMinuteSlack <= p.date ? p.value : 0.0;
      base.add(lastHour, in);
    }
  }
}

void fiveMinuteRebuild(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n) {
  for (int32_t i = 1; i <= base.count; ++i) {
    vb::VbDate& d = base.dates[static_cast<size_t>(i)];
    d = vb::roundToSecond(std::round(d * 288) / 288);
  }
  if (n < 1 || base.count < 1) return;
  SnowTimeBase rebuilt(base.capacity);
  vb::VbDate t = base.dates[1] - kFiveMinutes;
  bool plain = false;
  int32_t j = 1;
  auto addStep = [&](vb::VbDate date, const SnowInputs& weather, double precip) {
    SnowInputs in = weather;
    in[5] = precip;
    rebuilt.add(vb::roundToSecond(date), in);
  };
  for (int32_t i = 1; i <= base.count; ++i) {
    const vb::VbDate T = base.dates[static_cast<size_t>(i)];
    const SnowInputs& weather = base.inputs[static_cast<size_t>(i)];
    if (j <= n && pointAt(points, j).date < T + kMinuteSlack) {
      if (plain) {
        while (pointAt(points, j).date > t + 6.0 / 1440) {
          t += kFiveMinutes;
          addStep(t, weather, 0.0);
        }
      }
      while (j <= n && pointAt(points, j).date < T + kMinuteSlack) {
        const SeriesPoint& p = pointAt(points, j);
        addStep(p.date, weather, p.value);
        t = p.date;
        ++j;
      }
      plain = false;
    } else {
      while (t + kMinuteSlack < T) {
        t += kFiveMinutes;
        addStep(t, weather, 0.0);
      }
      plain = true;
      t = T;
    }
  }
  base = std::move(rebuilt);
}

}  // namespace fw::compute
