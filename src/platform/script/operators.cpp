#include "platform/script/operators.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <variant>

#include "platform/script/script_errors.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace fw::script {

static_assert(std::is_same_v<std::variant_alternative_t<vt::Empty, vb::Variant::Storage>, vb::EmptyTag>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Null, vb::Variant::Storage>, vb::NullTag>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Boolean, vb::Variant::Storage>, bool>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Integer, vb::Variant::Storage>, int16_t>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Long, vb::Variant::Storage>, int32_t>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Single, vb::Variant::Storage>, float>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Double, vb::Variant::Storage>, double>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::String, vb::Variant::Storage>, std::string>);
static_assert(std::is_same_v<std::variant_alternative_t<vt::Date, vb::Variant::Storage>, vb::DateTag>);

namespace {

// How wide a number is for arithmetic; a text counts as a Double once read.
enum Rank : uint8_t { RInteger, RLong, RSingle, RDouble, RDate };

Rank rankOf(const vb::Variant& v) {
  switch (kindOf(v)) {
    case vt::Long: return RLong;
    case vt::Single: return RSingle;
    case vt::Double:
    case vt::String: return RDouble;
    case vt::Date: return RDate;
    default: return RInteger;  // Empty, Boolean, Integer
  }
}

int64_t wholeValue(const vb::Variant& v) {
  const auto& s = v.storage();
  switch (s.index()) {
    case vt::Boolean: return std::get<bool>(s) ? -1 : 0;
    case vt::Integer: return std::get<int16_t>(s);
    case vt::Long: return std::get<int32_t>(s);
    default: return 0;
  }
}

vb::Variant fromWhole(int64_t n, bool integerRank) {
  if (integerRank && n >= -32768 && n <= 32767) return vb::Variant(static_cast<int16_t>(n));
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
    return vb::Variant(static_cast<int32_t>(n));
  }
  return vb::Variant(static_cast<double>(n));
}

double finite(double d) {
  if (!std::isfinite(d)) fail(vb::err::Overflow);
  return d;
}

vb::Variant fromSingleOrDouble(double d) {
  if (std::fabs(d) <= FLT_MAX) return vb::Variant(static_cast<float>(d));
  return vb::Variant(finite(d));
}

enum class Arith : uint8_t { Add, Sub, Mul };

double apply(Arith op, double x, double y) {
  switch (op) {
    case Arith::Add: return x + y;
    case Arith::Sub: return x - y;
    default: return x * y;
  }
}

vb::Variant arithmetic(Arith op, const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) || isNull(b)) return vb::Variant::Null();
  Rank ra = rankOf(a);
  Rank rb = rankOf(b);
  if (ra == RDate || rb == RDate) {
    double r = apply(op, toNumber(a), toNumber(b));
    // A date moved by days stays a date; the distance between two dates is a number.
    if (op == Arith::Mul || (op == Arith::Sub && ra == RDate && rb == RDate)) return vb::Variant(finite(r));
    return vb::Variant::Date(checkedDate(r));
  }
  Rank r = ra > rb ? ra : rb;
  if (r <= RLong) {
    int64_t x = wholeValue(a);
    int64_t y = wholeValue(b);
    int64_t n = op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y;
    return fromWhole(n, r == RInteger);
  }
  double d = apply(op, toNumber(a), toNumber(b));
  if (r == RSingle && ra != RLong && rb != RLong) return fromSingleOrDouble(d);
  return vb::Variant(finite(d));
}

bool bothDouble(const vb::Variant& a, const vb::Variant& b) {
  return kindOf(a) == vt::Double && kindOf(b) == vt::Double;
}
double dbl(const vb::Variant& v) { return *std::get_if<double>(&v.storage()); }

void appendText(std::string& out, const vb::Variant& v) {
  switch (kindOf(v)) {
    case vt::Empty:
    case vt::Null: return;
    case vt::String: out += std::get<std::string>(v.storage()); return;
    default: out += v.toString();
  }
}

int32_t logicalValue(const vb::Variant& v) {
  switch (kindOf(v)) {
    case vt::Empty: return 0;
    case vt::Boolean: return std::get<bool>(v.storage()) ? -1 : 0;
    case vt::Integer: return std::get<int16_t>(v.storage());
    case vt::Long: return std::get<int32_t>(v.storage());
    default: return vb::toLong(toNumber(v));  // half to even, Overflow beyond 32 bits
  }
}

bool isIntegerRank(const vb::Variant& v) {
  std::size_t k = kindOf(v);
  return k == vt::Empty || k == vt::Boolean || k == vt::Integer;
}

}  // namespace

double toNumber(const vb::Variant& v) {
  const auto& s = v.storage();
  switch (s.index()) {
    case vt::Empty: return 0;
    case vt::Null: fail(vb::InvalidUseOfNull);
    case vt::Boolean: return std::get<bool>(s) ? -1 : 0;
    case vt::Integer: return std::get<int16_t>(s);
    case vt::Long: return std::get<int32_t>(s);
    case vt::Single: return std::get<float>(s);
    case vt::Double: return std::get<double>(s);
    case vt::Date: return std::get<vb::DateTag>(s).value;
    default: return v.toDouble();
  }
}

vb::VbDate checkedDate(double d) {
  // 1 January 100 to 31 December 9999 23:59:59.
  if (!(d >= -657434.0 && d < 2958466.0)) fail(vb::err::Overflow);
  return d;
}

vb::Variant stringResult(std::string s) {
  if (s.size() > limit::kStringLength) fail(code::OutOfMemory);
  return vb::Variant(std::move(s));
}

vb::Variant negate(const vb::Variant& a) {
  const auto& s = a.storage();
  switch (s.index()) {
    case vt::Double: return vb::Variant(-std::get<double>(s));
    case vt::Null: return vb::Variant::Null();
    case vt::Empty: return vb::Variant(static_cast<int16_t>(0));
    case vt::Boolean:
    case vt::Integer:
    case vt::Long: return fromWhole(-wholeValue(a), s.index() != vt::Long);
    case vt::Single: return vb::Variant(-std::get<float>(s));
    case vt::Date: return vb::Variant::Date(checkedDate(-std::get<vb::DateTag>(s).value));
    default: return vb::Variant(-toNumber(a));
  }
}

vb::Variant logicalNot(const vb::Variant& a) {
  switch (kindOf(a)) {
    case vt::Null: return vb::Variant::Null();
    case vt::Boolean: return vb::Variant(!std::get<bool>(a.storage()));
    case vt::Empty:
    case vt::Integer: return vb::Variant(static_cast<int16_t>(~logicalValue(a)));
    default: return vb::Variant(static_cast<int32_t>(~logicalValue(a)));
  }
}

vb::Variant power(const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) || isNull(b)) return vb::Variant::Null();
  double x = toNumber(a);
  double y = toNumber(b);
  // A negative base needs a whole exponent, and zero has no negative power.
  if ((x < 0 && y != std::floor(y)) || (x == 0 && y < 0)) fail(vb::err::InvalidProcedureCall);
  return vb::Variant(finite(std::pow(x, y)));
}

vb::Variant multiply(const vb::Variant& a, const vb::Variant& b) {
  if (bothDouble(a, b)) return vb::Variant(finite(dbl(a) * dbl(b)));
  return arithmetic(Arith::Mul, a, b);
}

vb::Variant add(const vb::Variant& a, const vb::Variant& b) {
  if (bothDouble(a, b)) return vb::Variant(finite(dbl(a) + dbl(b)));
  std::size_t ka = kindOf(a);
  std::size_t kb = kindOf(b);
  if (ka == vt::Null || kb == vt::Null) return vb::Variant::Null();
  // "+" joins two texts, and a text with Empty is the text.
  if (ka == vt::String && (kb == vt::String || kb == vt::Empty)) {
    if (kb == vt::Empty) return a;
    return stringResult(std::get<std::string>(a.storage()) + std::get<std::string>(b.storage()));
  }
  if (ka == vt::Empty && kb == vt::String) return b;
  return arithmetic(Arith::Add, a, b);
}

vb::Variant subtract(const vb::Variant& a, const vb::Variant& b) {
  if (bothDouble(a, b)) return vb::Variant(finite(dbl(a) - dbl(b)));
  return arithmetic(Arith::Sub, a, b);
}

vb::Variant divide(const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) || isNull(b)) return vb::Variant::Null();
  double x = toNumber(a);
  double y = toNumber(b);
  if (y == 0) fail(x == 0 ? vb::err::Overflow : vb::err::DivisionByZero);
  double d = finite(x / y);
  Rank ra = rankOf(a);
  Rank rb = rankOf(b);
  if ((ra == RSingle || rb == RSingle) && ra <= RSingle && rb <= RSingle && ra != RLong && rb != RLong) {
    return fromSingleOrDouble(d);
  }
  return vb::Variant(d);
}

vb::Variant integerDivide(const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) || isNull(b)) return vb::Variant::Null();
  int32_t q = vb::IntDiv(toNumber(a), toNumber(b));
  return fromWhole(q, isIntegerRank(a) && isIntegerRank(b));
}

vb::Variant modulo(const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) || isNull(b)) return vb::Variant::Null();
  int32_t r = vb::Mod(toNumber(a), toNumber(b));
  return fromWhole(r, isIntegerRank(a) && isIntegerRank(b));
}

vb::Variant concatenate(const vb::Variant& a, const vb::Variant& b) {
  if (isNull(a) && isNull(b)) return vb::Variant::Null();
  std::string s;
  appendText(s, a);
  appendText(s, b);
  return stringResult(std::move(s));
}

vb::Variant compare(Compare op, const vb::Variant& a, const vb::Variant& b) {
  int c;
  if (bothDouble(a, b)) {
    double x = dbl(a);
    double y = dbl(b);
    c = x < y ? -1 : (x > y ? 1 : 0);
  } else {
    std::size_t ka = kindOf(a);
    std::size_t kb = kindOf(b);
    if (ka == vt::Null || kb == vt::Null) return vb::Variant::Null();
    if (ka == vt::String || kb == vt::String) {
      static const std::string kEmptyText;
      if ((ka == vt::String || ka == vt::Empty) && (kb == vt::String || kb == vt::Empty)) {
        const std::string& x = ka == vt::String ? std::get<std::string>(a.storage()) : kEmptyText;
        const std::string& y = kb == vt::String ? std::get<std::string>(b.storage()) : kEmptyText;
        int r = x.compare(y);
        c = r < 0 ? -1 : (r > 0 ? 1 : 0);
      } else {
        c = ka == vt::String ? 1 : -1;  // a number is less than any text
      }
    } else {
      double x = toNumber(a);
      double y = toNumber(b);
      c = x < y ? -1 : (x > y ? 1 : 0);
    }
  }
  switch (op) {
    case Compare::Eq: return vb::Variant(c == 0);
    case Compare::Ne: return vb::Variant(c != 0);
    case Compare::Lt: return vb::Variant(c < 0);
    case Compare::Gt: return vb::Variant(c > 0);
    case Compare::Le: return vb::Variant(c <= 0);
    default: return vb::Variant(c >= 0);
  }
}

vb::Variant logical(Logic op, const vb::Variant& a, const vb::Variant& b) {
  std::size_t ka = kindOf(a);
  std::size_t kb = kindOf(b);
  if (ka == vt::Boolean && kb == vt::Boolean) {
    bool x = std::get<bool>(a.storage());
    bool y = std::get<bool>(b.storage());
    switch (op) {
      case Logic::And: return vb::Variant(x && y);
      case Logic::Or: return vb::Variant(x || y);
      case Logic::Xor: return vb::Variant(x != y);
      case Logic::Eqv: return vb::Variant(x == y);
      default: return vb::Variant(!x || y);
    }
  }
  if (ka == vt::Null || kb == vt::Null) {
    // Null is "unknown": the result is known only where the other side decides it.
    const vb::Variant& other = ka == vt::Null ? b : a;
    bool otherNull = isNull(other);
    switch (op) {
      case Logic::And:
        if (!otherNull && logicalValue(other) == 0) return other;
        break;
      case Logic::Or:
        if (!otherNull && logicalValue(other) == -1) return other;
        break;
      case Logic::Imp:
        if (ka != vt::Null && logicalValue(a) == 0) return kindOf(a) == vt::Boolean ? vb::Variant(true) : vb::Variant(static_cast<int16_t>(-1));
        if (kb != vt::Null && logicalValue(b) == -1) return b;
        break;
      default: break;
    }
    return vb::Variant::Null();
  }
  int32_t x = logicalValue(a);
  int32_t y = logicalValue(b);
  int32_t r;
  switch (op) {
    case Logic::And: r = x & y; break;
    case Logic::Or: r = x | y; break;
    case Logic::Xor: r = x ^ y; break;
    case Logic::Eqv: r = ~(x ^ y); break;
    default: r = ~x | y; break;
  }
  if (isIntegerRank(a) && isIntegerRank(b)) return vb::Variant(static_cast<int16_t>(r));
  return vb::Variant(r);
}

}  // namespace fw::script
