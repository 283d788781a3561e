#include "wizard/forecast_edit_save.h"

#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "platform/vb/math.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int16_t kForecastSource = 14;
constexpr int32_t kObjectClosed = 3704;  // the recordset holds no rows to save

struct SaveState {
  std::vector<std::string> lines;  // the edit lines 0..last
  int last = -1;
  int firstHour = 0;
  int16_t code5 = kForecastSource;
  std::string station;
  std::string dsid;
  std::string runId;
  int16_t trace = 0;
  bool modelRunPass = false;
  std::vector<std::string> stored;  // "rhour 06/05 14:00 (-11012)", one per row written
};

bool numericLine(const SaveState& st, int i) {
  return i >= 0 && i <= st.last && vb::IsNumeric(st.lines[static_cast<std::size_t>(i)]);
}

std::string sqlDate(double d, bool oneMinute) {
  return oneMinute ? vb::Format(d, "mm/dd/yyyy hh") + ":01" : vb::Format(d, "mm/dd/yyyy hh:mm");
}

std::string windowQuery(const Session& s, const std::string& table, const std::string& dsid, bool oneMinute) {
  const WizardForm& w = s.frmWizard;
  // A history edit's window lies before now.
  const double from = std::min(w.EditStart, w.EditEnd), to = std::max(w.EditStart, w.EditEnd);
  std::string sql = "select * from " + table + " datatype_site_id=" + dsid + " and date_time between #" +
                    sqlDate(from, oneMinute) + "# and #" + sqlDate(to, oneMinute) + "# order by date_time;";
  return s.Hdb2AposDates ? vb::Replace(sql, "#", "'") : sql;
}

db::AdoRecordset& reopen(Session& s, const std::string& sql) {
  db::AdoRecordset& rs = *s.frmWizard.WizardRs;
  if (rs.State() != db::adStateClosed) rs.Close();
  rs.Open(sql, *s.frmWizard.WizardCnn);
  return rs;
}

void noteStored(SaveState& st, const char* table, const vb::Variant& time) {
  st.stored.push_back(std::string(table) + " " + vb::Format(time.toDate(), "mm/dd hh:mm") + " (" + st.dsid + ")");
}

// The hourly pass over the open recordset, then the 5-minute pass over the same hours.
void savePasses(Session& s, SaveState& st) {
  db::AdoRecordset& rs = *s.frmWizard.WizardRs;
  rs.MoveFirst();
  st.dsid = rs.Value(0).toString();
  if (!isIntegerDsid(st.dsid)) throw vb::Error(vb::err::TypeMismatch, "The DSID " + st.dsid + " is no whole number.");
  const char* hourTable = st.modelRunPass ? "mhour" : "rhour";
  int i = editLineOfHour(vb::Hour(rs.Value(1).toDate()), st.firstHour);
  while (!rs.Eof() && i <= st.last) {
    const bool edited = numericLine(st, i);
    if (edited) {
      rs.Fields(2) = vb::Variant(vb::CDbl(st.lines[static_cast<std::size_t>(i)]));
      rs.Fields(3) = vb::Variant(kForecastSource);
    }
    ++i;
    rs.Update();
    if (edited) noteStored(st, hourTable, rs.Value(1));
    rs.MoveNext();
  }
  rs.Close();

  const std::string table = st.modelRunPass ? "munit where run_id=" + st.runId +
                                                  " and trace=" + std::to_string(st.trace) + " and "
                                            : std::string("runit where");
  const char* unitTable = st.modelRunPass ? "munit" : "runit";
  reopen(s, windowQuery(s, table, st.dsid, true));
  i = 0;
  int tracker = 0;
  if (!rs.Eof()) {
    tracker = vb::Hour(rs.Value(1).toDate());
    if (tracker > st.firstHour) i = tracker - st.firstHour;
  }
  while (!rs.Eof() && i <= st.last) {
    const vb::Variant source = rs.Value(3);
    const int16_t rowSource = source.isNull() ? int16_t{0} : source.toInteger();
    const bool edited = numericLine(st, i) && (rowSource > 13 || st.code5 == -14);
    if (edited) {
      const double twelfth = vb::CDbl(st.lines[static_cast<std::size_t>(i)]) / 12;
      rs.Fields(2) = vb::Variant(vb::Val(vb::Format(twelfth, "0.00000")));
      rs.Fields(3) = vb::Variant(st.code5);
    }
    const vb::Variant time = rs.Value(1);
    const int hour = vb::Hour(time.toDate());
    if (hour != tracker) {
      ++i;
      tracker = hour;
    }
    rs.Update();
    if (edited) noteStored(st, unitTable, time);
    rs.MoveNext();
  }
  rs.Close();
}

// The latest model run's rows of a "RUN-F" line, when a run is stored.
void modelRunPass(Session& s, SaveState& st) {
  st.modelRunPass = true;
  if (st.trace == 0) {
    db::AdoRecordset& rs = reopen(s, "SELECT run_id, traces, run_date FROM mrun ORDER BY run_date DESC;");
    if (!rs.Eof()) {
      st.runId = rs.Value(0).toString();
      st.trace = rs.Value(1).toInteger();
    }
    rs.Close();
  }
  if (st.trace <= 0 || !isIntegerDsid(st.runId)) return;
  db::AdoRecordset& rs = reopen(s, windowQuery(s,
                                               "mhour where run_id=" + st.runId + " and trace=" +
                                                   std::to_string(st.trace) + " and ",
                                               st.dsid, false));
  if (rs.Eof()) {
    rs.Close();
    return;
  }
  savePasses(s, st);
}

void saveLine(Session& s, SaveState& st) {
  st.modelRunPass = false;
  savePasses(s, st);
  if (vb::InStr(st.station, "RUN-F") > 0) modelRunPass(s, st);
}

}  // namespace

int firstEditHour(int firstRowHour) {
  return firstRowHour == 0 ? 23 : firstRowHour - 1;
}

int editLineOfHour(int hourOfDay, int firstHour) {
  const int h = hourOfDay == 0 ? 23 : hourOfDay - 1;
  return h > firstHour ? h - firstHour : 0;
}

void saveForecastEdit(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  StationGrid& grid = s.Form2.MSFlexGrid1;
  SaveState st;
  std::string error;
  try {
    // The line the wizard was opened on, whichever row the editor shows now.
    st.station = vb::UCase(vb::Trim(grid.TextMatrix(w.LoadedRow, 1)));
    const bool writeAll = b.ticked("chkWriteAllForecasts");
    int nextRow = w.LoadedRow + 1;
    const std::vector<std::string> parts = vb::Split(b.text("txtEditRain"), "\r\n");
    st.last = static_cast<int>(parts.size()) - 2;
    if (st.last < 0) return;
    st.lines.assign(parts.begin(), parts.end() - 1);
    if (!w.WizardRs || w.WizardRs->State() == db::adStateClosed)
      throw vb::Error(kObjectClosed, "Operation is not allowed when the object is closed.");
    db::AdoRecordset& rs = *w.WizardRs;
    rs.MoveFirst();
    st.firstHour = firstEditHour(vb::Hour(rs.Value(1).toDate()));
    st.code5 = vb::Val(b.text("txtFhours")) < 0 ? int16_t{-14} : kForecastSource;
    saveLine(s, st);
    while (writeAll && nextRow < grid.Rows()) {
      st.station = vb::UCase(vb::Trim(grid.TextMatrix(nextRow, 1)));
      if (vb::InStr(st.station, "FORECAST") == 0) break;
      const std::string dsid = vb::Trim(grid.TextMatrix(nextRow, 2));
      ++nextRow;
      const int n = static_cast<int>(std::abs(vb::Round(vb::Val(dsid))));
      if (n <= 9999 || n >= 12000 || !isIntegerDsid(dsid)) continue;
      db::AdoRecordset& lineRows = reopen(s, windowQuery(s, "rhour where", dsid, false));
      // A forecast line with no hours in the window has nothing to take.
      if (lineRows.Eof()) continue;
      saveLine(s, st);
    }
  } catch (const std::exception& e) {
    const auto* vbe = dynamic_cast<const vb::Error*>(&e);
    error = vbe ? vbe->description() : std::string(e.what());
  }
  if (!error.empty()) {
    // Rows written before the failure stay: the message says which they are.
    std::string text = error + "\r\n";
    text += st.stored.empty() ? std::string("No hour was stored.")
                              : "Stored before the failure: " + vb::Join(st.stored, ", ") + ".";
    s.ui.msgBox(text);
    return;
  }
  wizardQueryUnload(s, 1);
}

}  // namespace fw
