#include "platform/vb/date.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace vb {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// The representable range: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.99999;

// Days from 1970-01-01 of a proleptic Gregorian date (month 1..12, day 1..31).
constexpr int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Ymd {
  int year, month, day;
};

constexpr Ymd civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

constexpr int64_t kEpochDays = daysFromCivil(1899, 12, 30);
static_assert(kEpochDays == -25569);

// Day number relative to 1899-12-30.
int64_t daySerial(int year, int month, int day) {
  return daysFromCivil(year, month, day) - kEpochDays;
}

// A date as a linear count of seconds from 1899-12-30 00:00, rounded to the nearest second.
// Negative dates count whole days back while their fraction is the time forward, so their
// magnitude is split into days and time before they are made linear.
int64_t linearSeconds(VbDate d) {
  if (!std::isfinite(d) || d < kMinDate - 1 || d > kMaxDate + 1) raise(err::Overflow);
  if (d >= 0) {
    const int64_t s = std::llround(d * static_cast<double>(kSecondsPerDay));
    if (s >= (static_cast<int64_t>(kMaxDate) + 1) * kSecondsPerDay) raise(err::Overflow);
    return s;
  }
  const int64_t magnitude = std::llround(-d * static_cast<double>(kSecondsPerDay));
  const int64_t daysBack = magnitude / kSecondsPerDay;
  if (daysBack > -static_cast<int64_t>(kMinDate)) raise(err::Overflow);
  return -daysBack * kSecondsPerDay + magnitude % kSecondsPerDay;
}

VbDate fromLinearSeconds(int64_t s) {
  if (s >= 0) return static_cast<double>(s) / static_cast<double>(kSecondsPerDay);
  int64_t day = s / kSecondsPerDay;
  int64_t time = s % kSecondsPerDay;
  if (time < 0) {
    time += kSecondsPerDay;
    --day;
  }
  // Day -1 at 06:00 is -1.25: the integer part back, the fraction forward.
  return -static_cast<double>(-day * kSecondsPerDay + time) / static_cast<double>(kSecondsPerDay);
}

int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

struct Split {
  int64_t day;   // relative to 1899-12-30
  int64_t time;  // seconds into the day
};
Split splitSeconds(int64_t s) {
  int64_t day = floorDiv(s, kSecondsPerDay);
  return {day, s - day * kSecondsPerDay};
}

// 1 = Sunday ... 7 = Saturday; day 0 (1899-12-30) was a Saturday.
int weekdayOfSerial(int64_t day) {
  return static_cast<int>((day % 7 + 7 + 6) % 7) + 1;
}

void checkRange(int64_t day) {
  if (day < static_cast<int64_t>(kMinDate) || day > static_cast<int64_t>(kMaxDate)) raise(err::Overflow);
}

enum class Unit { Year, Quarter, Month, Week, Day, DayOfYear, Weekday, Hour, Minute, Second };

Unit parseInterval(const std::string& interval) {
  std::string s;
  for (char c : interval) s += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (s == "yyyy") return Unit::Year;
  if (s == "q") return Unit::Quarter;
  if (s == "m") return Unit::Month;
  if (s == "ww") return Unit::Week;
  if (s == "d") return Unit::Day;
  if (s == "y") return Unit::DayOfYear;
  if (s == "w") return Unit::Weekday;
  if (s == "h") return Unit::Hour;
  if (s == "n") return Unit::Minute;
  if (s == "s") return Unit::Second;
  raise(err::InvalidProcedureCall);
}

VbDate addMonths(VbDate d, int64_t months) {
  CivilDateTime c = toCivil(d);
  int64_t total = static_cast<int64_t>(c.year) * 12 + (c.month - 1) + months;
  int64_t year = floorDiv(total, 12);
  if (year < 100 || year > 9999) raise(err::InvalidProcedureCall);
  c.year = static_cast<int>(year);
  c.month = static_cast<int>(total - year * 12) + 1;
  c.day = std::min(c.day, daysInMonth(c.year, c.month));
  return fromCivil(c);
}

}  // namespace

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) raise(err::InvalidProcedureCall);
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

CivilDateTime toCivil(VbDate d) {
  Split sp = splitSeconds(linearSeconds(d));
  Ymd ymd = civilFromDays(sp.day + kEpochDays);
  CivilDateTime c;
  c.year = ymd.year;
  c.month = ymd.month;
  c.day = ymd.day;
  c.hour = static_cast<int>(sp.time / 3600);
  c.minute = static_cast<int>(sp.time / 60 % 60);
  c.second = static_cast<int>(sp.time % 60);
  return c;
}

VbDate fromCivil(const CivilDateTime& c) {
  int64_t day = daySerial(c.year, c.month, c.day);
  return fromLinearSeconds(day * kSecondsPerDay + c.hour * 3600 + c.minute * 60 + c.second);
}

VbDate roundToSecond(VbDate d) {
  return fromLinearSeconds(linearSeconds(d));
}

VbDate DateSerial(int year, int month, int day) {
  // Two-digit years as VB reads them: 0..29 are 2000..2029, 30..99 are 1930..1999.
  int64_t y = year;
  if (y >= 0 && y < 30)
    y += 2000;
  else if (y >= 30 && y < 100)
    y += 1900;
  int64_t total = y * 12 + (static_cast<int64_t>(month) - 1);
  int64_t yy = floorDiv(total, 12);
  int mm = static_cast<int>(total - yy * 12) + 1;
  if (yy < 100 || yy > 9999) raise(err::Overflow);
  int64_t serial = daySerial(static_cast<int>(yy), mm, 1) + static_cast<int64_t>(day) - 1;
  checkRange(serial);
  return fromLinearSeconds(serial * kSecondsPerDay);
}

VbDate TimeSerial(int hour, int minute, int second) {
  int64_t s = static_cast<int64_t>(hour) * 3600 + static_cast<int64_t>(minute) * 60 + second;
  return static_cast<double>(s) / static_cast<double>(kSecondsPerDay);
}

int Year(VbDate d) {
  return toCivil(d).year;
}
int Month(VbDate d) {
  return toCivil(d).month;
}
int Day(VbDate d) {
  return toCivil(d).day;
}
int Hour(VbDate d) {
  return toCivil(d).hour;
}
int Minute(VbDate d) {
  return toCivil(d).minute;
}
int Second(VbDate d) {
  return toCivil(d).second;
}

int Weekday(VbDate d) {
  return weekdayOfSerial(splitSeconds(linearSeconds(d)).day);
}

int DayOfYear(VbDate d) {
  int64_t day = splitSeconds(linearSeconds(d)).day;
  Ymd ymd = civilFromDays(day + kEpochDays);
  return static_cast<int>(day - daySerial(ymd.year, 1, 1)) + 1;
}

VbDate DateValue(VbDate d) {
  return fromLinearSeconds(splitSeconds(linearSeconds(d)).day * kSecondsPerDay);
}

VbDate TimeValue(VbDate d) {
  return fromLinearSeconds(splitSeconds(linearSeconds(d)).time);
}

VbDate DateAdd(const std::string& interval, double number, VbDate d) {
  Unit unit = parseInterval(interval);
  int64_t n = toLong(number);
  int64_t perUnit = 0;
  switch (unit) {
    case Unit::Year:
      return addMonths(d, n * 12);
    case Unit::Quarter:
      return addMonths(d, n * 3);
    case Unit::Month:
      return addMonths(d, n);
    case Unit::Week:
      perUnit = 7 * kSecondsPerDay;
      break;
    case Unit::Day:
    case Unit::DayOfYear:
    case Unit::Weekday:
      perUnit = kSecondsPerDay;
      break;
    case Unit::Hour:
      perUnit = 3600;
      break;
    case Unit::Minute:
      perUnit = 60;
      break;
    case Unit::Second:
      perUnit = 1;
      break;
  }
  int64_t s = linearSeconds(d) + n * perUnit;
  int64_t day = splitSeconds(s).day;
  if (day < static_cast<int64_t>(kMinDate) || day > static_cast<int64_t>(kMaxDate)) {
    raise(err::InvalidProcedureCall);
  }
  return fromLinearSeconds(s);
}

int64_t DateDiff(const std::string& interval, VbDate d1, VbDate d2) {
  Unit unit = parseInterval(interval);
  int64_t s1 = linearSeconds(d1), s2 = linearSeconds(d2);
  switch (unit) {
    case Unit::Year:
      return Year(d2) - Year(d1);
    case Unit::Quarter: {
      CivilDateTime a = toCivil(d1), b = toCivil(d2);
      return (static_cast<int64_t>(b.year) * 4 + (b.month - 1) / 3) -
             (static_cast<int64_t>(a.year) * 4 + (a.month - 1) / 3);
    }
    case Unit::Month: {
      CivilDateTime a = toCivil(d1), b = toCivil(d2);
      return (static_cast<int64_t>(b.year) * 12 + b.month) - (static_cast<int64_t>(a.year) * 12 + a.month);
    }
    case Unit::Week:
      // Sundays crossed; day 1 (1899-12-31) was a Sunday.
      return floorDiv(splitSeconds(s2).day - 1, 7) - floorDiv(splitSeconds(s1).day - 1, 7);
    case Unit::Weekday:
      return (splitSeconds(s2).day - splitSeconds(s1).day) / 7;
    case Unit::Day:
    case Unit::DayOfYear:
      return splitSeconds(s2).day - splitSeconds(s1).day;
    case Unit::Hour:
      return floorDiv(s2, 3600) - floorDiv(s1, 3600);
    case Unit::Minute:
      return floorDiv(s2, 60) - floorDiv(s1, 60);
    case Unit::Second:
      return s2 - s1;
  }
  return 0;
}

int DatePart(const std::string& interval, VbDate d) {
  switch (parseInterval(interval)) {
    case Unit::Year:
      return Year(d);
    case Unit::Quarter:
      return (Month(d) - 1) / 3 + 1;
    case Unit::Month:
      return Month(d);
    case Unit::DayOfYear:
      return DayOfYear(d);
    case Unit::Day:
      return Day(d);
    case Unit::Weekday:
      return Weekday(d);
    case Unit::Week: {
      // Week 1 holds 1 January; weeks start on Sunday.
      int doy = DayOfYear(d);
      int jan1 = weekdayOfSerial(splitSeconds(linearSeconds(d)).day - (doy - 1));
      return (doy + jan1 - 2) / 7 + 1;
    }
    case Unit::Hour:
      return Hour(d);
    case Unit::Minute:
      return Minute(d);
    case Unit::Second:
      return Second(d);
  }
  return 0;
}

VbDate systemNow() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  CivilDateTime c;
  c.year = local.tm_year + 1900;
  c.month = local.tm_mon + 1;
  c.day = local.tm_mday;
  c.hour = local.tm_hour;
  c.minute = local.tm_min;
  c.second = std::min(local.tm_sec, 59);
  return fromCivil(c);
}

}  // namespace vb
