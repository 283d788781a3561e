#include <gtest/gtest.h>

#include <functional>

#include "platform/vb/vb.h"

namespace vb {
namespace {

int errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Round, HalfToEven) {
  struct Case {
    double x;
    int n;
    double expected;
  };
  for (const Case& c :
       {Case{2.5, 0, 2}, Case{3.5, 0, 4}, Case{-2.5, 0, -2}, Case{-3.5, 0, -4}, Case{2.4999, 0, 2},
        Case{0.125, 2, 0.12}, Case{0.375, 2, 0.38}, Case{60.4655, 1, 60.5}, Case{1.23456, 3, 1.235},
        Case{1e300, 2, 1e300}, Case{-0.5, 0, -0.0}}) {
    EXPECT_EQ(Round(c.x, c.n), c.expected) << c.x << " at " << c.n;
  }
  EXPECT_EQ(errorNumber([] { Round(1.5, -1); }), err::InvalidProcedureCall);
}

TEST(IntFixSgn, FloorTruncateSign) {
  EXPECT_EQ(Int(-1.5), -2);
  EXPECT_EQ(Fix(-1.5), -1);
  EXPECT_EQ(Int(1.9), 1);
  EXPECT_EQ(Fix(1.9), 1);
  EXPECT_EQ(Sgn(-0.1), -1);
  EXPECT_EQ(Sgn(0), 0);
  EXPECT_EQ(Sgn(3), 1);
}

TEST(IntDivMod, OperandsRoundHalfToEvenFirst) {
  EXPECT_EQ(IntDiv(7, 2), 3);
  EXPECT_EQ(IntDiv(-7, 2), -3);
  EXPECT_EQ(IntDiv(2.5, 1), 2);   // 2.5 -> 2
  EXPECT_EQ(IntDiv(3.5, 1), 4);   // 3.5 -> 4
  EXPECT_EQ(IntDiv(10, 2.5), 5);  // 2.5 -> 2
  EXPECT_EQ(IntDiv(33000, 3), 11000);
  EXPECT_EQ(Mod(7, 3), 1);
  EXPECT_EQ(Mod(-7, 3), -1);  // sign of the dividend
  EXPECT_EQ(Mod(7, -3), 1);
  EXPECT_EQ(Mod(5.5, 4), 2);  // 5.5 -> 6
  EXPECT_EQ(Mod(-2147483647.0 - 1, -1), 0);
  EXPECT_EQ(errorNumber([] { IntDiv(1, 0.4); }), err::DivisionByZero);
  EXPECT_EQ(errorNumber([] { Mod(1, 0); }), err::DivisionByZero);
  EXPECT_EQ(errorNumber([] { IntDiv(-2147483647.0 - 1, -1); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { IntDiv(3e9, 1); }), err::Overflow);
}

TEST(Integer16, OverflowNeverWraps) {
  EXPECT_EQ(addInteger(32000, 767), 32767);
  EXPECT_EQ(errorNumber([] { addInteger(32000, 768); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { subInteger(-32768, 1); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { mulInteger(200, 200); }), err::Overflow);
  EXPECT_EQ(mulInteger(-181, 181), -32761);
  EXPECT_EQ(toInteger(int64_t{-32768}), -32768);
  EXPECT_EQ(errorNumber([] { toInteger(int64_t{40000}); }), err::Overflow);
  EXPECT_EQ(toInteger(6.5), 6);
  EXPECT_EQ(fromBool(true), -1);
  EXPECT_EQ(fromBool(false), 0);
}

TEST(Errors, NumbersAndDescriptions) {
  struct Case {
    int32_t number;
    const char* description;
  };
  for (const Case& c :
       {Case{5, "Invalid procedure call or argument"}, Case{6, "Overflow"}, Case{9, "Subscript out of range"},
        Case{11, "Division by zero"}, Case{13, "Type mismatch"}, Case{53, "File not found"},
        Case{62, "Input past end of file"}, Case{94, "Invalid use of Null"},
        Case{12345, "Application-defined or object-defined error"}}) {
    EXPECT_EQ(errorDescription(c.number), c.description);
    try {
      raise(c.number);
      FAIL();
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.description(), c.description);
      EXPECT_STREQ(e.what(), c.description);
    }
  }
}

TEST(InStr, OneBasedAndEmptyNeedle) {
  EXPECT_EQ(InStr("abcabc", "c"), 3);
  EXPECT_EQ(InStr(4, "abcabc", "c"), 6);
  EXPECT_EQ(InStr("abc", "C"), 0);
  EXPECT_EQ(InStr("abc", ""), 1);
  EXPECT_EQ(InStr(2, "abc", ""), 2);
  EXPECT_EQ(InStr("", ""), 0);
  EXPECT_EQ(InStr(9, "abc", "a"), 0);
  EXPECT_EQ(InStrRev("a/b/c", "/"), 4);
  EXPECT_EQ(InStrRev("abc", "x"), 0);
  EXPECT_EQ(errorNumber([] { InStr(0, "abc", "a"); }), err::InvalidProcedureCall);
}

TEST(Substrings, MidLeftRight) {
  EXPECT_EQ(Mid("abcdef", 3), "cdef");
  EXPECT_EQ(Mid("abcdef", 3, 2), "cd");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_EQ(Mid("abc", 4), "");
  EXPECT_EQ(Mid("abc", 9, 1), "");
  EXPECT_EQ(Left("abc", 5), "abc");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Right("abc", 2), "bc");
  EXPECT_EQ(Right("abc", 9), "abc");
  EXPECT_EQ(Len("abc"), 3);
  EXPECT_EQ(errorNumber([] { Mid("abc", 0); }), err::InvalidProcedureCall);
  EXPECT_EQ(errorNumber([] { Left("abc", -1); }), err::InvalidProcedureCall);
}

TEST(Split, EmptyTextHasNoElements) {
  EXPECT_EQ(UBound(Split("")), -1);
  EXPECT_EQ(Split("a;b;;c;", ";"), (std::vector<std::string>{"a", "b", "", "c", ""}));
  EXPECT_EQ(Split("abc", ";"), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(Split("a; b", "; "), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Split("a b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Split(";", ";"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Join({"a", "", "b"}, "; "), "a; ; b");
}

TEST(Text, TrimCaseReplace) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");  // blanks only
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(LTrim("  a "), "a ");
  EXPECT_EQ(RTrim("  a "), "  a");
  EXPECT_EQ(UCase("abc\xe9Z1"), "ABC\xe9Z1");
  EXPECT_EQ(LCase("ABC"), "abc");
  EXPECT_EQ(Replace("rday rdaymax", "rday", "[rday$]"), "[rday$] [rday$]max");
  EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Space(3), "   ");
  EXPECT_EQ(String(2, '*'), "**");
}

TEST(Colors, RedInTheLowByte) {
  EXPECT_EQ(RGB(219, 144, 89), 5869787);
  EXPECT_EQ(Red(5869787), 219);
  EXPECT_EQ(Green(5869787), 144);
  EXPECT_EQ(Blue(5869787), 89);
}

}  // namespace
}  // namespace vb
