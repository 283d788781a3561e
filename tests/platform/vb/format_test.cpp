#include <gtest/gtest.h>

#include <thread>

#include "platform/vb/vb.h"

namespace vb {
namespace {

// 2024-06-05 (a Wednesday) 13:15:07
const VbDate kJune5 = fromCivil({2024, 6, 5, 13, 15, 7});

struct DateCase {
  const char* pattern;
  VbDate date;
  const char* expected;
  friend void PrintTo(const DateCase& c, std::ostream* os) { *os << '"' << c.pattern << '"'; }
};

class FormatDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(FormatDate, Pattern) {
  const DateCase& c = GetParam();
  EXPECT_EQ(Format(c.date, c.pattern), c.expected) << "pattern \"" << c.pattern << "\"";
}

const VbDate kJan5 = fromCivil({2024, 1, 5, 6, 0, 0});  // a Friday
const VbDate kMar4 = fromCivil({2024, 3, 4, 5, 15, 0});
const VbDate kMidnightRound = 45448.999999999;  // reads as 2024-06-06 00:00:00

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatDate,
    ::testing::Values(
        DateCase{"mm/dd/yyyy", kJune5, "06/05/2024"},
        DateCase{"mm/dd/yyyy hh:mm", kJune5, "06/05/2024 13:15"},
        DateCase{"mm/dd/yyyy  hh:mm", kJune5, "06/05/2024  13:15"},
        DateCase{"mm-dd-yyyy hh:mm", kJune5, "06-05-2024 13:15"},
        DateCase{"yyyy-mm-dd hh:mm", kJune5, "2024-06-05 13:15"},
        DateCase{"yyyy-mm-dd hh:mm ", kMar4, "2024-03-04 05:15 "},
        DateCase{"yyyy-Mmm-dd hh:mm", kJune5, "2024-Jun-05 13:15"},
        DateCase{"Ddd Mmm dd at hh:mm", kJan5, "Fri Jan 05 at 06:00"},
        DateCase{"DDD mmmdd@hh:mmAMPM ", kJune5, "Wed Jun05@01:15PM "},
        DateCase{" DDD mmmdd @ hh:mmAMPM", kJune5, " Wed Jun05 @ 01:15PM"},
        DateCase{" hh:mm AMPM ", kJune5, " 01:15 PM "}, DateCase{"dd hh:mm AMPM   ", kJan5, "05 06:00 AM   "},
        DateCase{"mmm dd, yyyy", kJune5, "Jun 05, 2024"}, DateCase{"dd-Mmm-yyyy", kJune5, "05-Jun-2024"},
        DateCase{"dd MMM yyyy", kJune5, "05 Jun 2024"}, DateCase{"ddMMMyyyy", kJune5, "05Jun2024"},
        DateCase{"yyyymmddhhmm", kJune5, "202406051315"}, DateCase{"YYYYMMDD_HH00", kJune5, "20240605_1300"},
        DateCase{"n:ss", fromCivil({2024, 6, 5, 0, 3, 7}), "3:07"}, DateCase{"y", kJune5, "157"},
        DateCase{"m/d/yyyy hh:mm", kJune5, "6/5/2024 13:15"},
        DateCase{" m/d h:mm ampm", kJune5, " 6/5 1:15 PM"}, DateCase{"mmmdd h:mm", kJune5, "Jun05 13:15"},
        DateCase{"dddd, mmmm d", kJune5, "Wednesday, June 5"}, DateCase{"h:mm:ss am/pm", kJan5, "6:00:00 am"},
        DateCase{"hh:mm a/p", fromCivil({2024, 1, 5, 0, 30, 0}), "12:30 a"},
        DateCase{"yy-mm-dd \"at\" hh\\h", kJune5, "24-06-05 at 13h"}, DateCase{"q w ww", kJune5, "2 4 23"},
        DateCase{"ddddd", kJune5, "6/5/2024"}, DateCase{"dddddd", kJune5, "Wednesday, June 05, 2024"},
        DateCase{"Short Date", kJune5, "6/5/2024"}, DateCase{"Long Time", kJune5, "1:15:07 PM"},
        DateCase{"hh:mm:ss mm/dd", kJune5, "13:15:07 06/05"},
        // Seconds are dropped, not rounded, when the pattern has none.
        DateCase{"hh:mm", fromCivil({2024, 6, 5, 9, 59, 54}), "09:59"},
        // Components come from the date rounded to the nearest second.
        DateCase{"mm/dd/yyyy hh:mm", kMidnightRound, "06/06/2024 00:00"},
        DateCase{"hh:mm:ss", kJune5 + 0.4 / 86400, "13:15:07"},
        DateCase{"hh:mm", 45448.0 + 14.0 / 24 + 59.0 / 1440 + 59.99999 / 86400, "15:00"}));

struct NumberCase {
  const char* pattern;
  double value;
  const char* expected;
  friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.pattern << "\" " << c.value; }
};

class FormatNumberPattern : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatNumberPattern, Pattern) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected)
      << "pattern \"" << c.pattern << "\" value " << c.value;
  // A double with a number pattern takes the number form through Format as well.
  EXPECT_EQ(Format(c.value, c.pattern), c.expected) << "pattern \"" << c.pattern << "\" value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatNumberPattern,
    ::testing::Values(NumberCase{"0", 2.5, "3"},  // half away from zero, unlike Round
                      NumberCase{"0", -2.5, "-3"}, NumberCase{"00", 5, "05"},
                      NumberCase{"0.00", 3.14159, "3.14"}, NumberCase{"0.00", 0.125, "0.13"},
                      NumberCase{"0.00", 2.675, "2.68"}, NumberCase{"0.00", -0.001, "0.00"},
                      NumberCase{"0.000", 2.35, "2.350"}, NumberCase{"0.00000", 1.0 / 3, "0.33333"},
                      NumberCase{"#0.####", 12.3456789, "12.3457"}, NumberCase{"#0.####", 0.5, "0.5"},
                      NumberCase{"#0.####", 5, "5."}, NumberCase{"#0.#", 9.96, "10."},
                      NumberCase{"#,###,##0", 35712.4, "35,712"},
                      NumberCase{"#,###,##0", 1234567, "1,234,567"}, NumberCase{"#,###,##0", 7, "7"},
                      NumberCase{"#,##0.00", -1234.5, "-1,234.50"}, NumberCase{"##.##", 0.5, ".5"},
                      NumberCase{"##.##", 123.456, "123.46"}, NumberCase{"0.0", 99.96, "100.0"},
                      NumberCase{"$0.00 cfs", 3.5, "$3.50 cfs"}, NumberCase{"0%", 0.256, "26%"},
                      NumberCase{"0.00E+00", 12345, "1.23E+04"}, NumberCase{"0.0;(0.0)", -2.25, "(2.3)"},
                      NumberCase{"0;-0;\"zero\"", 0, "zero"}, NumberCase{"0", 1e20, "100000000000000000000"},
                      NumberCase{"", 0.5, "0.5"}, NumberCase{"##.##", 0, "."}, NumberCase{".00", 5.5, "5.50"},
                      NumberCase{"#,##0,", 1234567, "1,235"}, NumberCase{"Standard", 1234.5, "1,234.50"},
                      NumberCase{"Percent", 0.5, "50.00%"}));

TEST(FormatVariant, ChoosesTheFormByValueAndPattern) {
  EXPECT_EQ(Format(Variant::Date(kJune5), "mm/dd/yyyy"), "06/05/2024");
  EXPECT_EQ(Format(Variant("06/05/2024 13:15"), "yyyy-mm-dd hh:mm"), "2024-06-05 13:15");
  EXPECT_EQ(Format(Variant("2.5"), "0.00"), "2.50");
  EXPECT_EQ(Format(Variant("abc"), "0.00"), "abc");
  EXPECT_EQ(Format(Variant(int16_t{7}), "00"), "07");
  EXPECT_EQ(Format(7, "00"), "07");
  EXPECT_EQ(Format(45448.5, "mm/dd/yyyy hh:mm"),
            "06/05/2024 12:00");  // a date pattern reads the double as a date
  EXPECT_EQ(Format(Variant(0.1f), "0.000000000"), "0.100000000");
  EXPECT_EQ(Format(Variant(), "0"), "");
}

TEST(FormatCache, ExpandingTokensDoNotDisturbThePatternBeingFormatted) {
  // A fresh thread starts with an empty cache. The short date form is cached first, then
  // "ddddd x", then three more patterns push the short form out: the next entry to be replaced
  // is now the one of "ddddd x" itself, while "ddddd" needs the short form again.
  const VbDate midnight = DateValue(kJune5);
  std::string text;
  std::thread([&] {
    CStrDate(midnight);
    Format(kJune5, "ddddd x");
    for (const char* p : {"yyyy", "mm", "dd"}) Format(kJune5, p);
    text = Format(kJune5, "ddddd x");
  }).join();
  EXPECT_EQ(text, "6/5/2024 x");
  EXPECT_EQ(Format(kJune5, "c ttttt"), "6/5/2024 1:15:07 PM 1:15:07 PM");
}

struct StrCase {
  double value;
  const char* str;
  const char* cstr;
  friend void PrintTo(const StrCase& c, std::ostream* os) { *os << c.str; }
};

class StrDouble : public ::testing::TestWithParam<StrCase> {};

TEST_P(StrDouble, Text) {
  EXPECT_EQ(Str(GetParam().value), GetParam().str);
  EXPECT_EQ(CStr(GetParam().value), GetParam().cstr);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StrDouble,
    ::testing::Values(StrCase{0.5, " .5", "0.5"}, StrCase{-0.25, "-.25", "-0.25"}, StrCase{0, " 0", "0"},
                      StrCase{-0.0, " 0", "0"}, StrCase{42, " 42", "42"}, StrCase{-7, "-7", "-7"},
                      StrCase{0.1 + 0.2, " .3", "0.3"},
                      StrCase{1.0 / 3, " .333333333333333", "0.333333333333333"},
                      StrCase{0.0001, " .0001", "0.0001"}, StrCase{0.00001, " 1E-05", "1E-05"},
                      StrCase{-0.000015, "-1.5E-05", "-1.5E-05"}, StrCase{1.5e20, " 1.5E+20", "1.5E+20"},
                      StrCase{999999999999999, " 999999999999999", "999999999999999"},
                      StrCase{1e15, " 1E+15", "1E+15"},
                      StrCase{123456789012345678.0, " 1.23456789012346E+17", "1.23456789012346E+17"},
                      StrCase{1e100, " 1E+100", "1E+100"}));

TEST(StrSingle, SevenSignificantDigits) {
  EXPECT_EQ(StrSingle(0.1f), " .1");
  EXPECT_EQ(StrSingle(1.0f / 3), " .3333333");
  EXPECT_EQ(StrSingle(-2.5f), "-2.5");
  EXPECT_EQ(StrSingle(1234567.0f), " 1234567");
  EXPECT_EQ(StrSingle(12345678.0f), " 1.234568E+07");
  EXPECT_EQ(StrSingle(0.00001f), " 1E-05");
  EXPECT_EQ(CStrSingle(0.1f), "0.1");
  // A float argument is a Single: 7 digits through Str, CStr and Format alike.
  EXPECT_EQ(Str(0.1f), " .1");
  EXPECT_EQ(CStr(2.675f), "2.675");
  EXPECT_EQ(Format(0.1f, "0.000000000"), "0.100000000");
  EXPECT_EQ(FormatNumber(0.1f, "0.000000000"), "0.100000001");
  // The same float printed as a double shows its binary error.
  EXPECT_EQ(Str(static_cast<double>(0.1f)), " .100000001490116");
}

TEST(StrInteger, BlankForNonNegative) {
  EXPECT_EQ(Str(int32_t{5}), " 5");
  EXPECT_EQ(Str(int32_t{0}), " 0");
  EXPECT_EQ(Str(int32_t{-5}), "-5");
  EXPECT_EQ(CStr(int32_t{-2147483647 - 1}), "-2147483648");
}

TEST(PrintNumber, StrAndOneTrailingBlank) {
  EXPECT_EQ(PrintNumber(0.5), " .5 ");
  EXPECT_EQ(PrintNumber(-3), "-3 ");
}

TEST(CStrDate, GeneralDateForm) {
  EXPECT_EQ(CStrDate(kJune5), "6/5/2024 1:15:07 PM");
  EXPECT_EQ(CStrDate(fromCivil({2024, 6, 5, 0, 0, 0})), "6/5/2024");
  EXPECT_EQ(CStrDate(fromCivil({2024, 1, 5, 0, 0, 1})), "1/5/2024 12:00:01 AM");
  EXPECT_EQ(CStrDate(0.25), "6:00:00 AM");
  EXPECT_EQ(CStrDate(kMidnightRound), "6/6/2024");
  EXPECT_EQ(Format(Variant::Date(kJune5), ""), "6/5/2024 1:15:07 PM");
}

}  // namespace
}  // namespace vb
