#pragma once
// VB dates: a double counting days since 1899-12-30 00:00, the time of day as the fraction.
// Negative values (before 1899-12-30) keep VB's rule: the integer part counts days back and the
// fraction is the time of day forward from midnight of that day.
#include <cstdint>
#include <string>

namespace vb {

using VbDate = double;

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// Civil date and time at whole seconds; the date is rounded to the nearest second first, so a sum
// landing at 14:59:59.99999 reads as 15:00:00 (and 23:59:59.9999 as the next day's 00:00:00).
CivilDateTime toCivil(VbDate d);
VbDate fromCivil(const CivilDateTime& c);  // no range check; fields must be valid
int daysInMonth(int year, int month);      // month 1..12, Gregorian leap years
// Rounds a date to the nearest whole second (as stored by the database layer).
VbDate roundToSecond(VbDate d);

// DateSerial and TimeSerial roll over like VB: month 13 is January of the next year, day 0 is the
// last day of the previous month, hour 25 is 01:00 of the next day. Years 0..29 are read as
// 2000..2029 and 30..99 as 1930..1999. Raise Overflow outside the years 100..9999.
VbDate DateSerial(int year, int month, int day);
VbDate TimeSerial(int hour, int minute, int second);

int Year(VbDate d);
int Month(VbDate d);
int Day(VbDate d);
int Hour(VbDate d);
int Minute(VbDate d);
int Second(VbDate d);
int Weekday(VbDate d);       // 1 = Sunday ... 7 = Saturday
int DayOfYear(VbDate d);     // 1 = 1 January
VbDate DateValue(VbDate d);  // the day at 00:00
VbDate TimeValue(VbDate d);  // the time of day alone

// interval: "yyyy" years, "q" quarters, "m" months, "ww" weeks, "d"/"y"/"w" days, "h" hours,
// "n" minutes, "s" seconds (case-insensitive). Months and years clamp the day to the end of the
// target month, as VB does (31 January + 1 month = 28/29 February). Error 5 for other texts.
VbDate DateAdd(const std::string& interval, double number, VbDate d);
// The number of interval boundaries crossed from d1 to d2 (negative when d2 is earlier):
// DateDiff("d", 23:59, next day 00:01) = 1; DateDiff("n", 10:00:59, 10:01:00) = 1.
int64_t DateDiff(const std::string& interval, VbDate d1, VbDate d2);
// "yyyy", "q", "m", "y" (day of year), "d", "w" (weekday, Sunday 1), "ww", "h", "n", "s".
int DatePart(const std::string& interval, VbDate d);

// The current local date and time, from the system clock (whole seconds). Routines take "now"
// from the session's clock instead, so that tests can fix it.
VbDate systemNow();

}  // namespace vb
