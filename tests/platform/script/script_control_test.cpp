#include "platform/script/script_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "platform/vb/error.h"
#include "platform/vb/variant.h"

namespace vb {
void PrintTo(const Variant& v, std::ostream* os) {
  static const char* kNames[] = {"Empty", "Null", "Boolean", "Integer", "Long", "Single", "Double", "String", "Date"};
  *os << kNames[v.storage().index()];
  if (!v.isEmpty() && !v.isNull()) *os << "(" << v.toString() << ")";
}
}  // namespace vb

namespace fw {
namespace {

using vb::Variant;

Variant I16(int v) { return Variant(static_cast<int16_t>(v)); }
Variant I32(int32_t v) { return Variant(v); }
Variant Dbl(double v) { return Variant(v); }
Variant Sng(float v) { return Variant(v); }
Variant Str(const char* v) { return Variant(v); }
Variant Date(double v) { return Variant::Date(v); }
Variant Bool(bool v) { return Variant(v); }
const Variant kEmpty;
const Variant kNull = Variant::Null();

struct Expect {
  Expect(Variant v) : value(std::move(v)) {}
  Expect(int32_t number, std::string text) : error(number), description(std::move(text)) {}
  Variant value;
  int32_t error = 0;
  std::string description;
};
Expect Err(int32_t number, std::string description) { return Expect(number, std::move(description)); }

struct Case {
  std::vector<std::string> steps;  // AddCode texts, in order; "<Reset>" calls Reset
  std::string expression;          // Eval'd after the steps, unless empty
  Expect expect;
};

// The run adds exactly this text when a station's formulas use D.
const std::string kJulian =
    "Function julian(d)\r\n"
    "d1 = CDbl(CDate(Year(d) & \"-01-01\"))-1\r\n"
    "julian = int(d - d1)\r\n"
    "End Function";

const std::string kFact =
    "Function fact(n)\n"
    "If n <= 1 Then fact = 1 Else fact = n * fact(n - 1)\n"
    "End Function";

const std::vector<Case>& cases() {
  static const std::vector<Case> k = {
      // Precedence, tightest first: unary -, ^, * /, \, Mod, + -, &, comparisons, Not, And, Or,
      // Xor, Eqv, Imp.
      {{}, "1+2*3", {I16(7)}},
      {{}, "(1+2)*3", {I16(9)}},
      {{}, "2*3^2", {Dbl(18)}},
      {{}, "10-4-3", {I16(3)}},
      {{}, "2^3^2", {Dbl(64)}},
      {{}, "7 \\ 2 * 2", {I16(1)}},
      {{}, "7 Mod 4 \\ 2", {I16(1)}},
      {{}, "2 + 3 Mod 2", {I16(3)}},
      {{}, "1 + 2 & 3", {Str("33")}},
      {{}, "Not 1 = 2", {Bool(true)}},
      {{}, "1 = 1 Or 1 = 2 And False", {Bool(true)}},
      {{}, "True Xor True Or True", {Bool(false)}},
      {{}, "False Eqv True Xor True", {Bool(true)}},
      {{}, "False Imp True Eqv False", {Bool(true)}},
      {{}, "-2^2", {Dbl(4)}},
      {{}, "-3^2", {Dbl(9)}},
      {{"P1=3"}, "-P1^2", {Dbl(9)}},
      {{"P1=3"}, "0-P1^2", {Dbl(-9)}},
      {{}, "-(3^2)", {Dbl(-9)}},
      {{}, "(-2)^2", {Dbl(4)}},
      {{}, "2^-1", {Dbl(0.5)}},
      {{}, "-2^-3", {Dbl(-0.125)}},
      {{}, "2^-3^2", {Dbl(1.0 / 64)}},
      {{}, "-2^2*3", {Dbl(12)}},
      {{}, "- -2^2", {Dbl(4)}},
      {{}, "-3*-2", {I16(6)}},
      {{}, "32767 + 1", {I32(32768)}},
      {{}, "2147483647 + 1", {Dbl(2147483648.0)}},
      // True is -1; comparisons give True or False.
      {{}, "True", {Bool(true)}},
      {{}, "CInt(True)", {I16(-1)}},
      {{}, "True + 0", {I16(-1)}},
      {{}, "True = -1", {Bool(true)}},
      {{}, "CInt(1 > 0) + CInt(1 < 0)", {I16(-1)}},
      // And, Or, Not, Xor, Eqv, Imp are bitwise on numbers rounded half to even.
      {{}, "6 And 3", {I16(2)}},
      {{}, "5 Or 2", {I16(7)}},
      {{}, "5 Xor 1", {I16(4)}},
      {{}, "12 Eqv 10", {I16(-7)}},
      {{}, "0 Imp 0", {I16(-1)}},
      {{}, "Not 0", {I16(-1)}},
      {{}, "Not 5", {I16(-6)}},
      {{}, "2.5 And 3", {I32(2)}},
      {{}, "3.5 Or 0", {I32(4)}},
      {{}, "70000 And 65535", {I32(4464)}},
      {{}, "True And 5", {I16(5)}},
      {{}, "Null And False", {Bool(false)}},
      {{}, "Null Or 1", {kNull}},
      // \ and Mod round both sides half to even first.
      {{}, "7.5 \\ 2", {I32(4)}},
      {{}, "6.5 \\ 2", {I32(3)}},
      {{}, "-7 \\ 2", {I16(-3)}},
      {{}, "7.5 Mod 2", {I32(0)}},
      {{}, "5.5 Mod 3", {I32(0)}},
      {{}, "-7 Mod 3", {I16(-1)}},
      {{}, "11 Mod 2.5", {I32(1)}},
      // Comparisons.
      {{}, "1 < 2", {Bool(true)}},
      {{}, "2 <= 1", {Bool(false)}},
      {{}, "3 <> 3", {Bool(false)}},
      {{}, "3 >= 3", {Bool(true)}},
      {{}, "\"a\" < \"b\"", {Bool(true)}},
      {{}, "\"10\" < \"9\"", {Bool(true)}},
      {{}, "1 < \"a\"", {Bool(true)}},
      {{}, "Empty = \"\"", {Bool(true)}},
      {{}, "Empty = 0", {Bool(true)}},
      {{}, "Null = 1", {kNull}},
      {{}, "CDate(\"2024-06-05\") > 45000", {Bool(true)}},
      // Date functions take a Double as a date (45448 is Wednesday 5 June 2024).
      {{"D=45448.5520833333"}, "Year(D)", {I16(2024)}},
      {{"D=45448.5520833333"}, "Month(D)", {I16(6)}},
      {{"D=45448.5520833333"}, "Day(D)", {I16(5)}},
      {{"D=45448.5520833333"}, "Hour(D)", {I16(13)}},
      {{"D=45448.5520833333"}, "Minute(D)", {I16(15)}},
      {{"D=45448.5520833333"}, "Weekday(D)", {I16(4)}},
      {{}, "Weekday(45448, 2)", {I16(3)}},
      {{}, "Second(0.5 + 7 / 86400)", {I16(7)}},
      {{}, "DateSerial(2024, 2, 1)", {Date(45323)}},
      {{}, "DateSerial(2024, 13, 1)", {Date(45658)}},
      {{}, "DateAdd(\"d\", 1, 45448.5)", {Date(45449.5)}},
      {{}, "DateAdd(\"m\", 1, 45322)", {Date(45351)}},
      {{}, "DateDiff(\"h\", 45448, 45449)", {I32(24)}},
      {{}, "DateDiff(\"d\", 45448.9, 45449.1)", {I32(1)}},
      {{}, "CDbl(CDate(\"2024-01-01\"))", {Dbl(45292)}},
      {{}, "CDate(45448.5)", {Date(45448.5)}},
      {{}, "#6/5/2024# + 1", {Date(45449)}},
      {{"P1=101", "D=45448.5"}, "P1>100 And Month(D)=6", {Bool(true)}},
      // A name nobody assigned is Empty: 0 in arithmetic, "" in text.
      {{}, "X + 1", {I16(1)}},
      {{}, "UNDEFINED", {kEmpty}},
      {{}, "Q & \"a\"", {Str("a")}},
      {{}, "P1 > 4500", {Bool(false)}},
      {{"p1=3"}, "P1", {I16(3)}},
      // Statements as the run sends them, with numbers as VB writes them.
      {{"SHIFT= .12"}, "SHIFT", {Dbl(0.12)}},
      {{"SHIFT=-.05"}, "SHIFT", {Dbl(-0.05)}},
      {{"SHIFT= 0"}, "SHIFT", {I16(0)}},
      {{"P1=100", "SHIFT= .12"}, "(P1+SHIFT)^1.5*3.2", {Dbl(std::pow(100.12, 1.5) * 3.2)}},
      {{"P1=12"}, "P1", {I16(12)}},
      {{"P1=-3"}, "P1", {I16(-3)}},
      {{"P1=-3.5"}, "P1", {Dbl(-3.5)}},
      {{"P1=.5"}, "P1", {Dbl(0.5)}},
      {{"P1=1E-05"}, "P1", {Dbl(1e-05)}},
      {{"P1=1.5E+20"}, "P1", {Dbl(1.5e20)}},
      {{" P1 = 123.4 "}, "P1", {Dbl(123.4)}},
      {{"N=40000"}, "N", {I32(40000)}},
      {{"D=45448.5520833333"}, "D", {Dbl(45448.5520833333)}},
      {{"P1=2", "P2=3.5", "N=2"}, "(P1+P2)/N", {Dbl(2.75)}},
      {{}, " 1.5e3 ", {Dbl(1500)}},
      {{}, "&HFF", {I16(255)}},
      {{}, "3000000000", {Dbl(3e9)}},
      // Text.
      {{}, "\"a\" & \"b\"", {Str("ab")}},
      {{}, "1 & 2", {Str("12")}},
      {{}, "\"x\"\"y\"", {Str("x\"y")}},
      {{}, "\"P\" & 1.5", {Str("P1.5")}},
      {{}, "\"a\" + \"b\"", {Str("ab")}},
      {{}, "True & \"\"", {Str("True")}},
      {{}, "Null & \"a\"", {Str("a")}},
      {{}, "\"5\" + 1", {Dbl(6)}},
      // Functions.
      {{}, "Abs(-2.5)", {Dbl(2.5)}},
      {{}, "abs(-1)", {I16(1)}},
      {{}, "Int(-1.5)", {Dbl(-2)}},
      {{}, "Fix(-1.5)", {Dbl(-1)}},
      {{}, "Round(2.5)", {Dbl(2)}},
      {{}, "Round(3.14159, 2)", {Dbl(3.14)}},
      {{}, "Sgn(-3)", {I16(-1)}},
      {{}, "Sqr(16)", {Dbl(4)}},
      {{}, "Exp(0) + Log(1) + Cos(0) + Sin(0) + Tan(0)", {Dbl(2)}},
      {{}, "Atn(1) * 4", {Dbl(std::atan(1.0) * 4)}},
      {{}, "CLng(2.5)", {I32(2)}},
      {{}, "CInt(3.5)", {I16(4)}},
      {{}, "CSng(1.5)", {Sng(1.5f)}},
      {{}, "CStr(1.5)", {Str("1.5")}},
      {{}, "CDbl(\"1.25\")", {Dbl(1.25)}},
      {{}, "IIf(1 > 2, \"yes\", \"no\")", {Str("no")}},
      {{}, "Len(\"abc\")", {I32(3)}},
      {{}, "Left(\"abcdef\", 2) & Right(\"abcdef\", 2)", {Str("abef")}},
      {{}, "Mid(\"abcdef\", 2, 3) & Mid(\"abcdef\", 5)", {Str("bcdef")}},
      {{}, "InStr(\"abcabc\", \"c\") + InStr(4, \"abcabc\", \"c\")", {I32(9)}},
      {{}, "UCase(\"aB\") & LCase(\"aB\") & Trim(\"  a  \")", {Str("ABaba")}},
      // The julian function the run adds: 1 February is day 32.
      {{kJulian, "D=45323"}, "JULIAN(D)", {Dbl(32)}},
      {{kJulian, "D=45292.75"}, "julian(D)", {Dbl(1)}},
      {{kJulian}, "julian(45657)", {Dbl(366)}},
      {{kJulian, kJulian}, "julian(45323)", {Dbl(32)}},
      // Statements and functions.
      {{"Function f(x)\nIf x > 0 Then\nf = 1\nElseIf x < 0 Then\nf = -1\nElse\nf = 0\nEnd If\nEnd Function"},
       "f(5) & f(-5) & f(0)",
       {Str("1-10")}},
      {{kFact}, "fact(10)", {I32(3628800)}},
      {{"Function twice(x)\nx = x * 2\ntwice = x\nEnd Function", "A=3", "B=twice(A)"}, "A & \",\" & B", {Str("6,6")}},
      {{"Function keep(ByVal x)\nx = 0\nkeep = 1\nEnd Function", "A=3", "B=keep(A)"}, "A", {I16(3)}},
      {{"Function e(x)\ne = 1\nIf x Then Exit Function\ne = 2\nEnd Function"}, "e(True) & e(False)", {Str("12")}},
      {{"Const K = 2, M = 3", "Dim Z"}, "K * M & Z", {Str("6")}},
      {{"P1 = 2 : P2 = P1 + 1"}, "P2", {I16(3)}},
      {{"If 1 > 0 Then W = \"yes\" Else W = \"no\""}, "W", {Str("yes")}},
      {{"Y = F2(3)\nFunction F2(x)\nF2 = x + 1\nEnd Function"}, "Y", {I16(4)}},
      {{"Function h()\nh = 1\nEnd Function", "Function h()\nh = 2\nEnd Function"}, "h() + h", {I16(4)}},
      {{"Function i1()\ni1 = G1\nEnd Function", "G1 = 7"}, "i1", {I16(7)}},
      {{"Function j1()\nT1 = 5\nj1 = T1\nEnd Function"}, "j1() & \"|\" & T1", {Str("5|")}},
      {{"T2 = 1", "Function k1()\nT2 = 5\nk1 = T2\nEnd Function", "Z = k1()"}, "T2", {I16(5)}},
      {{"Function s1(x)\nLAST = x\nEnd Function", "LAST = 0", "Call s1(4)"}, "LAST", {I16(4)}},
      {{"Function s1(x)\nLAST = x\nEnd Function", "LAST = 0", "s1 5"}, "LAST", {I16(5)}},
      {{"' a comment\r\nRem another", "X = 1 + _\r\n 2 ' and a comment"}, "X", {I16(3)}},
      // Reset drops variables, functions and Option Explicit.
      {{"P1=5", kJulian, "<Reset>"}, "P1", {kEmpty}},
      {{"P1=5", kJulian, "<Reset>"}, "julian(45323)", Err(13, "Type mismatch: 'julian'")},
      {{"Option Explicit", "<Reset>"}, "X", {kEmpty}},
      // Errors, with VBScript's numbers and descriptions.
      {{}, "1/0", Err(11, "Division by zero")},
      {{}, "3 \\ 0", Err(11, "Division by zero")},
      {{}, "0/0", Err(6, "Overflow")},
      {{}, "CInt(40000)", Err(6, "Overflow")},
      {{}, "2^2000", Err(6, "Overflow")},
      {{}, "1E400", Err(6, "Overflow")},
      {{}, "\"a\" * 2", Err(13, "Type mismatch")},
      {{}, "FOO(1)", Err(13, "Type mismatch: 'FOO'")},
      {{}, "P1*", Err(1002, "Syntax error")},
      {{}, "1 +* 2", Err(1002, "Syntax error")},
      {{"For i = 1 To 3"}, "", Err(1002, "Syntax error")},
      {{}, "(1+2", Err(1006, "Expected ')'")},
      {{}, "", Err(1023, "Expected expression")},
      {{}, "1 2", Err(1025, "Expected end of statement")},
      {{}, "\"abc", Err(1033, "Unterminated string constant")},
      {{}, "3 $ 4", Err(1032, "Invalid character")},
      {{"Option Explicit"}, "X", Err(500, "Variable is undefined: 'X'")},
      {{"Option Explicit", "X = 1"}, "", Err(500, "Variable is undefined: 'X'")},
      {{"Option Explicit", "Dim X"}, "X", {kEmpty}},
      {{}, "Abs(1, 2)", Err(450, "Wrong number of arguments or invalid property assignment: 'Abs'")},
      {{}, "Sqr(-1)", Err(5, "Invalid procedure call or argument")},
      {{}, "(-8)^(1/3)", Err(5, "Invalid procedure call or argument")},
      {{}, "CDbl(Null)", Err(94, "Invalid use of Null")},
      {{"Day = 5"}, "", Err(501, "Illegal assignment: 'Day'")},
      {{"Function f(x)\nf = 1\nEnd Function", "f = 2"}, "", Err(501, "Illegal assignment: 'f'")},
      {{"Q = 1", "Function Q()\nEnd Function"}, "", Err(1041, "Name redefined: 'Q'")},
      {{"Function r(x)\nr = r(x)\nEnd Function"}, "r(1)", Err(28, "Out of stack space")},
      {{"Exit Function"}, "", Err(1039, "Invalid 'exit' statement")},
      {{"If 1 Then\nX = 1"}, "", Err(1014, "Expected 'End'")},
      {{"Function f(x)\nf = 1"}, "", Err(1014, "Expected 'End'")},
  };
  return k;
}

std::string describe(const Case& c) {
  std::string s;
  for (const std::string& step : c.steps) s += "[" + step + "] ";
  return s + "Eval(" + c.expression + ")";
}

TEST(ScriptControl, EvaluatesTheTable) {
  ScriptControl sc;
  for (const Case& c : cases()) {
    SCOPED_TRACE(describe(c));
    sc.Reset();
    Variant result;
    int32_t error = 0;
    std::string description;
    try {
      for (const std::string& step : c.steps) {
        if (step == "<Reset>") {
          sc.Reset();
        } else {
          sc.AddCode(step);
        }
      }
      if (!c.expression.empty() || c.expect.error == 1023) result = sc.Eval(c.expression);
    } catch (const vb::Error& e) {
      error = e.number();
      description = e.description();
      EXPECT_EQ(sc.Error.Number, e.number());
      EXPECT_EQ(sc.Error.Description, e.description());
    }
    EXPECT_EQ(error, c.expect.error) << description;
    EXPECT_EQ(description, c.expect.description);
    if (c.expect.error == 0) {
      const auto* d = std::get_if<double>(&result.storage());
      const auto* want = std::get_if<double>(&c.expect.value.storage());
      if (d && want) {
        EXPECT_NEAR(*d, *want, 1e-12 * std::max(1.0, std::fabs(*want)));
      } else {
        EXPECT_EQ(result, c.expect.value);
      }
    }
  }
}

// The callers evaluate one formula for thousands of values, sending the values as statements.
TEST(ScriptControl, ParsesEachTextOnceAndValuesWithoutParsing) {
  ScriptControl sc;
  sc.AddCode(kJulian);
  std::size_t parsed = sc.parseCount();
  for (int i = 0; i < 1000; ++i) {
    sc.ExecuteStatement("P1=" + std::to_string(i) + ".5");
    sc.ExecuteStatement("SHIFT= .12");
    EXPECT_DOUBLE_EQ(sc.Eval("(P1+SHIFT)*2").toDouble(), (i + 0.5 + 0.12) * 2);
    EXPECT_EQ(sc.Eval("P1>500").toInteger(), i >= 500 ? -1 : 0);
  }
  EXPECT_EQ(sc.parseCount(), parsed + 2);

  // A broken formula fails the same way every time, without being parsed again.
  for (int i = 0; i < 3; ++i) {
    EXPECT_THROW(sc.Eval("P1*"), vb::Error);
    EXPECT_EQ(sc.Error.Description, "Syntax error");
  }
  EXPECT_EQ(sc.parseCount(), parsed + 3);
  sc.Error.Clear();
  EXPECT_EQ(sc.Error.Number, 0);
  EXPECT_EQ(sc.Error.Description, "");

  // Reset keeps the parsed texts: the next value's formula is not parsed again.
  sc.Reset();
  sc.ExecuteStatement("P1=1");
  EXPECT_EQ(sc.Eval("(P1+SHIFT)*2").toDouble(), 2.0);
  EXPECT_EQ(sc.parseCount(), parsed + 3);
}

int errorOf(ScriptControl& sc, const std::string& code, const std::string& expression) {
  try {
    if (!code.empty()) sc.AddCode(code);
    if (!expression.empty()) sc.Eval(expression);
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Hostile text ends in an error, never in a crash, a hang or unbounded memory.
TEST(ScriptControl, RefusesWhatWouldExhaustStackTimeOrMemory) {
  ScriptControl sc;
  EXPECT_EQ(errorOf(sc, "", std::string(ScriptControl::kMaxTextLength + 1, '1')), 7);
  EXPECT_EQ(errorOf(sc, "", repeat("(", 20000) + "1" + repeat(")", 20000)), 28);
  EXPECT_EQ(errorOf(sc, "", repeat("-", 20000) + "1"), 28);
  EXPECT_EQ(errorOf(sc, "", repeat("Not ", 10000) + "1"), 28);
  EXPECT_EQ(errorOf(sc, "", "1" + repeat("+1", 20000)), 28);
  EXPECT_EQ(errorOf(sc, repeat("If 1 Then\n", 3000) + repeat("End If\n", 3000), ""), 28);
  // Each level of recursion nests deeply too: the sum over the calls is bounded.
  EXPECT_EQ(errorOf(sc, "Function deep(n)\ndeep = " + repeat("(", 90) + "deep(n+1)" + repeat(")", 90) +
                            "\nEnd Function",
                    "deep(1)"),
            28);
  // Exponential work without deep recursion.
  EXPECT_EQ(errorOf(sc, "Function g(n)\nIf n > 0 Then g = g(n - 1) + g(n - 1) + 1\nEnd Function", "g(60)"), 28);
  // A string doubling at every level.
  EXPECT_EQ(errorOf(sc, "Function s(n)\nIf n = 0 Then s = \"xy\" Else s = s(n - 1) & s(n - 1)\nEnd Function",
                    "Len(s(40))"),
            7);
  // Copying long strings counts as work too.
  sc.AddCode("B = \"xxxxxxxx\"");
  for (int i = 0; i < 13; ++i) sc.AddCode("B = B & B");
  EXPECT_EQ(sc.Eval("Len(B)").toLong(), 65536);
  EXPECT_EQ(errorOf(sc, "B = B & \"x\"", ""), 7);
  EXPECT_EQ(errorOf(sc, "Function c(n)\nIf n > 0 Then c = Len(B & \"\") + c(n - 1) + c(n - 1)\nEnd Function", "c(40)"),
            28);
  EXPECT_EQ(errorOf(sc, "", "InStr(B, Left(B, 30000) & \"y\")"), 28);
  // The engine is still sound afterwards.
  EXPECT_EQ(sc.Eval("g(3)").toDouble(), 7.0);
  EXPECT_EQ(sc.Eval("Len(s(4))").toLong(), 32);
}

// A long session of ever new names stays bounded, and keeps what is defined.
TEST(ScriptControl, ForgetsUnusedNamesButKeepsDefinitions) {
  ScriptControl sc;
  sc.AddCode(kJulian);
  sc.ExecuteStatement("P1=2.5");
  for (int i = 0; i < 40000; ++i) {
    std::string name = "V" + std::to_string(i);
    ASSERT_TRUE(sc.Eval(name + " + 1") == Variant(static_cast<int16_t>(1))) << name;
  }
  EXPECT_EQ(sc.Eval("julian(45323) + P1").toDouble(), 34.5);

  for (int i = 0; i < 40000; ++i) {
    if (i % 100 == 0) sc.Reset();
    std::string name = "W" + std::to_string(i);
    sc.ExecuteStatement(name + "=" + std::to_string(i));
    ASSERT_EQ(sc.Eval(name).toLong(), i);
  }
}

}  // namespace
}  // namespace fw
