#pragma once
// VBScript's operators on Variants. Integer results widen instead of overflowing (Integer to
// Long to Double, as VBScript's Variant arithmetic does); a Double result beyond the range raises
// Overflow; Null in gives Null out (with VBScript's exceptions for And, Or and Imp).
#include <cstdint>
#include <string>

#include "platform/vb/variant.h"

namespace fw::script {

// Alternative indexes of vb::Variant::Storage.
namespace vt {
inline constexpr std::size_t Empty = 0;
inline constexpr std::size_t Null = 1;
inline constexpr std::size_t Boolean = 2;
inline constexpr std::size_t Integer = 3;
inline constexpr std::size_t Long = 4;
inline constexpr std::size_t Single = 5;
inline constexpr std::size_t Double = 6;
inline constexpr std::size_t String = 7;
inline constexpr std::size_t Date = 8;
}  // namespace vt

inline std::size_t kindOf(const vb::Variant& v) { return v.storage().index(); }
inline bool isNull(const vb::Variant& v) { return kindOf(v) == vt::Null; }

// The value as a Double for arithmetic: Empty 0, True -1, a date its day number, a text read as
// a number (Type mismatch when it is none).
double toNumber(const vb::Variant& v);
// A date value, checked to lie in years 100..9999 (Overflow otherwise).
vb::VbDate checkedDate(double d);

vb::Variant negate(const vb::Variant& a);
vb::Variant logicalNot(const vb::Variant& a);
vb::Variant power(const vb::Variant& a, const vb::Variant& b);
vb::Variant multiply(const vb::Variant& a, const vb::Variant& b);
vb::Variant divide(const vb::Variant& a, const vb::Variant& b);
vb::Variant integerDivide(const vb::Variant& a, const vb::Variant& b);
vb::Variant modulo(const vb::Variant& a, const vb::Variant& b);
vb::Variant add(const vb::Variant& a, const vb::Variant& b);
vb::Variant subtract(const vb::Variant& a, const vb::Variant& b);
vb::Variant concatenate(const vb::Variant& a, const vb::Variant& b);

enum class Compare : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };
vb::Variant compare(Compare op, const vb::Variant& a, const vb::Variant& b);

enum class Logic : uint8_t { And, Or, Xor, Eqv, Imp };
vb::Variant logical(Logic op, const vb::Variant& a, const vb::Variant& b);

// A string result, refused (Out of memory) beyond limit::kStringLength characters.
vb::Variant stringResult(std::string s);

}  // namespace fw::script
