#include "app/date_form.h"

#include <charconv>

#include "app/session.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw::date_form {

namespace {

constexpr const char* kMonths = "  JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr int32_t kNormalHeight = 7350;  // twips

std::string monthName(int month) {
  return std::string(kMonths + 3 * month - 1, 3);
}

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

std::optional<int> wholeNumber(const std::string& text) {
  int n = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, n);
  if (ec != std::errc() || p != end || text.empty()) return std::nullopt;
  return n;
}

vb::VbDate today(Session& s) {
  return vb::DateValue(s.clock.now());
}

void setCombos(ComboBox& day, ComboBox& month, ComboBox& year, vb::VbDate d) {
  day.Text = twoDigits(vb::Day(d));
  month.Text = monthName(vb::Month(d));
  year.Text = std::to_string(vb::Year(d));
}

void startComboClick(Session& s) {
  DateDialog& f = s.DateForm;
  const auto start = comboDate(f.Combo1.Text, f.Combo2.Text, f.Combo3.Text);
  if (!start) return;
  f.Caption = "Day ago=" + vb::Str(static_cast<double>(vb::DateDiff("d", *start, today(s))));
}

}  // namespace

Range presetRange(int16_t index, vb::VbDate t) {
  const int y = vb::Year(t), m = vb::Month(t);
  switch (index) {
    case 1:
      return {t - 1, t};
    case 2:
      return {t - 6, t};
    case 3:
      return {t - 29, t};
    case 4:
      return {vb::DateSerial(y, m, 1), t};
    case 5:
      return {vb::DateSerial(y, 1, 1), t};
    case 6:
      return {vb::DateSerial(y - 1, 1, 1), vb::DateSerial(y - 1, 12, 31)};
    case 7:
      return {m == 1 ? vb::DateSerial(y - 1, 12, 1) : vb::DateSerial(y, m - 1, 1), t};
    case 8:
      return {t - 1, t + 1};
    case 9:
      return {t, t + 1};
    case 10:
      return {t, t + 2};
    default:
      return {t, t};
  }
}

std::optional<vb::VbDate> comboDate(const std::string& day, const std::string& month,
                                    const std::string& year) {
  const auto d = wholeNumber(day);
  const auto y = wholeNumber(year);
  int m = 0;
  for (int i = 1; i <= 12; ++i)
    if (vb::UCase(monthName(i)) == vb::UCase(month)) m = i;
  if (!d || !y || m == 0 || *y < 100 || *y > 9999 || *d < 1 || *d > vb::daysInMonth(*y, m))
    return std::nullopt;
  return vb::DateSerial(*y, m, *d);
}

void Form_Load(Session& s) {
  DateDialog& f = s.DateForm;
  f = DateDialog{};
  f.Loaded = true;
  f.Combo7.items.push_back("00:00");
  f.Combo8.items.push_back("00:07");
  for (int i = 1; i <= 23; ++i) {
    f.Combo7.items.push_back(twoDigits(i) + ":00");
    f.Combo8.items.push_back(twoDigits(i) + ":07");
  }
  for (int i = 1; i <= 31; ++i) {
    f.Combo1.items.push_back(twoDigits(i));
    f.Combo4.items.push_back(twoDigits(i));
  }
  for (int i = 1; i <= 12; ++i) {
    f.Combo2.items.push_back(monthName(i));
    f.Combo5.items.push_back(monthName(i));
  }
  const int year = vb::Year(today(s));
  for (int i = 1; i <= 31; ++i) {
    f.Combo3.items.push_back(std::to_string(year + 1 - i));
    f.Combo6.items.push_back(std::to_string(year + 1 - i));
  }
  Option1_Click(s, 1);
  f.Option1 = 0;  // "Current day" stays shown selected
}

void Form_Unload(Session& s) {
  s.form.Text2.Enabled = true;
  s.RealtimeMode = true;
  if (s.form.State == WindowState::Normal) s.form.Height = kNormalHeight;
  s.DateForm.Loaded = false;
  s.DateForm.Visible = false;
}

void Combo1_Click(Session& s) {
  startComboClick(s);
}
void Combo2_Click(Session& s) {
  startComboClick(s);
}
void Combo3_Click(Session& s) {
  startComboClick(s);
}

void Option1_Click(Session& s, int16_t index) {
  DateDialog& f = s.DateForm;
  f.Option1 = index;
  const vb::VbDate t = today(s);
  const Range r = presetRange(index, t);
  setCombos(f.Combo1, f.Combo2, f.Combo3, r.start);
  setCombos(f.Combo4, f.Combo5, f.Combo6, r.end);
  f.Caption = "Days ago=" + vb::Str(static_cast<double>(vb::DateDiff("d", r.start, t)));
}

bool Command1_Click(Session& s) {
  DateDialog& f = s.DateForm;
  const auto start = comboDate(f.Combo1.Text, f.Combo2.Text, f.Combo3.Text);
  const auto end = comboDate(f.Combo4.Text, f.Combo5.Text, f.Combo6.Text);
  if (!start || !end) {
    const bool first = !start;
    const std::string text = first ? f.Combo1.Text + "-" + f.Combo2.Text + "-" + f.Combo3.Text
                                   : f.Combo4.Text + "-" + f.Combo5.Text + "-" + f.Combo6.Text;
    notify(s, std::string(first ? "The start date " : "The end date ") + text +
                  " is not a date. Pick a day the month has.");
    return false;
  }
  s.form.TextBegindate.Text = vb::Format(*start, "yyyy-mm-dd ") + f.Combo7.Text;
  s.form.TextEnddate.Text = vb::Format(*end, "yyyy-mm-dd ") + f.Combo8.Text;
  s.form.Text2.Enabled = false;
  s.RealtimeMode = false;
  f.Visible = false;
  return true;
}

void ensureLoaded(Session& s) {
  if (!s.DateForm.Loaded) Form_Load(s);
}

bool nowcastHistory(Session& s) {
  ensureLoaded(s);
  return s.DateForm.chknowcastHistory.ticked();
}

}  // namespace fw::date_form
