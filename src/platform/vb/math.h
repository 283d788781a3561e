#pragma once
// VB arithmetic: banker's rounding, floor and truncation, integer division and Mod with VB's
// rounding of the operands, 16-bit values that raise Overflow instead of wrapping.
#include <cstdint>

namespace vb {

// Round(x, n): half to even at n decimals (Round(2.5) = 2, Round(3.5) = 4, Round(0.125, 2) =
// 0.12); error 5 for negative n.
double Round(double x, int decimals = 0);
double Int(double x);  // floor: Int(-1.5) = -2
double Fix(double x);  // truncate: Fix(-1.5) = -1
int Sgn(double x);     // -1, 0, 1
// a \ b and a Mod b: both operands rounded half to even to Long first (Overflow beyond 32 bits),
// then integer division truncating toward 0; Mod has the sign of the dividend. Division by zero
// raises 11.
int32_t IntDiv(double a, double b);
int32_t Mod(double a, double b);

// 16-bit Integer arithmetic and conversion: Overflow outside -32768..32767.
int16_t toInteger(int64_t value);
int16_t toInteger(double value);  // rounds half to even first
int16_t addInteger(int16_t a, int16_t b);
int16_t subInteger(int16_t a, int16_t b);
int16_t mulInteger(int16_t a, int16_t b);
// 32-bit Long conversion: Overflow outside its range.
int32_t toLong(double value);  // rounds half to even first

// VB's Boolean as an integer: True is -1.
inline constexpr int16_t True = -1;
inline constexpr int16_t False = 0;
inline int16_t fromBool(bool b) {
  return b ? True : False;
}

}  // namespace vb
