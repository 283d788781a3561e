#include "platform/vb/convert.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/vb/calendar_names.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace vb {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isSpaceAround(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A "&H"/"&O" literal: a value that fits 16 bits reads as an Integer (so &HFFFF is -1), one that
// fits 32 bits as a Long; anything larger is an Overflow.
double radixValue(uint64_t value) {
  if (value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(value));
  if (value <= 0xFFFFFFFF) return static_cast<int32_t>(static_cast<uint32_t>(value));
  raise(err::Overflow);
}

enum class Parsed { Ok, NotNumber, Overflow };

// Converts a cleaned decimal literal (sign, digits, point, "e" exponent). from_chars keeps the
// result independent of the C locale.
Parsed decimalValue(const std::string& buf, double& out) {
  double v = 0;
  auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // Tell overflow from underflow by the decimal magnitude of the literal.
    size_t e = buf.find('e');
    long exp10 = 0;
    if (e != std::string::npos)
      std::from_chars(buf.data() + e + 1 + (buf[e + 1] == '+'), buf.data() + buf.size(), exp10);
    size_t firstDigit = buf.find_first_of("123456789");
    size_t point = buf.find('.');
    if (point == std::string::npos || point > e) point = std::min(e, buf.size());
    long magnitude = exp10 + (firstDigit < point ? static_cast<long>(point - firstDigit)
                                                 : -static_cast<long>(firstDigit - point));
    if (magnitude > 0) return Parsed::Overflow;
    out = 0;
    return Parsed::Ok;
  }
  if (ec != std::errc() || ptr != buf.data() + buf.size()) return Parsed::NotNumber;
  if (!std::isfinite(v)) return Parsed::Overflow;
  out = v;
  return Parsed::Ok;
}

// The whole text as a number: blanks around, sign, digits, one point, an E or D exponent, or a
// "&H"/"&O" literal.
Parsed strictNumber(const std::string& text, double& out) {
  size_t b = 0, e = text.size();
  while (b < e && isSpaceAround(text[b])) ++b;
  while (e > b && isSpaceAround(text[e - 1])) --e;
  if (b == e) return Parsed::NotNumber;
  if (text[b] == '&' && e - b > 2) {
    char kind = lower(text[b + 1]);
    int radix = kind == 'h' ? 16 : (kind == 'o' ? 8 : 0);
    if (radix == 0) return Parsed::NotNumber;
    uint64_t value = 0;
    for (size_t i = b + 2; i < e; ++i) {
      int d = hexDigit(text[i]);
      if (d < 0 || d >= radix) return Parsed::NotNumber;
      value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFull) return Parsed::Overflow;
    }
    out = radixValue(value);
    return Parsed::Ok;
  }
  std::string buf;
  buf.reserve(e - b);
  size_t i = b;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') buf += '-';
    ++i;
  }
  buf += '0';  // so that ".5" reads as "0.5"
  size_t digits = 0;
  while (i < e && isDigit(text[i])) buf += text[i++], ++digits;
  if (i < e && text[i] == '.') {
    buf += text[i++];
    while (i < e && isDigit(text[i])) buf += text[i++], ++digits;
  }
  if (digits == 0) return Parsed::NotNumber;
  if (i < e && (lower(text[i]) == 'e' || lower(text[i]) == 'd')) {
    buf += 'e';
    ++i;
    if (i < e && (text[i] == '+' || text[i] == '-')) buf += text[i++];
    size_t expDigits = 0;
    while (i < e && isDigit(text[i])) buf += text[i++], ++expDigits;
    if (expDigits == 0) return Parsed::NotNumber;
  }
  if (i != e) return Parsed::NotNumber;
  return decimalValue(buf, out);
}

double checked(const std::string& text) {
  double v = 0;
  switch (strictNumber(text, v)) {
    case Parsed::Ok:
      return v;
    case Parsed::Overflow:
      raise(err::Overflow);
    case Parsed::NotNumber:
      break;
  }
  raise(err::TypeMismatch);
}

// ---- dates --------------------------------------------------------------------------------

struct Cursor {
  const char* p;
  const char* e;
  bool atEnd() const { return p == e; }
  char peek() const { return p < e ? *p : '\0'; }
  bool eat(char c) {
    if (p < e && *p == c) {
      ++p;
      return true;
    }
    return false;
  }
  int skipBlanks() {
    int n = 0;
    while (p < e && (*p == ' ' || *p == '\t')) ++p, ++n;
    return n;
  }
  // Up to maxDigits digits; the count read goes to digits (0 when none).
  int number(int maxDigits, int& digits) {
    int v = 0;
    digits = 0;
    while (p < e && isDigit(*p) && digits < maxDigits) v = v * 10 + (*p++ - '0'), ++digits;
    return v;
  }
};

// An English month name, in full or by its first three letters; 0 when none.
int monthName(Cursor& c) {
  const char* start = c.p;
  while (c.p < c.e && isLetter(*c.p)) ++c.p;
  const size_t len = static_cast<size_t>(c.p - start);
  if (len >= 3) {
    for (int m = 0; m < 12; ++m) {
      const char* name = detail::kMonthNames[m];
      size_t k = 0;
      while (k < len && name[k] && lower(name[k]) == lower(start[k])) ++k;
      if (k == len && (len == 3 || name[k] == '\0')) return m + 1;
    }
  }
  c.p = start;
  return 0;
}

int fullYear(int year, int digits) {
  if (digits <= 2) return year < 30 ? 2000 + year : 1900 + year;
  return year;
}

// "h:mm[:ss][ AM/PM]" to seconds of the day; false when it is not a valid time.
bool parseTime(Cursor& c, int& seconds) {
  int n = 0;
  int hour = c.number(2, n);
  if (n == 0 || !c.eat(':')) return false;
  int minute = c.number(2, n);
  if (n == 0) return false;
  int second = 0;
  if (c.eat(':')) {
    second = c.number(2, n);
    if (n == 0) return false;
  }
  const char* beforeBlanks = c.p;
  c.skipBlanks();
  char a = lower(c.peek());
  if (a == 'a' || a == 'p') {
    ++c.p;
    if (lower(c.peek()) == 'm') ++c.p;
    if (hour > 12) return false;
    if (hour == 12) hour = 0;
    if (a == 'p') hour += 12;
  } else {
    c.p = beforeBlanks;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  seconds = hour * 3600 + minute * 60 + second;
  return true;
}

bool parseDay(Cursor& c, int& year, int& month, int& day) {
  int n1d = 0, n2d = 0, n3d = 0;
  if (isLetter(c.peek())) {  // "Jun 01, 2024"
    month = monthName(c);
    if (month == 0 || c.skipBlanks() == 0) return false;
    day = c.number(2, n2d);
    c.eat(',');
    if (n2d == 0 || c.skipBlanks() == 0) return false;
    year = c.number(4, n3d);
    year = fullYear(year, n3d);
    return n3d == 2 || n3d == 4;
  }
  int n1 = c.number(4, n1d);
  if (n1d == 0) return false;
  char sep = c.peek();
  if (sep != '/' && sep != '-') return false;
  ++c.p;
  if (n1d == 4) {  // "yyyy-mm-dd", "yyyy/mm/dd"
    year = n1;
    month = c.number(2, n2d);
    if (n2d == 0 || !c.eat(sep)) return false;
    day = c.number(2, n3d);
    return n3d > 0;
  }
  if (n1d > 2) return false;
  if (isLetter(c.peek())) {  // "dd-Mmm-yyyy"
    day = n1;
    month = monthName(c);
    if (month == 0 || !c.eat(sep)) return false;
  } else {  // "mm/dd/yyyy", "mm-dd-yyyy"
    month = n1;
    day = c.number(2, n2d);
    if (n2d == 0 || !c.eat(sep)) return false;
  }
  year = c.number(4, n3d);
  year = fullYear(year, n3d);
  return n3d == 2 || n3d == 4;
}

}  // namespace

double Val(const std::string& text) {
  const size_t n = text.size();
  size_t i = 0;
  auto skip = [&] {
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  };
  skip();
  if (i + 1 < n && text[i] == '&' && (lower(text[i + 1]) == 'h' || lower(text[i + 1]) == 'o')) {
    const unsigned radix = lower(text[i + 1]) == 'h' ? 16 : 8;
    i += 2;
    uint64_t value = 0;
    for (;; ++i) {
      skip();
      if (i >= n) break;
      int d = hexDigit(text[i]);
      if (d < 0 || static_cast<unsigned>(d) >= radix) break;
      value = value * radix + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFull) raise(err::Overflow);
    }
    return radixValue(value);
  }
  std::string buf;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    buf += text[i] == '-' ? "-0" : "0";
    ++i;
  } else {
    buf += '0';
  }
  bool point = false, anyDigit = false;
  for (;; ++i) {
    skip();
    if (i >= n) break;
    char c = text[i];
    if (isDigit(c)) {
      buf += c;
      anyDigit = true;
    } else if (c == '.' && !point) {
      buf += c;
      point = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0;
  skip();
  if (i < n && (lower(text[i]) == 'e' || lower(text[i]) == 'd')) {
    size_t j = i + 1;
    std::string exp = "e";
    while (j < n && (text[j] == ' ' || text[j] == '\t' || text[j] == '\n')) ++j;
    if (j < n && (text[j] == '+' || text[j] == '-')) exp += text[j++];
    bool expDigit = false;
    for (;; ++j) {
      while (j < n && (text[j] == ' ' || text[j] == '\t' || text[j] == '\n')) ++j;
      if (j >= n || !isDigit(text[j])) break;
      exp += text[j];
      expDigit = true;
    }
    if (expDigit) buf += exp;
  }
  double v = 0;
  if (decimalValue(buf, v) == Parsed::Overflow) raise(err::Overflow);
  return v;
}

bool IsNumeric(const std::string& text) {
  double v = 0;
  return strictNumber(text, v) == Parsed::Ok;
}

double CDbl(const std::string& text) {
  return checked(text);
}

float CSng(const std::string& text) {
  double v = checked(text);
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) raise(err::Overflow);
  // Round the text once, straight to single precision, where it is a plain decimal.
  float f = 0;
  size_t b = 0, e = text.size();
  while (b < e && isSpaceAround(text[b])) ++b;
  while (e > b && isSpaceAround(text[e - 1])) --e;
  const char* first = text.data() + b + (text[b] == '+');
  auto [ptr, ec] = std::from_chars(first, text.data() + e, f);
  if (ec == std::errc() && ptr == text.data() + e) return f;
  return static_cast<float>(v);
}

int16_t CInt(const std::string& text) {
  return toInteger(checked(text));
}
int32_t CLng(const std::string& text) {
  return toLong(checked(text));
}
int16_t CInt(double value) {
  return toInteger(value);
}
int32_t CLng(double value) {
  return toLong(value);
}

std::optional<VbDate> parseDate(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && isSpaceAround(text[b])) ++b;
  while (e > b && isSpaceAround(text[e - 1])) --e;
  if (b == e) return std::nullopt;
  Cursor c{text.data() + b, text.data() + e};

  // A time alone: digits then ':'.
  {
    Cursor t = c;
    int digits = 0;
    t.number(2, digits);
    if (digits > 0 && t.peek() == ':') {
      int seconds = 0;
      if (!parseTime(c, seconds) || !c.atEnd()) return std::nullopt;
      return TimeSerial(0, 0, seconds);
    }
  }
  int year = 0, month = 0, day = 0;
  if (!parseDay(c, year, month, day)) return std::nullopt;
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
    return std::nullopt;
  }
  int seconds = 0;
  if (!c.atEnd()) {
    if (c.skipBlanks() == 0 || !parseTime(c, seconds) || !c.atEnd()) return std::nullopt;
  }
  CivilDateTime civil;
  civil.year = year;
  civil.month = month;
  civil.day = day;
  civil.hour = seconds / 3600;
  civil.minute = seconds / 60 % 60;
  civil.second = seconds % 60;
  return fromCivil(civil);
}

VbDate CDate(const std::string& text) {
  std::optional<VbDate> d = parseDate(text);
  if (!d) raise(err::TypeMismatch);
  return *d;
}

bool IsDate(const std::string& text) {
  return parseDate(text).has_value();
}

}  // namespace vb
