#include <cmath>
#include <limits>

#include "app/session.h"
#include "compute/gauge_onoff.h"
#include "compute/hdbcompute.h"
#include "compute/staging_file.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

constexpr float kMissing = -99.0f;
const char* const kCrLf = "\r\n";

[[noreturn]] void outsideGrid() {
  vb::raise(vb::err::SubscriptOutOfRange);
}

int64_t minutesOf(vb::VbDate d) {
  return std::llround(d * 1440);
}

// The time grid of the window: day × hour × slot, one value column per input.
class Grid {
 public:
  Grid(int32_t begin, int32_t end, int32_t hours, int32_t slots, int32_t stepMinutes, size_t inputs)
      : begin_(begin), days_(end - begin + 1), hours_(hours), slots_(slots), step_(stepMinutes) {
    if (days_ < 1) days_ = 1;
    const size_t n = cells();
    values.assign(inputs, std::vector<float>(n, kMissing));
    present.assign(n, 0);
    source.assign(n, 0);
  }
  size_t cells() const { return static_cast<size_t>(days_) * hours_ * slots_; }
  int32_t days() const { return days_; }
  int32_t hours() const { return hours_; }
  int32_t slots() const { return slots_; }
  size_t at(int32_t day, int32_t hour, int32_t slot) const {
    return (static_cast<size_t>(day) * hours_ + hour) * slots_ + slot;
  }
  vb::VbDate time(int32_t day, int32_t hour, int32_t slot) const {
    return vb::roundToSecond(begin_ + day + (hours_ == 1 ? 0 : hour / 24.0) + slot * step_ / 1440.0);
  }
  int32_t dayIndex(vb::VbDate t) const { return static_cast<int32_t>(vb::Int(t)) - begin_; }

  std::vector<std::vector<float>> values;
  std::vector<int16_t> present, source;

 private:
  int32_t begin_, days_, hours_, slots_, step_;
};

struct Cell {
  int32_t day, hour, slot;
};

// Hour and minute of a time rounded to the second, without the calendar work of a full date.
struct Clock {
  int hour, minute;
};
Clock clockOf(vb::VbDate t) {
  if (t < 0) {
    const vb::CivilDateTime c = vb::toCivil(t);
    return {c.hour, c.minute};
  }
  const int64_t second = std::llround(t * 86400) % 86400;
  return {static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60)};
}

// "hh:mm" of a slot.
void appendClock(std::string& text, int hour, int minute) {
  text += static_cast<char>('0' + hour / 10);
  text += static_cast<char>('0' + hour % 10);
  text += ':';
  text += static_cast<char>('0' + minute / 10);
  text += static_cast<char>('0' + minute % 10);
}

}  // namespace

void computeGrid(Session& s, SourceCall& c, const ComputeStation& station, const ComputeInputs& in,
                 std::string& onOffPath) {
  ComputeStation st = station;
  const int16_t valueCode = c.DatatypeCode;
  const ComputeSettings set = parseComputeSettings(valueCode, c.Triples[1]);
  // A ratio code whose shift gives no settings is an ordinary line for this call.
  const int16_t code = valueCode == 101 && !set.ratio ? int16_t{0} : valueCode;
  const bool ratio = set.ratio;
  const bool rainAdjust = set.rainAdjust;
  std::string queryTable = st.table;
  bool daily = st.table == "RDAY";
  if (ratio) {
    if (set.maxBelowOne)
      s.errlog.writeLine(c.Dsid + " Warning max ratio limit" + vb::Str(set.ratioLimit) +
                         " is <1 so try 3 or more.");
    if (st.table == "RUNIT") queryTable = st.table = "RHOUR";
    daily = false;
    if (s.form.Check6.Value == 0 && !askUnitValues(s, "Radar adjustments need unit values")) {
      c.Error = "Canceled";
      return;
    }
  }
  if (ratio || rainAdjust) {
    c.Triples[1].base.clear();
    c.Triples[1].shift.clear();
  }
  std::string offList;
  if (code == 10 && set.onOff && !c.Triples[1].shift.empty()) {
    const GaugeOnOff list = readGaugeOnOff(s);
    onOffPath = list.path;
    offList = list.joined;
    logPaneLine(s, list.logText);
  }

  const bool unit = st.table == "RUNIT" && !ratio;
  const int32_t slots =
      unit ? std::max<int32_t>(1, static_cast<int32_t>(std::nearbyint(60.0 / st.stepMinutes))) : 1;
  const int32_t hours = daily ? 1 : 24;
  Grid g(c.FirstDay, c.LastDay, hours, slots, st.stepMinutes, in.inputs.size());
  const std::string table = c.MrunLine ? "m" + vb::Mid(queryTable, 2) : queryTable;

  double latestPartial = 0;
  double cutoff = 0;
  int refMinute = -1;
  const size_t keptSize = s.UnitSeries.size();
  int32_t firstCount = 0;
  // Carried gauge and radar values of a ratio line and the last good hour (minutes).
  double gc = set.defaultRatio, rc = 1.0;
  int64_t lastGood = std::numeric_limits<int64_t>::min() / 2;
  // A gauge minimum of exactly 0.01 trusts a dry gauge: the minimum then moves between 0.01 (the
  // gauge of the hour read 0) and 0.02 (it read rain), paired by the hour, not by row number.
  const bool lowMode = ratio && set.gaugeMinimum == 0.01;
  double gaugeMinimum = set.gaugeMinimum;
  std::vector<vb::VbDate> wetGaugeTime(lowMode ? g.cells() : 0, 0.0);

  for (size_t k = 0; k < in.inputs.size(); ++k) {
    const ComputeInput& input = in.inputs[k];
    if (c.ValueColumns.size() <= k) c.ValueColumns.resize(k + 1, 0);
    c.ValueColumns[k] = static_cast<int16_t>(k + 2);
    std::string bare = input.dsid;
    if (vb::Left(bare, 1) == "-") bare = vb::Mid(bare, 2);
    if (!offList.empty() && vb::InStr("," + offList, "," + bare + ",") > 0) {
      s.form.Text1.append("P" + vb::CStr(static_cast<int32_t>(k + 1)) + "  " + input.text + "  OFF" + kCrLf);
      continue;
    }
    if (!isIntegerDsid(input.dsid))
      throw vb::Error(vb::err::TypeMismatch, "Input DSID is not a whole number: " + input.dsid);
    const bool model = c.MrunLine && (!rainAdjust || k == 0);
    s.UnitSeries.assign(std::max(keptSize, seriesRowsFor(queryTable, c.FirstDay, c.LastDay)), SeriesPoint{});
    int32_t count = 0;
    GetHDB(s, input.dsid, model ? table : queryTable, c.FirstDay, c.LastDay, count, model ? 1 : 0, c.RunId,
           c.TraceNo, 0, 0);
    if (count < 0) count = 0;
    std::vector<SeriesPoint> rows(s.UnitSeries.begin() + 1, s.UnitSeries.begin() + 1 + count);
    s.UnitSeries.assign(keptSize, SeriesPoint{});
    if (k == 0) firstCount = count;
    if (k == 1 && firstCount / 6 > count) c.FillFlag = true;

    double prevRaw = 0;
    bool havePrevRatioHour = false;
    Cell prevRatio{0, 0, 0};
    for (size_t r = 0; r < rows.size(); ++r) {
      const vb::VbDate t = vb::roundToSecond(rows[r].date + input.lagMinutes / 1440);
      const Clock clock = clockOf(t);
      Cell cell{g.dayIndex(t), clock.hour, 0};
      const int minute = clock.minute;
      const bool last = r + 1 == rows.size();
      bool dropped = false;
      if (unit) {
        cell.slot = static_cast<int32_t>(std::nearbyint(static_cast<double>(minute) / st.stepMinutes));
        if (cell.slot >= slots) {
          // Rounded past the hour's last slot: the next hour's first slot.
          cell.slot = 0;
          if (++cell.hour == 24) {
            cell.hour = 0;
            ++cell.day;
            dropped = cell.day >= g.days();
          }
        }
      } else if (daily) {
        if (minutesOf(t) % 1440 != 0) outsideGrid();
      } else if (minute != 0) {
        if (last) {
          if (ratio && k == 0) refMinute = minute;
          if (ratio && k == 1 && refMinute >= 0 && (std::abs(minute - refMinute) > 10 || minute < 30)) {
            cutoff = vb::Int(t) + vb::Hour(t) / 24.0 + 1.0 / 1440;
            break;
          }
          latestPartial = t;
        }
        if (++cell.hour == 24) {
          cell.hour = 0;
          ++cell.day;
          dropped = cell.day >= g.days();
        }
      }
      if (dropped) continue;
      if (cell.day < 0 || cell.day >= g.days()) outsideGrid();
      const size_t i = g.at(cell.day, cell.hour, cell.slot);
      float v = static_cast<float>(rows[r].value);
      if (st.accumulate && !unit) {
        const float raw = v;
        v = static_cast<float>(raw + prevRaw);
        prevRaw = raw;
      }
      const int16_t src = rows[r].source;
      if (rainAdjust && k == 0) {
        if (v > 0.001f && v < set.ratioLimit) v = static_cast<float>(set.ratioLimit);
        g.values[0][i] = v;
        if (havePrevRatioHour)
          for (int32_t sl = 1; sl < slots; ++sl) g.values[0][g.at(prevRatio.day, prevRatio.hour, sl)] = v;
        prevRatio = cell;
        havePrevRatioHour = true;
        if (last)
          for (int32_t sl = 1; sl < slots; ++sl)
            g.values[0][g.at(cell.day, cell.hour, sl)] = static_cast<float>(set.defaultRatio);
        g.source[i] = src;
        continue;
      }
      if (rainAdjust && k == 1) {
        const bool radarOnly = src == 15 || src == 18;
        if (g.values[0][i] == kMissing)
          g.values[0][i] = radarOnly ? 1.0f : static_cast<float>(set.defaultRatio);
        const double ratioHere = radarOnly ? 1.0 : g.values[0][i];
        if (v * ratioHere > set.rainCap) {
          s.LastError = vb::Format(t, " mm/dd hh:mm  ") + c.ParameterCode + " Ratio " +
                        vb::CStr(static_cast<float>(ratioHere)) +
                        " adjusts rain > rain cap: " + vb::FormatNumber(v * ratioHere, "0.00") +
                        "  Rain increment set to cap.";
          if (!s.BatchMode && s.RealtimeMode) s.ui.msgBox(s.LastError);
          s.errlog.writeLine(s.LastError);
          v = static_cast<float>(set.rainCap / ratioHere);
        }
      }
      if (lowMode && k == 0) wetGaugeTime[i] = v > 0 ? t - 0.0417 : 0.0;
      if (ratio && k == 1) {
        double gauge = g.values[0][i];
        double radar = v;
        const int64_t now = minutesOf(g.time(cell.day, cell.hour, 0));
        if (lowMode) {
          if (wetGaugeTime[i] == 0 && gauge == 0)
            gaugeMinimum = 0.01;
          else if (wetGaugeTime[i] != 0 && t > wetGaugeTime[i])
            gaugeMinimum = 0.02;
        }
        // The grid holds single-precision values: a gauge reading equal to the minimum is not below it.
        auto below = [](double x, double minimum) {
          return static_cast<float>(x) < static_cast<float>(minimum);
        };
        if (below(gauge, gaugeMinimum)) {
          // A missing gauge hour is no dry reading: it takes the carried ratio like any other.
          if (gaugeMinimum == 0.01 && gauge != kMissing) {
            gauge = 0;
            radar = rc;
          } else {
            if (gc != set.defaultRatio && now - lastGood > 360) {
              gc = set.defaultRatio;
              rc = 1.0;
              lastGood = now;
            }
            gauge = gc;
            radar = rc;
          }
        } else {
          lastGood = now;
          const double read = gauge;
          if (gaugeMinimum == 0.01 && radar > 0) gaugeMinimum = 0.02;
          const double minimum = gaugeMinimum;
          if (radar <= 0.001 || (cutoff != 0 && t > cutoff) || below(gauge, minimum) ||
              below(radar, minimum)) {
            gauge = gc;
            radar = rc;
          } else if (read / radar > set.ratioLimit) {
            radar = read / set.ratioLimit;
          }
          if (read <= 0.2) lastGood = std::numeric_limits<int64_t>::min() / 2;
        }
        gc = gauge;
        rc = radar;
        g.values[0][i] = static_cast<float>(gauge);
        v = static_cast<float>(radar);
      }
      g.values[k][i] = v;
      g.source[i] = src;
      if (!rainAdjust || k == 1) g.present[i] = 1;
    }
  }

  // The rows, slot by slot.
  const bool ordinary = !ratio && code != 10 && code != 11 && !in.optionWord;
  std::vector<float> carried(in.inputs.size(), kMissing);
  std::string out;
  double lastG = 0, lastR = 0;
  vb::VbDate lastRow = 0;
  bool any = false;
  bool stop = false;
  std::vector<float> v(in.inputs.size());
  std::string row;
  for (int32_t d = 0; d < g.days() && !stop; ++d) {
    // A slot's time text is its day's date and the clock its hour and slot stand for.
    const std::string dayText = vb::Format(static_cast<vb::VbDate>(c.FirstDay + d), "yyyy-mm-dd ");
    for (int32_t h = 0; h < g.hours() && !stop; ++h)
      for (int32_t sl = 0; sl < g.slots() && !stop; ++sl) {
        const size_t i = g.at(d, h, sl);
        if (!g.present[i]) continue;
        for (size_t k = 0; k < v.size(); ++k) v[k] = g.values[k][i];
        if (rainAdjust && v.size() > 1 && v[1] == kMissing) v[0] = kMissing;
        if (ordinary)
          for (size_t k = 0; k < v.size(); ++k) {
            if (v[k] == kMissing) v[k] = carried[k];
            carried[k] = v[k];
          }
        if (ratio && (v[0] == kMissing || v[1] == kMissing)) {
          v[0] = static_cast<float>(set.defaultRatio);
          v[1] = 1.0f;
        }
        vb::VbDate t = g.time(d, h, sl);
        row = "Z\t";
        if ((code == 10 || code == 11) && !unit && latestPartial != 0 && t > latestPartial) {
          t = latestPartial;
          stop = true;
          row += vb::Format(t, "yyyy-mm-dd hh:mm");
        } else {
          row += dayText;
          appendClock(row, g.hours() == 1 ? 0 : h, sl * st.stepMinutes);
        }
        row += '\t';
        for (float x : v) {
          row += vb::StrSingle(x);
          row += '\t';
        }
        if (in.optionWord) row += '\t';
        row += vb::Str(static_cast<int32_t>(g.source[i]));  // printed as a number: " 2 "
        row += " \n";
        out += row;
        any = true;
        lastRow = t;
        if (ratio) {
          lastG = v[0];
          lastR = v[1];
        }
      }
  }

  if (ratio && s.NowcastHours != 0 && any) {
    const double nowcast =
        lastG <= 0.2 || lastR == 1.0 ? set.defaultRatio : (lastG / lastR + set.defaultRatio) / 2;
    s.NowcastRatio = nowcast;
    for (int32_t i = 1; i <= s.NowcastHours; ++i) {
      const vb::VbDate t = vb::roundToSecond(lastRow + i / 24.0);
      out += "Z\t" + vb::Format(t, "yyyy-mm-dd hh:mm") + "\t" + vb::StrSingle(static_cast<float>(nowcast)) +
             "\t1\t14\n";
    }
  }
  c.RetrievalText = writeStagingFile(s, StagingKind::Compute, "\n", out);
  if (in.optionWord) EToComputeHandOff(s, c, in);
}

}  // namespace fw::compute
