#include "platform/script/builtins.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "platform/script/operators.h"
#include "platform/script/script_errors.h"
#include "platform/script/symbols.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw::script {

namespace {

using vb::Variant;

Variant null() { return Variant::Null(); }
Variant integer(int v) { return Variant(static_cast<int16_t>(v)); }
Variant longValue(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    fail(vb::err::Overflow);
  }
  return Variant(static_cast<int32_t>(v));
}
Variant number(double d) {
  if (!std::isfinite(d)) fail(vb::err::Overflow);
  return Variant(d);
}
[[noreturn]] void invalidArgument() { fail(vb::err::InvalidProcedureCall); }

std::string text(const Variant& v) {
  if (isNull(v)) fail(vb::InvalidUseOfNull);
  if (kindOf(v) == vt::String) return std::get<std::string>(v.storage());
  return v.toString();
}

// A date argument: a Date, a number read as a day number, or a text read as CDate reads it.
vb::VbDate dateArg(const Variant& v) {
  switch (kindOf(v)) {
    case vt::String: return checkedDate(v.toDate());
    default: return checkedDate(toNumber(v));
  }
}

int32_t wholeArg(const Variant& v) { return v.toLong(); }

// Abs, Int, Fix and Round keep an Integer or Long an Integer or Long (True becomes an Integer),
// a Single a Single, a date a date; a text is read as a Double.
template <typename F>
Variant keepingType(const Variant& v, F f) {
  const auto& s = v.storage();
  switch (s.index()) {
    case vt::Null: return null();
    case vt::Empty: return integer(0);
    case vt::Boolean:
    case vt::Integer:
    case vt::Long: {
      double d = f(toNumber(v));
      if (s.index() != vt::Long && d >= -32768 && d <= 32767) return integer(static_cast<int>(d));
      if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(d));
      }
      return number(d);
    }
    case vt::Single: return Variant(static_cast<float>(f(std::get<float>(s))));
    case vt::Date: return Variant::Date(checkedDate(f(std::get<vb::DateTag>(s).value)));
    default: return number(f(toNumber(v)));
  }
}

Variant fnAbs(const Variant* a, int, int64_t&) {
  return keepingType(a[0], [](double x) { return std::fabs(x); });
}
Variant fnInt(const Variant* a, int, int64_t&) {
  return keepingType(a[0], [](double x) { return vb::Int(x); });
}
Variant fnFix(const Variant* a, int, int64_t&) {
  return keepingType(a[0], [](double x) { return vb::Fix(x); });
}
Variant fnRound(const Variant* a, int n, int64_t&) {
  int decimals = n > 1 ? a[1].toInteger() : 0;
  if (decimals < 0) invalidArgument();
  if (kindOf(a[0]) == vt::Date) return number(vb::Round(toNumber(a[0]), decimals));
  return keepingType(a[0], [decimals](double x) { return vb::Round(x, decimals); });
}
Variant fnSgn(const Variant* a, int, int64_t&) { return integer(vb::Sgn(toNumber(a[0]))); }
Variant fnAtn(const Variant* a, int, int64_t&) { return number(std::atan(toNumber(a[0]))); }
Variant fnCos(const Variant* a, int, int64_t&) { return number(std::cos(toNumber(a[0]))); }
Variant fnSin(const Variant* a, int, int64_t&) { return number(std::sin(toNumber(a[0]))); }
Variant fnTan(const Variant* a, int, int64_t&) { return number(std::tan(toNumber(a[0]))); }
Variant fnExp(const Variant* a, int, int64_t&) { return number(std::exp(toNumber(a[0]))); }
Variant fnLog(const Variant* a, int, int64_t&) {
  double x = toNumber(a[0]);
  if (x <= 0) invalidArgument();
  return number(std::log(x));
}
Variant fnSqr(const Variant* a, int, int64_t&) {
  double x = toNumber(a[0]);
  if (x < 0) invalidArgument();
  return number(std::sqrt(x));
}

Variant fnCBool(const Variant* a, int, int64_t&) { return Variant(a[0].toBoolean()); }
Variant fnCDbl(const Variant* a, int, int64_t&) { return number(a[0].toDouble()); }
Variant fnCInt(const Variant* a, int, int64_t&) { return Variant(a[0].toInteger()); }
Variant fnCLng(const Variant* a, int, int64_t&) { return Variant(a[0].toLong()); }
Variant fnCSng(const Variant* a, int, int64_t&) {
  double x = toNumber(a[0]);
  if (std::fabs(x) > FLT_MAX) fail(vb::err::Overflow);
  return Variant(static_cast<float>(x));
}
Variant fnCStr(const Variant* a, int, int64_t&) { return Variant(text(a[0])); }
Variant fnCDate(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) fail(vb::InvalidUseOfNull);
  return Variant::Date(dateArg(a[0]));
}

template <int (*Part)(vb::VbDate)>
Variant datePart(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) return null();
  return integer(Part(dateArg(a[0])));
}

Variant fnWeekday(const Variant* a, int n, int64_t&) {
  if (isNull(a[0])) return null();
  int first = n > 1 ? a[1].toInteger() : 1;
  if (first == 0) first = 1;  // the system's first day: Sunday
  if (first < 1 || first > 7) invalidArgument();
  int sundayBased = vb::Weekday(dateArg(a[0]));
  return integer((sundayBased - first + 7) % 7 + 1);
}

Variant fnDateSerial(const Variant* a, int, int64_t&) {
  return Variant::Date(checkedDate(vb::DateSerial(a[0].toInteger(), a[1].toInteger(), a[2].toInteger())));
}

Variant fnDateAdd(const Variant* a, int, int64_t&) {
  std::string interval = text(a[0]);
  double count = toNumber(a[1]);
  if (isNull(a[2])) return null();
  return Variant::Date(checkedDate(vb::DateAdd(interval, count, dateArg(a[2]))));
}

Variant fnDateDiff(const Variant* a, int, int64_t&) {
  std::string interval = text(a[0]);
  if (isNull(a[1]) || isNull(a[2])) return null();
  return longValue(vb::DateDiff(interval, dateArg(a[1]), dateArg(a[2])));
}

Variant fnIIf(const Variant* a, int, int64_t&) { return a[0].toBoolean() ? a[1] : a[2]; }

Variant fnLen(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) return null();
  return longValue(static_cast<int64_t>(text(a[0]).size()));
}

int32_t lengthArg(const Variant& v) {
  int32_t n = wholeArg(v);
  if (n < 0) invalidArgument();
  return n;
}

Variant fnLeft(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) return null();
  int32_t n = lengthArg(a[1]);
  std::string s = text(a[0]);
  if (static_cast<std::size_t>(n) >= s.size()) return Variant(std::move(s));
  return Variant(vb::Left(s, n));
}

Variant fnRight(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) return null();
  int32_t n = lengthArg(a[1]);
  std::string s = text(a[0]);
  if (static_cast<std::size_t>(n) >= s.size()) return Variant(std::move(s));
  return Variant(vb::Right(s, n));
}

Variant fnMid(const Variant* a, int n, int64_t&) {
  if (isNull(a[0])) return null();
  int32_t start = wholeArg(a[1]);
  if (start < 1) invalidArgument();
  std::string s = text(a[0]);
  if (static_cast<std::size_t>(start) > s.size()) return Variant(std::string());
  if (n < 3) return Variant(vb::Mid(s, start));
  int32_t length = lengthArg(a[2]);
  std::size_t available = s.size() - static_cast<std::size_t>(start) + 1;
  if (static_cast<std::size_t>(length) >= available) return Variant(vb::Mid(s, start));
  return Variant(vb::Mid(s, start, length));
}

Variant fnInStr(const Variant* a, int n, int64_t& steps) {
  int32_t start = 1;
  int first = 0;
  if (n >= 3) {
    start = wholeArg(a[0]);
    first = 1;
  }
  int32_t compareMode = n == 4 ? wholeArg(a[3]) : 0;
  if (start < 1 || compareMode < 0 || compareMode > 1) invalidArgument();
  const Variant& haystack = a[first];
  const Variant& needle = a[first + 1];
  if (isNull(haystack) || isNull(needle)) return null();
  std::string h = text(haystack);
  std::string s = text(needle);
  if (compareMode == 1) {
    h = vb::UCase(h);
    s = vb::UCase(s);
  }
  if (h.empty() || static_cast<std::size_t>(start) > h.size()) return Variant(static_cast<int32_t>(0));
  if (s.empty()) return Variant(start);
  // A search may compare the whole needle at every position of the text.
  if (s.size() <= h.size()) {
    steps -= static_cast<int64_t>(h.size() - s.size() + 1) * static_cast<int64_t>(s.size()) / 64;
    if (steps < 0) failTooManySteps();
  }
  return Variant(static_cast<int32_t>(vb::InStr(start, h, s)));
}

template <std::string (*F)(const std::string&)>
Variant textFunction(const Variant* a, int, int64_t&) {
  if (isNull(a[0])) return null();
  return Variant(F(text(a[0])));
}

Variant fnIsNumeric(const Variant* a, int, int64_t&) {
  switch (kindOf(a[0])) {
    case vt::Null:
    case vt::Date: return Variant(false);
    case vt::String: return Variant(vb::IsNumeric(std::get<std::string>(a[0].storage())));
    default: return Variant(true);
  }
}
Variant fnIsEmpty(const Variant* a, int, int64_t&) { return Variant(kindOf(a[0]) == vt::Empty); }
Variant fnIsNull(const Variant* a, int, int64_t&) { return Variant(isNull(a[0])); }

constexpr std::array kBuiltins{
    Builtin{"Abs", 1, 1, fnAbs},
    Builtin{"Atn", 1, 1, fnAtn},
    Builtin{"Cos", 1, 1, fnCos},
    Builtin{"Sin", 1, 1, fnSin},
    Builtin{"Tan", 1, 1, fnTan},
    Builtin{"Exp", 1, 1, fnExp},
    Builtin{"Log", 1, 1, fnLog},
    Builtin{"Sqr", 1, 1, fnSqr},
    Builtin{"Int", 1, 1, fnInt},
    Builtin{"Fix", 1, 1, fnFix},
    Builtin{"Round", 1, 2, fnRound},
    Builtin{"Sgn", 1, 1, fnSgn},
    Builtin{"CBool", 1, 1, fnCBool},
    Builtin{"CDbl", 1, 1, fnCDbl},
    Builtin{"CInt", 1, 1, fnCInt},
    Builtin{"CLng", 1, 1, fnCLng},
    Builtin{"CSng", 1, 1, fnCSng},
    Builtin{"CStr", 1, 1, fnCStr},
    Builtin{"CDate", 1, 1, fnCDate},
    Builtin{"Year", 1, 1, datePart<vb::Year>},
    Builtin{"Month", 1, 1, datePart<vb::Month>},
    Builtin{"Day", 1, 1, datePart<vb::Day>},
    Builtin{"Hour", 1, 1, datePart<vb::Hour>},
    Builtin{"Minute", 1, 1, datePart<vb::Minute>},
    Builtin{"Second", 1, 1, datePart<vb::Second>},
    Builtin{"Weekday", 1, 2, fnWeekday},
    Builtin{"DateSerial", 3, 3, fnDateSerial},
    Builtin{"DateAdd", 3, 3, fnDateAdd},
    Builtin{"DateDiff", 3, 5, fnDateDiff},
    Builtin{"IIf", 3, 3, fnIIf},
    Builtin{"Len", 1, 1, fnLen},
    Builtin{"Left", 2, 2, fnLeft},
    Builtin{"Right", 2, 2, fnRight},
    Builtin{"Mid", 2, 3, fnMid},
    Builtin{"InStr", 2, 4, fnInStr},
    Builtin{"UCase", 1, 1, textFunction<vb::UCase>},
    Builtin{"LCase", 1, 1, textFunction<vb::LCase>},
    Builtin{"Trim", 1, 1, textFunction<vb::Trim>},
    Builtin{"LTrim", 1, 1, textFunction<vb::LTrim>},
    Builtin{"RTrim", 1, 1, textFunction<vb::RTrim>},
    Builtin{"IsNumeric", 1, 1, fnIsNumeric},
    Builtin{"IsEmpty", 1, 1, fnIsEmpty},
    Builtin{"IsNull", 1, 1, fnIsNull},
};
static_assert(kBuiltins.size() < 0xFFFF);  // 0xFFFF marks "no builtin" in a call node

}  // namespace

std::optional<uint16_t> findBuiltin(std::string_view name) {
  CaseInsensitiveEqual equal;
  for (std::size_t i = 0; i < kBuiltins.size(); ++i) {
    if (equal(kBuiltins[i].name, name)) return static_cast<uint16_t>(i);
  }
  return std::nullopt;
}

const Builtin& builtinAt(uint16_t index) { return kBuiltins[index]; }

}  // namespace fw::script
