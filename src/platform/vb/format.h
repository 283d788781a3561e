#pragma once
// Number and date to text, always as VB prints in the en-US locale: "/" and ":" print as
// themselves, English month and day names, "." is the decimal point whatever the C locale.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
#include "platform/vb/variant.h"

namespace vb {

// Format(value, pattern) for dates: d dd ddd dddd, m mm mmm mmmm (case-insensitive; "Mmm" and
// "MMM" give "Jan"), y (day of year), yy yyyy, h hh, n nn, s ss, "mm"/"m" right after an hour token
// = minutes, AM/PM am/pm A/P a/p and AMPM ampm (12-hour clock, AMPM prints "AM"/"PM"), "\x" and
// "..." literals, every other character literal. Seconds are truncated to the minute only by
// leaving the "s" token out; components come from the date rounded to the nearest second.
// A double goes to the number form instead when the pattern's first placeholder is a digit
// placeholder ("0.00", "#,##0", "$0") or when the pattern is empty (CStr of the number; the
// default text of a date is CStrDate).
std::string Format(VbDate d, const std::string& pattern);
// Format(value, pattern) for numbers: 0 # . , and literal prefix and suffix text, "%" multiplies by
// 100; the value is rounded half away from zero at the last shown decimal, as VB does. An empty
// pattern gives CStr(value).
std::string FormatNumber(double value, const std::string& pattern);
// A Single shows 7 significant digits, as in VB; an integer goes to the number form.
std::string Format(float value, const std::string& pattern);
std::string Format(int32_t value, const std::string& pattern);
// A Variant: dates go to the date form, numbers (and numeric texts) to the number form.
std::string Format(const Variant& v, const std::string& pattern);

// Str: a leading blank for a non-negative number, "-" otherwise; no "0" before the point
// (" .5", "-.25"); 15 significant digits for a Double, 7 for a Single; exponent form outside
// VB's range ("1E-05", "1.5E+20").
std::string Str(double value);
std::string StrSingle(float value);
inline std::string Str(float value) {
  return StrSingle(value);
}
std::string Str(int32_t value);
// CStr of a number: as Str without the leading blank, and "0.5" with its leading zero.
std::string CStr(double value);
std::string CStrSingle(float value);
inline std::string CStr(float value) {
  return CStrSingle(value);
}
std::string CStr(int32_t value);
// The default text of a date: "M/d/yyyy h:mm:ss AM/PM"; the date alone at midnight, the time
// alone ("h:mm:ss AM/PM") for a date of day 0 with a time.
std::string CStrDate(VbDate d);
// What `Print #n, number;` writes: Str(value) followed by one blank.
std::string PrintNumber(double value);

}  // namespace vb
