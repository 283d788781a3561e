#include "run/value_text.h"

#include <charconv>
#include <cmath>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

constexpr double kFiveMinutes = 5.0 / 1440;

void knownValue(LineState& line, double value);
void plainValue(const RunContext& ctx, LineState& line, double value);
constexpr double kTwoPi = 6.283185307;

const std::string& fieldAt(const std::vector<std::string>& fields, int index) {
  static const std::string empty;
  return index >= 0 && index < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(index)] : empty;
}

// A weight text read back through the one-decimal form; 1 when there is none.
double weightOf(const std::string& text) {
  const std::string t = vb::Trim(text);
  if (t.empty()) return 1;
  return vb::CDbl(vb::FormatNumber(vb::CDbl(t), "#0.#"));
}

// Whole minutes from one date to the next, an exact half to the even neighbour (the default
// rounding of nearbyint). Worked out here for every line: the dates are at most two days apart.
int32_t minutesBetween(vb::VbDate from, vb::VbDate to) {
  const double minutes = std::nearbyint((to - from) * 1440);
  if (!(minutes >= -2147483648.0 && minutes <= 2147483647.0)) return vb::CLng(minutes);  // raises Overflow
  return static_cast<int32_t>(minutes);
}

// Hour and minute of a date, from its fraction rounded to the second (dates of the value loop are
// never before 1899).
void clockOf(vb::VbDate d, int16_t& hour, int16_t& minute) {
  if (d < 0) {
    hour = static_cast<int16_t>(vb::Hour(d));
    minute = static_cast<int16_t>(vb::Minute(d));
    return;
  }
  const double day = static_cast<double>(static_cast<int64_t>(d));
  int64_t seconds = static_cast<int64_t>((d - day) * 86400.0 + 0.5);
  if (seconds >= 86400) seconds -= 86400;
  hour = static_cast<int16_t>(seconds / 3600);
  minute = static_cast<int16_t>(seconds / 60 % 60);
}

// Whole hour boundaries crossed from one date to the next (dates at whole seconds).
int64_t hoursBetween(vb::VbDate from, vb::VbDate to) {
  auto hourOf = [](vb::VbDate d) {
    const int64_t seconds = std::llround(d * 86400.0);
    return seconds >= 0 ? seconds / 3600 : -((-seconds + 3599) / 3600);
  };
  return hourOf(to) - hourOf(from);
}

// A plain decimal number such as "12350" or "-3.5" (no blanks, no exponent), read without the
// general conversions.
bool plainNumber(const std::string& text, double& value) {
  const size_t n = text.size();
  size_t i = text.empty() || text[0] != '-' ? 0 : 1;
  size_t digitsSeen = 0;
  bool point = false;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digitsSeen += 1;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digitsSeen == 0 || digitsSeen > 15) return false;
  const auto result = std::from_chars(text.data(), text.data() + n, value);
  return result.ec == std::errc() && result.ptr == text.data() + n;
}

int digits(const std::string& s, size_t at, size_t count) {
  int n = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    n = n * 10 + (s[i] - '0');
  }
  return n;
}

// "mm/dd/yyyy hh:mm", the form most services write, read without the general date reader;
// every other text goes to CDate.
vb::VbDate valueLineDate(const std::string& text, int16_t& hour, int16_t& minute) {
  if (text.size() == 16 && text[2] == '/' && text[5] == '/' && text[10] == ' ' && text[13] == ':') {
    const int month = digits(text, 0, 2), day = digits(text, 3, 2), year = digits(text, 6, 4);
    const int h = digits(text, 11, 2), m = digits(text, 14, 2);
    if (month >= 1 && month <= 12 && year >= 100 && day >= 1 && day <= vb::daysInMonth(year, month) && h >= 0 &&
        h < 24 && m >= 0 && m < 60) {
      hour = static_cast<int16_t>(h);
      minute = static_cast<int16_t>(m);
      // Lines come in date order: the day number is worked out once per day.
      thread_local struct {
        int year = 0, month = 0, day = 0;
        int64_t serial = -1;
      } last;
      if (year != last.year || month != last.month || day != last.day) {
        const vb::VbDate midnight = vb::fromCivil({year, month, day, 0, 0, 0});
        last = {year, month, day, midnight >= 0 ? static_cast<int64_t>(midnight) : -1};
      }
      if (last.serial < 0) return vb::fromCivil({year, month, day, h, m, 0});
      return static_cast<double>(last.serial * 86400 + h * 3600 + m * 60) / 86400.0;
    }
  }
  const vb::VbDate d = vb::CDate(text);
  clockOf(d, hour, minute);
  return d;
}

}  // namespace

void splitValueLine(std::string_view line, std::vector<std::string>& fields) {
  size_t end = line.size();
  if (end > 0 && line[end - 1] == '\r') end -= 1;
  size_t count = 0;
  if (end > 0) {
    for (size_t start = 0;;) {
      size_t tab = line.find('\t', start);
      if (tab == std::string_view::npos || tab > end) tab = end;
      if (count < fields.size())
        fields[count].assign(line.substr(start, tab - start));
      else
        fields.emplace_back(line.substr(start, tab - start));
      count += 1;
      if (tab == end) break;
      start = tab + 1;
    }
  }
  fields.resize(count);
}

std::vector<std::string> splitValueLine(std::string_view line) {
  std::vector<std::string> fields;
  splitValueLine(line, fields);
  return fields;
}

double compassValue(const std::string& word) {
  const int pos = vb::InStr(kCompassTable, " " + word);
  if (pos == 0) return -1.0 / 24;
  return (pos - 1) / 6.0 / 4.0;
}

double degreesValue(double degrees) {
  return vb::Round(degrees * 4 / 360 * 4) / 4;
}

LinePass readValueLine(const Session& s, const RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  if (v.GapPass) {
    // The second pass over the line after a gap: the line's own time and value.
    v.GapPass = false;
    v.ValueDate = v.RealTime;
    v.PreviousTime = vb::roundToSecond(v.RealTime - kFiveMinutes);
    v.NewDay = false;
    v.NewHour = v.Minute == 0;
    v.DayOfYear = vb::DayOfYear(v.ValueDate);
    return LinePass::Value;
  }

  splitValueLine(v.ValueLines[static_cast<size_t>(v.LineIndex)], v.Fields);
  const int highest = static_cast<int>(v.Fields.size()) - 1;
  if (highest < 2 || ctx.ValueFieldIndex > highest || line.DateFieldIndex > highest || v.Fields[0] != "Z")
    return LinePass::Skip;
  int16_t hour = 0, minute = 0;
  vb::VbDate t = valueLineDate(v.Fields[static_cast<size_t>(line.DateFieldIndex)], hour, minute);
  if (line.HourShift != 0) {
    t = vb::roundToSecond(t + line.HourShift / 24);
    if (t < line.FirstDay) return LinePass::Skip;
    clockOf(t, hour, minute);
  }
  if (t <= v.LastValueTime) return LinePass::Skip;
  if (s.UnitValues) {
    if (line.PrecipKind == 3 && minute > 51) {
      // Airport precipitation reported late in the hour belongs to the next full hour.
      t = vb::roundToSecond(t + (60 - minute) / 1440.0);
      clockOf(t, hour, minute);
    }
  } else {
    minute = 0;
  }
  v.ValueDate = t;
  v.Minute = minute;
  v.Hour = hour;
  v.DayOffset = static_cast<int32_t>(std::floor(t) - std::floor(v.PreviousTime));

  if (line.StationDayCount == 0) {
    // The first value of the station.
    v.DayOffset = 0;
    line.StationDayCount = 1;
    v.StepMinutes = vb::InStr(line.StationId, "HOUR") > 0 ? 60 : 5;
    if (minute != 15 && minute != 30 && minute != 45) v.StepClass = 3;
    if (v.Hour == 0 && minute == 0) {
      if (line.DayLine) {
        v.Restart = false;
        v.NewDay = true;
        v.StepMinutes = 1;
        line.StationDayCount = 0;
      }
    } else if (minute == 0) {
      v.NewHour = true;
    }
    if (!v.Restart) v.PreviousTotal = 0;
  } else if (minute == 0) {
    if (v.DayOffset < 2) v.StepMinutes = minutesBetween(v.PreviousTime, t);
    v.NewHour = true;
  } else {
    v.NewHour = false;
    if (v.DayOffset < 2) v.StepMinutes = minutesBetween(v.PreviousTime, t);
    int16_t previousHour = 0, previousMinute = 0;
    clockOf(v.PreviousTime, previousHour, previousMinute);
    if (v.Hour == previousHour) {
      if (hoursBetween(v.PreviousTime, t) > 1) {
        v.NewHour = true;
        // A day apart, the open hour closes five minutes before this value; after a gap of days
        // the gap pass closes it at its own time.
        if (v.HourSum != 0 && v.DayOffset < 2) {
          v.StepMinutes = 5;
          v.PreviousTime = vb::roundToSecond(t - kFiveMinutes);
        }
      }
    } else {
      v.NewHour = true;
    }
  }

  if (v.StepClass < 3) {
    if (minute == 15 || minute == 45)
      v.StepClass = 1;
    else if (v.StepClass != 1 && minute == 30)
      v.StepClass = 2;
  }
  if (v.StepMinutes <= 0) v.StepMinutes = 1;
  if (v.UnitIndex < 8) {
    switch (v.StepClass) {
      case 0:
        v.AllowedMissing = v.AllowedMissingTable[0];
        break;
      case 1:
        v.AllowedMissing = v.AllowedMissingTable[2];
        break;
      case 2:
        v.AllowedMissing = v.AllowedMissingTable[1];
        break;
      default:
        v.AllowedMissing = 0;
    }
  }

  if (v.DayOffset == 0) {
    if (line.DayLine) {
      line.StationDayCount += 1;
      v.NewDay = v.NewHour = true;
    } else {
      v.NewDay = false;
    }
    return LinePass::Value;
  }
  v.NewDay = v.NewHour = true;
  line.StationDayCount += 1;
  if (v.DayOffset == 1) {
    v.DayOfYear = vb::DayOfYear(t);
    return LinePass::Value;
  }
  // A gap of days: a first pass five minutes after the earlier value closes its hour and day;
  // the line itself comes in a second pass.
  v.StepMinutes = 5;
  v.RealTime = t;
  v.GapPass = true;
  v.ValueDate = vb::roundToSecond(v.PreviousTime + kFiveMinutes);
  v.DayOfYear = vb::DayOfYear(v.ValueDate);
  return LinePass::GapClose;
}

bool readValueText(const RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  const std::string& field = fieldAt(v.Fields, ctx.ValueFieldIndex);
  double value = 0;
  if (!line.WindDirSeries && plainNumber(field, value) && field.find("-9") == std::string::npos) {
    // The common case: a plain number, none of the special codes.
    v.ValueText = field;
    plainValue(ctx, line, value);
    return true;
  }
  std::string text = vb::Trim(field);
  if (!vb::IsNumeric(text)) {
    if (text == "N/A" || text == "T" || text == "Calm")
      text = "0";
    else if (!line.WindDirSeries || vb::InStr(text, "Na") > 0)
      text.clear();
    if ((!line.WindDirSeries || line.WindDegrees) && !text.empty() &&
        static_cast<unsigned char>(text[0]) > 57)
      text.clear();
  } else if (vb::InStr(text, "-9") > 0) {
    if (text == "-99.99" || text == "-999" || (text == "-99" && line.FormulaCount <= 0)) {
      text.clear();
    } else if (text == "-902") {
      text.clear();
      v.Restart = true;
    }
  }
  v.ValueText = text;
  if (text.empty()) {
    v.Missing = true;
    return false;
  }

  if (!line.WindDirSeries) {
    plainValue(ctx, line, vb::CDbl(text));
    return true;
  } else {
    const int16_t second = line.ValueColumns.size() > 1 ? line.ValueColumns[1] : int16_t{0};
    if (line.WindDegrees) {
      value = vb::CDbl(vb::FormatNumber(vb::CDbl(text), "#0.######"));
      if (ctx.SourceType == 8)
        v.WindWeight = weightOf(fieldAt(v.Fields, 20));
      else if (ctx.SourceType == 6 || ctx.SourceType == 18)
        v.WindWeight = weightOf(fieldAt(v.Fields, second));
      else
        v.WindWeight = 1;
      value = degreesValue(value);
      if (v.WindWeight == 0) v.WindWeight = 1;
    } else {
      std::string word = text;
      if (word == "NEE") word = "ENE";
      if (word == "SEE") word = "ESE";
      value = compassValue(word);
      if (word == "E") value = 1;
      if (word == "S") value = 2;
      if (word == "W") value = 3;
      if (word == "N") value = 4;
      if (value == 0 && v.LastGoodValue != MissingValue) value = v.LastGoodValue;
      v.WindWeight = second == 0 ? 1 : vb::CDbl(vb::FormatNumber(vb::Val(fieldAt(v.Fields, second)), "#0.#"));
    }
    v.WindEast += v.WindWeight * std::sin(value * kTwoPi / 4);
    v.WindNorth += v.WindWeight * std::cos(value * kTwoPi / 4);
  }
  knownValue(line, value);
  return true;
}

namespace {

void knownValue(LineState& line, double value) {
  ValueLoopState& v = line.ValueLoop;
  v.Missing = false;
  if (line.ValueCode == 9 && line.PrecipKind < 2) {
    if (value <= v.RunningMax)
      value = v.RunningMax;
    else
      v.RunningMax = value;
  }
  if (value < -98.0) {
    if (line.ValueClass == 30) {
      value = 0;
      v.ValueText = "0";
    } else {
      v.Missing = true;
    }
  }
  v.CurrentValue = value;
}

// A plain value (not a wind direction): running values are held at their first value.
void plainValue(const RunContext& ctx, LineState& line, double value) {
  ValueLoopState& v = line.ValueLoop;
  if (line.ValueClass == 9 && line.ValueCode != 4) {
    if (ctx.SourceType == 18) {
      v.ForecastSum += value;
      value = vb::Round(v.ForecastSum, 5);
    }
    if (ctx.SourceType != 12 && ctx.SourceType != 28 && line.ValueCode != 3) {
      if (v.FirstValue == MissingValue)
        v.FirstValue = value;
      else if (value < v.FirstValue)
        value = v.FirstValue;
    }
  }
  knownValue(line, value);
}

}  // namespace

}  // namespace fw
