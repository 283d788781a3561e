#pragma once
// VB's Variant, as far as the program uses it: database fields, script values, settings.
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "platform/vb/date.h"

namespace vb {

enum class VarType { Empty, Null, Boolean, Integer, Long, Single, Double, String, Date };

struct NullTag {
  bool operator==(const NullTag&) const = default;
};
struct EmptyTag {
  bool operator==(const EmptyTag&) const = default;
};
struct DateTag {
  VbDate value;
  bool operator==(const DateTag&) const = default;
};

class Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null() { return Variant(NullTag{}); }
  static Variant Date(VbDate d) { return Variant(DateTag{d}); }
  Variant(bool b) : v_(b) {}
  Variant(int16_t i) : v_(i) {}
  Variant(int32_t l) : v_(l) {}
  Variant(float f) : v_(f) {}
  Variant(double d) : v_(d) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(const char* s) : v_(std::string(s)) {}
  // Null and Date as constructors too, so that a container can build them in place.
  explicit Variant(NullTag n) : v_(n) {}
  explicit Variant(DateTag d) : v_(d) {}

  // Puts x in place of the value without a temporary Variant: cheap when the type stays the same
  // (a reader refilling one row buffer from many rows).
  template <class T>
  void set(T&& x) {
    v_ = std::forward<T>(x);
  }

  VarType type() const;
  bool isEmpty() const { return type() == VarType::Empty; }
  bool isNull() const { return type() == VarType::Null; }
  bool isNumeric() const;  // Boolean, Integer, Long, Single, Double, Date, Empty

  // Conversions with VB's rules: Empty is 0 or ""; Null raises 94 "Invalid use of Null";
  // a String converts as CDbl/CDate would (Type mismatch when it is not a number or date);
  // Boolean True is -1. Integer and Long round half to even and raise Overflow.
  double toDouble() const;
  float toSingle() const;
  int16_t toInteger() const;
  int32_t toLong() const;
  bool toBoolean() const;
  VbDate toDate() const;
  std::string toString() const;  // CStr: numbers as CStr, dates in their default text, True "True"

  bool operator==(const Variant& o) const = default;  // same type and value

  using Storage =
      std::variant<EmptyTag, NullTag, bool, int16_t, int32_t, float, double, std::string, DateTag>;
  const Storage& storage() const { return v_; }

 private:
  Storage v_;
};

inline constexpr int32_t InvalidUseOfNull = 94;

}  // namespace vb
