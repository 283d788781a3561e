#pragma once
// Text to number and date, with VB's rules.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/vb/date.h"

namespace vb {

// The leading number of a text: blanks, tabs and line feeds anywhere are skipped ("1 2" is 12),
// "&H"/"&O" prefixes read hexadecimal/octal, reading stops at the first other character
// ("10%" is 10, "1.5e3x" is 1500); 0 when there is none.
double Val(const std::string& text);

// True when the whole text (blanks around allowed) is a number: sign, digits, one point,
// an exponent. Empty text is not numeric.
bool IsNumeric(const std::string& text);

// Whole-text conversions. CDbl and CSng accept what IsNumeric accepts (Type mismatch
// otherwise); CInt and CLng round half to even and raise Overflow outside 16 or 32 bits.
double CDbl(const std::string& text);
float CSng(const std::string& text);
int16_t CInt(const std::string& text);
int32_t CLng(const std::string& text);
int16_t CInt(double value);
int32_t CLng(double value);

// Dates in the month-first forms the program meets: "mm/dd/yyyy[ hh:mm[:ss]]" (any number of
// blanks between date and time), "m/d/yyyy h:mm[:ss] AM/PM", "yyyy-mm-dd[ hh:mm[:ss]]",
// "yyyy/mm/dd[ hh:mm[:ss]]", "mm-dd-yyyy[ hh:mm[:ss]]", "dd-Mmm-yyyy[ hh:mm[:ss]]",
// a time alone "hh:mm[:ss][ AM/PM]". Hours 0..23 only ("24:00" is refused), day checked
// against the month. CDate raises Type mismatch when the text is not one of these.
std::optional<VbDate> parseDate(const std::string& text);
VbDate CDate(const std::string& text);
bool IsDate(const std::string& text);

}  // namespace vb
