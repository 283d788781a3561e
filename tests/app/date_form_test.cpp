// The date-range dialog: its load, the preset ranges, the start combos and "OK".
#include <gtest/gtest.h>

#include "app/date_form.h"
#include "platform/vb/convert.h"
#include "support/test_session.h"

namespace fw {
namespace {

using namespace date_form;

std::string shown(const ComboBox& d, const ComboBox& m, const ComboBox& y) {
  return d.Text + "-" + m.Text + "-" + y.Text;
}

class DateFormTest : public ::testing::Test {
 protected:
  void at(int year, int month, int day) { t.clock.set(vb::DateSerial(year, month, day) + 0.4); }
  std::string start() const { return shown(f.Combo1, f.Combo2, f.Combo3); }
  std::string end() const { return shown(f.Combo4, f.Combo5, f.Combo6); }

  testing::TestSession t;  // 2024-06-05 13:15
  Session& s = t.s;
  DateDialog& f = s.DateForm;
};

TEST_F(DateFormTest, LoadShowsYesterdayAndToday) {
  EXPECT_TRUE(nowcastHistory(s) == false);  // reading the check box loads the dialog
  EXPECT_TRUE(f.Loaded);
  EXPECT_EQ(start(), "04-Jun-2024");
  EXPECT_EQ(end(), "05-Jun-2024");
  EXPECT_EQ(f.Combo7.Text, "00:00");
  EXPECT_EQ(f.Combo8.Text, "00:07");
  EXPECT_EQ(f.Caption, "Days ago= 1");
  EXPECT_EQ(f.Option1, 0);
  ASSERT_EQ(f.Combo3.items.size(), 31u);
  EXPECT_EQ(f.Combo3.items.front(), "2024");
  EXPECT_EQ(f.Combo3.items.back(), "1994");
  EXPECT_EQ(f.Combo8.items[13], "13:07");
  EXPECT_EQ(f.Combo2.items[11], "Dec");
  EXPECT_EQ(f.Combo1.items[8], "09");
}

TEST_F(DateFormTest, ThePresets) {
  struct Case {
    int y, m, d;  // today
    int16_t preset;
    std::string start, end, caption;
  };
  const Case cases[] = {
      {2024, 6, 5, 0, "05-Jun-2024", "05-Jun-2024", "Days ago= 0"},
      {2024, 6, 5, 1, "04-Jun-2024", "05-Jun-2024", "Days ago= 1"},
      {2024, 6, 5, 2, "30-May-2024", "05-Jun-2024", "Days ago= 6"},
      {2024, 6, 5, 3, "07-May-2024", "05-Jun-2024", "Days ago= 29"},
      {2024, 6, 5, 4, "01-Jun-2024", "05-Jun-2024", "Days ago= 4"},
      {2024, 6, 5, 5, "01-Jan-2024", "05-Jun-2024", "Days ago= 156"},
      {2024, 6, 5, 6, "01-Jan-2023", "31-Dec-2023", "Days ago= 521"},
      {2024, 6, 5, 7, "01-May-2024", "05-Jun-2024", "Days ago= 35"},
      {2024, 6, 5, 8, "04-Jun-2024", "06-Jun-2024", "Days ago= 1"},
      {2024, 6, 5, 9, "05-Jun-2024", "06-Jun-2024", "Days ago= 0"},
      {2024, 6, 5, 10, "05-Jun-2024", "07-Jun-2024", "Days ago= 0"},
      // January: last month is December of last year; the first of a month.
      {2024, 1, 10, 7, "01-Dec-2023", "10-Jan-2024", "Days ago= 40"},
      {2024, 1, 10, 6, "01-Jan-2023", "31-Dec-2023", "Days ago= 374"},
      {2024, 3, 1, 4, "01-Mar-2024", "01-Mar-2024", "Days ago= 0"},
      {2024, 3, 1, 1, "29-Feb-2024", "01-Mar-2024", "Days ago= 1"},
      {2024, 12, 31, 10, "31-Dec-2024", "02-Jan-2025", "Days ago= 0"},
  };
  for (const Case& c : cases) {
    at(c.y, c.m, c.d);
    ensureLoaded(s);
    f.Combo7.Text = "05:00";
    Option1_Click(s, c.preset);
    EXPECT_EQ(start(), c.start) << kPresetCaptions[c.preset];
    EXPECT_EQ(end(), c.end) << kPresetCaptions[c.preset];
    EXPECT_EQ(f.Caption, c.caption) << kPresetCaptions[c.preset];
    EXPECT_EQ(f.Combo7.Text, "05:00");  // hours stay
  }
}

TEST_F(DateFormTest, AStartComboGivesDayAgo) {
  ensureLoaded(s);
  f.Combo1.Text = "08";
  Combo1_Click(s);
  EXPECT_EQ(f.Caption, "Day ago=-3");
  f.Combo2.Text = "May";
  Combo2_Click(s);
  EXPECT_EQ(f.Caption, "Day ago= 28");
  f.Combo1.Text = "31";
  f.Combo2.Text = "Feb";
  Combo3_Click(s);
  EXPECT_EQ(f.Caption, "Day ago= 28");  // not a date: left as it was
}

TEST_F(DateFormTest, OkWritesThePeriodAndLeavesRealTime) {
  ensureLoaded(s);
  f.Visible = true;
  f.Combo1.Text = "05";
  f.Combo2.Text = "Jan";
  f.Combo3.Text = "2024";
  f.Combo4.Text = "06";
  f.Combo5.Text = "Jan";
  f.Combo6.Text = "2024";
  EXPECT_TRUE(Command1_Click(s));
  EXPECT_EQ(s.form.TextBegindate.Text, "2024-01-05 00:00");
  EXPECT_EQ(s.form.TextEnddate.Text, "2024-01-06 00:07");
  // The run reads the period back from these texts.
  EXPECT_EQ(vb::CDate(s.form.TextBegindate.Text), vb::DateSerial(2024, 1, 5));
  EXPECT_EQ(vb::CDate(s.form.TextEnddate.Text), vb::DateSerial(2024, 1, 6) + vb::TimeSerial(0, 7, 0));
  EXPECT_FALSE(s.form.Text2.Enabled);
  EXPECT_FALSE(s.RealtimeMode);
  EXPECT_FALSE(f.Visible);
  EXPECT_TRUE(f.Loaded);

  // A second showing keeps the combos as they were left.
  ensureLoaded(s);
  EXPECT_EQ(start(), "05-Jan-2024");
}

TEST_F(DateFormTest, OkRefusesADayTheMonthLacks) {
  for (const std::string& day : {std::string("31"), std::string("x1"), std::string("")}) {
    ensureLoaded(s);
    f.Visible = true;
    f.Combo4.Text = day;
    f.Combo5.Text = "Feb";
    s.form.TextEnddate.Text = "before";
    EXPECT_FALSE(Command1_Click(s));
    ASSERT_FALSE(t.ui.boxes.empty());
    EXPECT_NE(t.ui.boxes.back().text.find("The end date " + day + "-Feb-2024"), std::string::npos);
    EXPECT_EQ(s.form.TextEnddate.Text, "before");
    EXPECT_TRUE(s.RealtimeMode);
    EXPECT_TRUE(f.Visible);
  }
}

TEST_F(DateFormTest, TheCloseBoxEndsHistoryMode) {
  for (WindowState state : {WindowState::Normal, WindowState::Maximized}) {
    ensureLoaded(s);
    Command1_Click(s);
    ASSERT_FALSE(s.RealtimeMode);
    s.form.State = state;
    s.form.Height = 9000;
    Form_Unload(s);
    EXPECT_TRUE(s.RealtimeMode);
    EXPECT_TRUE(s.form.Text2.Enabled);
    EXPECT_EQ(s.form.Height, state == WindowState::Normal ? 7350 : 9000);
    EXPECT_FALSE(f.Loaded);
  }
}

}  // namespace
}  // namespace fw
