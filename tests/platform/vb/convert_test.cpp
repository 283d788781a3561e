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

struct ValCase {
  const char* text;
  double value;
  friend void PrintTo(const ValCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ValText : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValText, LeadingNumber) {
  EXPECT_EQ(Val(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValText,
    ::testing::Values(ValCase{"1 2", 12}, ValCase{"10%", 10}, ValCase{"&H10", 16}, ValCase{"&hff", 255},
                      ValCase{"&HFFFF", -1}, ValCase{"&H10000", 65536}, ValCase{"&O17", 15},
                      ValCase{"  -3.5abc", -3.5}, ValCase{"1e3", 1000}, ValCase{"1d2", 100},
                      ValCase{"1.5e3x", 1500}, ValCase{"2e", 2}, ValCase{"3,5", 3}, ValCase{"1.1*P1", 1.1},
                      ValCase{"P1", 0}, ValCase{"", 0}, ValCase{"-", 0}, ValCase{".5", 0.5},
                      ValCase{"-.25", -0.25}, ValCase{"\t4\n2", 42}, ValCase{"1.2.3", 1.2}, ValCase{"+7", 7},
                      ValCase{"5\r6", 5}, ValCase{"1e-400", 0}));

TEST(Val, OverflowRaises) {
  EXPECT_EQ(errorNumber([] { Val("1e400"); }), err::Overflow);
}

TEST(IsNumeric, StrictWholeText) {
  for (const char* yes : {"0", " 12 ", "-1.5", "+3", ".5", "5.", "1e5", "1E-5", "2.5D3", "\t7\r\n", "&H1F"}) {
    EXPECT_TRUE(IsNumeric(yes)) << yes;
  }
  for (const char* no : {"", " ", "-", ".", "1 2", "10%", "1,000", "$5", "1e", "e5", "abc", "1.2.3", "- 5"}) {
    EXPECT_FALSE(IsNumeric(no)) << no;
  }
}

TEST(Conversions, WholeTextHalfToEvenAndOverflow) {
  EXPECT_EQ(CDbl(" 2.5 "), 2.5);
  EXPECT_EQ(CDbl("&H10"), 16);
  EXPECT_EQ(CSng("0.1"), 0.1f);
  EXPECT_EQ(CInt("2.5"), 2);
  EXPECT_EQ(CInt("3.5"), 4);
  EXPECT_EQ(CInt("-2.5"), -2);
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CInt(-32768.5), -32768);
  EXPECT_EQ(CLng("2147483647"), 2147483647);
  EXPECT_EQ(CLng(0.5), 0);
  EXPECT_EQ(CLng(1.5), 2);
  EXPECT_EQ(errorNumber([] { CInt(32768.0); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { CInt("32768"); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { CInt(32767.5); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { CLng(2147483648.0); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { CDbl("abc"); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { CInt(""); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { CDbl("1e400"); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { CSng("1e39"); }), err::Overflow);
}

struct DateTextCase {
  const char* text;
  CivilDateTime expected;
  friend void PrintTo(const DateTextCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class CDateAccepts : public ::testing::TestWithParam<DateTextCase> {};

TEST_P(CDateAccepts, Form) {
  const DateTextCase& c = GetParam();
  EXPECT_TRUE(IsDate(c.text)) << c.text;
  EXPECT_EQ(CDate(c.text), fromCivil(c.expected)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Forms, CDateAccepts,
                         ::testing::Values(DateTextCase{"06/05/2024", {2024, 6, 5, 0, 0, 0}},
                                           DateTextCase{"06/05/2024 13:15", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"06/05/2024   13:15:07", {2024, 6, 5, 13, 15, 7}},
                                           DateTextCase{"6/5/2024 1:15:07 PM", {2024, 6, 5, 13, 15, 7}},
                                           DateTextCase{"6/5/2024 12:05 AM", {2024, 6, 5, 0, 5, 0}},
                                           DateTextCase{"6/5/2024 12:05pm", {2024, 6, 5, 12, 5, 0}},
                                           DateTextCase{"2024-06-05", {2024, 6, 5, 0, 0, 0}},
                                           DateTextCase{"2024-06-05 13:15", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"2024-06-05 13:15:07", {2024, 6, 5, 13, 15, 7}},
                                           DateTextCase{"2024/06/05 13:15", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"06-05-2024 13:15", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"05-Jun-2024 13:15", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"05-june-2024", {2024, 6, 5, 0, 0, 0}},
                                           DateTextCase{"Jun 01, 2024", {2024, 6, 1, 0, 0, 0}},
                                           DateTextCase{"01-02-03", {2003, 1, 2, 0, 0, 0}},
                                           DateTextCase{"2/29/2024", {2024, 2, 29, 0, 0, 0}},
                                           DateTextCase{" 6/5/2024 13:15\r", {2024, 6, 5, 13, 15, 0}},
                                           DateTextCase{"13:15", {1899, 12, 30, 13, 15, 0}},
                                           DateTextCase{"1:15:30 PM", {1899, 12, 30, 13, 15, 30}}));

TEST(CDate, RefusedForms) {
  for (const char* no :
       {"06/05/2024 24:00", "2/30/2024", "13/05/2024", "06/05/2024 13:60", "2024-06-05T13:15", "06/05",
        "yesterday", "", "06/05/2024 13:15 xyz", "06/05/2024 13", "1:15 PMX", "13:15 PM", "45448"}) {
    EXPECT_FALSE(IsDate(no)) << no;
  }
  EXPECT_EQ(errorNumber([] { CDate("06/05/2024 24:00"); }), err::TypeMismatch);
}

}  // namespace
}  // namespace vb
