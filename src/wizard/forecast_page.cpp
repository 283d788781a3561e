#include "wizard/forecast_page.h"

#include <cmath>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/river_forecast.h"
#include "run/sql_guard.h"
#include "wizard/forecast_edit_save.h"
#include "wizard/line_replace.h"
#include "wizard/page_rules.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr vb::Color kLightCyan = 16777152;  // (192, 255, 255)
const char* const kRsiteNote = "The rsite setup will probably be your adjusted radar.";
const char* const kListTime = "dd hh:mm AMPM";
const char* const kEditTime = "dd hh:mm ampm";
const char* const kEditColumns[] = {"txtSource", "txttime", "txtForRain", "txtEditRain"};

std::string box(int i) {
  return boxId("txtForecast", i);
}

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

std::string sqlDate(double d) {
  return vb::Format(d, "mm/dd/yyyy hh:mm");
}

std::string periodQuery(const Session& s, const std::string& dsid, double from, double to) {
  std::string sql = "select * from rhour where datatype_site_id=" + dsid + " and date_time between #" +
                    sqlDate(from) + "# and #" + sqlDate(to) + "# order by date_time;";
  return s.Hdb2AposDates ? vb::Replace(sql, "#", "'") : sql;
}

// The page's DSID when it is a whole number (it goes into SQL and a file name); else it is said.
bool pageDsid(Session& s, std::string& dsid) {
  dsid = vb::Trim(s.frmWizard.boxes.text(box(1)));
  if (isIntegerDsid(dsid)) return true;
  notify(s, "Forecast: the DSID \"" + dsid + "\" is not a whole number.", MsgButtons::OK, MsgIcon::Exclamation);
  return false;
}

void selectAllHistory(Session& s) {
  Box& h = s.frmWizard.boxes["txtHistoryForecast"];
  h.SelStart = 0;
  h.SelLength = vb::Len(h.Text);
  txtHistoryForecast_MouseUp(s);
  h.SelStart = 0;
  h.SelLength = 0;
}

void clearPicture(WizardForm& w) {
  w.Picture = ForecastPicture{};
}

double number(const std::string& text) {
  return vb::Val(text);
}

}  // namespace

std::string ForecastSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  return vb::Join({vb::Trim(b.at("LabelForecast(3)").Caption), b.text(box(1)), "Forecast Rain", b.text(box(2)),
                   b.text(box(3)),
                   b.text(box(4)) + ", " + b.text(box(5)) + ", " + vb::Left(b.text("ComboForecast"), 1)},
                  "; ");
}

std::string forecastListLine(double value, double dateTime, const std::string& source) {
  return vb::Format(value, " 0.00000   ") + vb::Format(dateTime, kListTime) + "   " + source + "\r\n";
}

std::string actualForecastList(const std::string& fileText, double shiftHours, double limit) {
  std::vector<std::string> lines = vb::Split(vb::Replace(fileText, "\r\n", "\n"), "\n");
  std::string list;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 2) continue;  // a blank line, or a header line that holds no value
    const std::optional<vb::VbDate> t = vb::parseDate(f[1]);
    if (!t) throw vb::Error(vb::err::TypeMismatch, "Type mismatch: \"" + f[1] + "\" is no date");
    if (vb::Minute(*t) != 0) continue;
    const double shifted = *t + shiftHours / 24.0;
    if (shifted > limit) break;
    list += forecastListLine(vb::Val(f.back()), shifted, "18");
  }
  return list;
}

void txtForecast_Change(Session& s, int index) {
  BoxModel& b = s.frmWizard.boxes;
  steps({[&] {
           if (index != 0 || cutSiteBox(b, box(0))) return;
           b.setText(box(1), siteDsid("-11000", 6, b.text(box(0))));
         },
         [&] { b.setText(box(6), ForecastSetupLine(s.frmWizard)); },
         [&] { b.setText(box(7), kRsiteNote); }});
}

void cmdActual_Click(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  const std::filesystem::path path = s.inProgramFolder(kForecastCopyName);
  try {
    // The time shift of the line the wizard was opened on.
    const double shift = vb::Val(vb::Trim(s.Form2.MSFlexGrid1.TextMatrix(w.LoadedRow, 5)));
    const double limit = std::floor(s.clock.now()) + number(b.text("txtDays"));
    const std::string list = actualForecastList(vb::readAllBytes(path), shift, limit);
    b.setText("txtHistoryForecast", "");
    clearPicture(w);
    b["txtHistoryForecast"].BackColor = kLightCyan;
    b["LabelForecast(16)"].Caption.clear();
    b.setText("txtHistoryForecast", list);
    w.Forecast.HistoryCount = 0;
    w.Forecast.EditCount = 0;
    selectAllHistory(s);
  } catch (const std::exception& e) {
    s.ui.msgBox(path.string() + "--" + describe(e));
  }
}

void cmdRefreshForecast_Click(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  try {
    std::string dsid;
    if (!pageDsid(s, dsid)) return;
    const double now = s.clock.now();
    double from = now - 7.0 / 24;
    const double hours = number(b.text("txtFhours"));
    if (hours < 0) from += hours / 24;
    const double to = std::floor(now) + number(b.text("txtDays"));
    b.setText("txtHistoryForecast", "");
    b["LabelForecast(16)"].Caption.clear();
    if (!openWizardDb(s)) return;
    db::AdoRecordset& rs = *w.WizardRs;
    if (rs.State() != db::adStateClosed) rs.Close();
    rs.Open(periodQuery(s, dsid, from, to), *w.WizardCnn);
    std::string list;
    while (!rs.Eof()) {
      list += forecastListLine(rs.Value(2).toDouble(), rs.Value(1).toDate(), vb::Format(rs.Value(3), "00"));
      rs.MoveNext();
    }
    rs.Close();
    b.setText("txtHistoryForecast", list);
    b["txtHistoryForecast"].BackColor = Box::kWindowColor;
    clearPicture(w);
    w.Forecast.HistoryCount = 0;
    w.Forecast.EditCount = 0;
    b["Command1"].Enabled = false;
    selectAllHistory(s);
  } catch (const std::exception&) {
    // The list shows what it read.
  }
}

void cmdSaveForecastFile_Click(Session& s) {
  try {
    std::string dsid;
    if (!pageDsid(s, dsid)) return;
    const std::filesystem::path path = s.inProgramFolder("forecast" + dsid + ".txt");
    vb::writeAllBytes(path, s.frmWizard.boxes.text("txtHistoryForecast") + "\r\n");
    s.ui.msgBox(path.string() + " saved");
  } catch (const std::exception&) {
    // Nothing is said when the file cannot be written.
  }
}

void txtHistoryForecast_MouseUp(Session& s) {
  WizardForm& w = s.frmWizard;
  ForecastSeries& f = w.Forecast;
  try {
    f.HistoryCount = 0;
    f.EditCount = 0;
    const Box& h = w.boxes["txtHistoryForecast"];
    if (h.SelLength <= 0) return;
    const std::string selected = vb::Mid(h.Text, h.SelStart + 1, h.SelLength);
    const std::vector<std::string> lines = vb::Split(selected, "\r\n");
    const int u = static_cast<int>(lines.size()) - 1;
    f.HistoryCum.assign(lines.size(), 0);
    f.HistoryTime.assign(lines.size(), "");
    f.HistoryColour.assign(lines.size(), kBlue);
    float total = 0;
    if (u > 0)
      for (int i = 0; i <= u; ++i) {
        const std::vector<std::string> e = vb::Split(lines[static_cast<std::size_t>(i)], "   ");
        if (!e.empty()) total += static_cast<float>(vb::Val(e[0]));
        if (e.size() >= 3) {
          const auto k = static_cast<std::size_t>(i);
          f.HistoryTime[k] = e[1];
          f.HistoryColour[k] = sourceColour(e[2]);
          f.HistoryCum[k] = total;
          f.HistoryCount = i;
        }
      }
    w.boxes["LabelForecast(16)"].Caption = vb::Format(static_cast<double>(total), "0.0000");
    drawForecastPicture(s);
  } catch (const std::exception&) {
    // The graph stays as it was.
  }
}

void cmdEditForecast_Click(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  try {
    std::string dsid;
    if (!pageDsid(s, dsid)) return;
    const double hours = number(b.text("txtFhours"));
    w.EditStart = s.clock.now();
    w.EditEnd = w.EditStart + hours / 24;
    for (const char* id : kEditColumns) b[id].Text.clear();
    if (!openWizardDb(s)) return;
    db::AdoRecordset& rs = *w.WizardRs;
    if (rs.State() != db::adStateClosed) rs.Close();
    // A history edit has its window before now.
    rs.Open(periodQuery(s, dsid, std::min(w.EditStart, w.EditEnd), std::max(w.EditStart, w.EditEnd)),
            *w.WizardCnn);
    std::string sources, times, rain;
    float total = 0;
    while (!rs.Eof()) {
      sources += rs.Value(3).toString() + "\r\n";
      times += vb::Format(rs.Value(1).toDate(), kEditTime) + "\r\n";
      rain += rs.Value(2).toString() + "\r\n";
      total += rs.Value(2).toSingle();
      rs.MoveNext();
    }
    if (!rs.Bof() || !rs.Eof()) rs.MoveFirst();  // the rows stay open for "Save Edit"
    b["txtSource"].Text = sources;
    b["txttime"].Text = times;
    b["txtForRain"].Text = rain;
    b.setText("txtEditRain", rain);
    b["LabelForecast(13)"].Caption = vb::Format(static_cast<double>(total), "0.0000");
    b["LabelForecast(14)"].Caption = b["LabelForecast(13)"].Caption;
    b["Command1"].Enabled = true;
  } catch (const std::exception&) {
    // The columns show what was read.
  }
}

void txtEditRain_Change(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  float sum = 0;
  for (const std::string& line : vb::Split(b.text("txtEditRain"), "\r\n")) sum += static_cast<float>(vb::Val(line));
  b["LabelForecast(14)"].Caption = vb::Format(static_cast<double>(sum), "0.0000");
  txtEditRain_MouseUp(s);
}

void txtEditRain_MouseUp(Session& s) {
  WizardForm& w = s.frmWizard;
  ForecastSeries& f = w.Forecast;
  try {
    const std::vector<std::string> edits = vb::Split(w.boxes.text("txtEditRain"), "\r\n");
    const std::vector<std::string> times = vb::Split(w.boxes.text("txttime"), "\r\n");
    f.EditCount = 0;
    const int u = static_cast<int>(edits.size()) - 1;
    if (u <= 0) return;
    f.EditCum.assign(edits.size(), 0);
    f.EditTime.assign(edits.size(), "");
    f.EditColour.assign(edits.size(), kGreen);
    float total = 0;
    for (int i = 0; i <= u; ++i) {
      const auto k = static_cast<std::size_t>(i);
      f.EditTime[k] = k < times.size() ? times[k] : std::string();
      if (f.EditTime[k].empty()) continue;
      f.EditColour[k] = kGreen;
      total += static_cast<float>(vb::Val(edits[k]));
      f.EditCum[k] = total;
      f.EditCount = i;
    }
    if (f.EditCount != 0) drawForecastPicture(s);
  } catch (const std::exception&) {
    // The graph stays as it was.
  }
}

void drawForecastPicture(Session& s) {
  WizardForm& w = s.frmWizard;
  w.boxes["LabelForecast(17)"].Caption.clear();
  w.Picture = DrawForecast(w.Forecast, w.PictureWidth, w.PictureHeight);
}

void Picture1_MouseDown(Session& s, double x) {
  WizardForm& w = s.frmWizard;
  if (w.Forecast.HistoryCount == 0 && w.Forecast.EditCount == 0) return;
  w.boxes["LabelForecast(17)"].Caption = forecastReadout(w.Forecast, x, w.PictureWidth);
}

void forecastPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const char* const boxCaptions[] = {"Site_ID", "Datatype_Site_ID", "Site Name", "Time-Shift", "Latitude", "Longitude"};
  for (int i = 0; i < 6; ++i) b[boxId("LabelForecastBox", i)].Caption = boxCaptions[i];
  for (int i = 0; i <= 7; ++i) {
    b[box(i)];
    b.onChange(box(i), [&s, i] { txtForecast_Change(s, i); });
  }
  b.onChange("ComboForecast", [&s] { txtForecast_Change(s, 1); });
  b.onClick("ComboForecast", [&s] { txtForecast_Change(s, 1); });
  const std::pair<int, const char*> captions[] = {{0, "Forecast End Hour"}, {3, "Site Name"}, {10, "Rain Inches"},
                                                  {11, "Edit Inches"},      {12, "Total:"},    {15, "Total:"},
                                                  {19, "Days"}};
  for (const auto& [i, caption] : captions) b[boxId("LabelForecast", i)].Caption = caption;
  for (int i : {13, 14, 16, 17}) b[boxId("LabelForecast", i)];
  b["txtDays"].Text = "2";
  b["txtFhours"].Text = "6";
  for (const char* id : kEditColumns) b[id];
  b["txtHistoryForecast"];
  const std::pair<const char*, const char*> buttons[] = {{"cmdActual", "Actual NWS"},
                                                         {"cmdRefreshForecast", "Refresh Forecast"},
                                                         {"cmdSaveForecastFile", "Save File"},
                                                         {"cmdEditForecast", "Edit 6-Hour Forecast"},
                                                         {"Command1", "Save Edit"},
                                                         {"cmdReplaceForecast", "Replace Current Setup and Exit"}};
  for (const auto& [id, caption] : buttons) b[id].Caption = caption;
  b["Command1"].Enabled = false;
  b["chkWriteAllForecasts"].Caption = "Write to all forecasts";
  b.onClick("cmdActual", [&s] { cmdActual_Click(s); });
  b.onClick("cmdRefreshForecast", [&s] { cmdRefreshForecast_Click(s); });
  b.onClick("cmdSaveForecastFile", [&s] { cmdSaveForecastFile_Click(s); });
  b.onClick("cmdEditForecast", [&s] { cmdEditForecast_Click(s); });
  b.onClick("txtHistoryForecast", [&s] { txtHistoryForecast_MouseUp(s); });
  b.onChange("txtEditRain", [&s] { txtEditRain_Change(s); });
  b.onClick("txtEditRain", [&s] { txtEditRain_MouseUp(s); });
  b.onClick("Command1", [&s] { saveForecastEdit(s); });
  b.onClick("cmdReplaceForecast", [&s] { ReplaceSetupLine(s, s.frmWizard.boxes.text(box(6))); });
  registerPageMenu(s, "forecast", "FrameForecast", "NWS-Forecast Setup & Edit");
}

}  // namespace fw
