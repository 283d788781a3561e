#include "run/line_kinds.h"

#include "app/session.h"
#include "platform/script/script_control.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/box_numbers.h"
#include "run/links.h"
#include "run/sql_guard.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

// Raised when a line's text may not go into SQL; the line fails with the description.
[[noreturn]] void refuse(const std::string& what) {
  throw vb::Error(vb::err::InvalidProcedureCall, what);
}

void checkDsid(const std::string& dsid, const char* who) {
  if (!isIntegerDsid(dsid)) refuse(std::string(who) + ": DSID \"" + dsid + "\" is not a whole number.");
}

void checkTable(const std::string& table, const char* who) {
  if (!isSeriesTable(table))
    refuse(std::string(who) + ": table \"" + table + "\" is not an HDB series table.");
}

bool isConditionLine(const std::string& id) {
  return vb::Left(id, 3) == "SET" || id == "IF";
}

}  // namespace

void readLineHead(LineState& line) {
  const std::string& raw = line.field(1);
  line.StationId = vb::UCase(raw);
  if (vb::Left(line.StationId, 5) == "SHELL") line.StationId = "SHELL" + vb::Mid(raw, 6);
  line.Dsid = vb::Replace(line.field(2), " ", "");
  line.DsidList = vb::InStr(line.Dsid, ",") > 0 ? line.Dsid : std::string();
  line.Datatype_Name = line.field(3);
  line.Site_Name = line.field(4);
  line.SiteNumber = vb::CInt(vb::Val(vb::Right(line.Dsid, 3)));
}

std::optional<Move> lineKinds(Session& s, RunContext& ctx, LineState& line) {
  if (vb::InStr(vb::UCase(line.field(1)), "*") > 0) return Move::nextLine();  // a comment
  readLineHead(line);
  ctx.ConditionResult = 0;

  if (isConditionLine(line.StationId)) {
    if (s.ParamSelector != 0) return Move::nextLine();
    if (s.RealtimeMode) {
      const std::string& table = line.field(5);
      const std::string& options = line.field(6);
      const std::string& condition = line.field(7);
      int32_t startDay = static_cast<int32_t>(s.RunDay) - leadingLong(s.form.Text2.Text);
      int32_t endDay = static_cast<int32_t>(s.RunDay) + ctx.settings.FutureDays;

      if (line.StationId != "IF") {  // a SET line
        if (s.BatchMode)
          setbatchinterval(s, line.Dsid, table, options, condition, line.field(9), line.field(10));
        return Move::nextLine();
      }

      int16_t skip = ifskipcheck(s, ctx, line.Dsid, table, startDay, endDay, options, condition);
      ctx.ConditionResult = skip;
      LogPane& pane = s.form.Text1;
      pane.append(line.Datatype_Name + "  " + line.StationId + "  " + line.Dsid + kCrLf + table + " " +
                  condition + " ");
      if (vb::InStr(options, "PARAM") == 0) {
        pane.append((skip == 0 ? std::string("SKIP-FALSE") : options) + kCrLf);
        return skip == 0 ? Move::nextLine() : Move::skipLines(skip);
      }
      s.ParamSelector = skip;
      pane.append((skip == 0 ? std::string("PARAM-FALSE") : options) + kCrLf);
      return Move::nextLine();
    }
    // In history mode a condition line goes on as a station line.
  }

  if (!ctx.settings.OneStationSdid.empty() && ctx.settings.OneStationSdid != line.Dsid &&
      ctx.SnowFollowStep == 0)
    return Move::nextLine();
  return std::nullopt;
}

int16_t skipCount(int16_t r, const std::string& options) {
  if (vb::InStr(vb::UCase(options), "NO") > 0) r = vb::addInteger(r, 1);
  int dash = vb::InStr(options, "-");
  if (r == 0 || dash == 0) return 0;
  int16_t n = vb::CInt(vb::Val(vb::Mid(options, dash + 1)));
  return n < 0 ? int16_t{0} : n;
}

// The lines a condition passes over when it holds, whatever "NO" asks; none for a PARAM line.
static int16_t guardedLines(const std::string& options) {
  if (vb::InStr(options, "PARAM") > 0) return 0;
  int dash = vb::InStr(options, "-");
  if (dash == 0) return 0;
  int16_t n = vb::CInt(vb::Val(vb::Mid(options, dash + 1)));
  return n < 0 ? int16_t{0} : n;
}

int16_t ifskipcheck(Session& s, RunContext& ctx, const std::string& dsid, const std::string& table,
                    int32_t& startDay, int32_t endDay, const std::string& options,
                    const std::string& condition) {
  int16_t r = 0;
  if (vb::InStr(vb::UCase(dsid), "ALERT") > 0) {
    r = ctx.IssuedAlerts.empty() ? vb::False : vb::True;
    return skipCount(r, options);
  }

  ScriptControl& script = scriptControl(s);
  script.Reset();
  if (dsid != "0") {
    checkDsid(dsid, "IF/SKIP check");
    checkTable(table, "IF/SKIP check");
    std::string sql;
    if (vb::LCase(table) == "rdaymax") {
      sql = "SELECT MAX(value) as maxrday FROM " + table + " where datatype_site_id=" + dsid +
            " and date_time between #" + vb::Format(static_cast<vb::VbDate>(startDay), "mm/dd/yyyy") +
            "# and #" + vb::Format(static_cast<vb::VbDate>(endDay), "mm/dd/yyyy") + "#;";
    } else {
      // The day asked for is the window's first, unless the station was updated since: then the
      // day its rupdate row names.
      UpdateRow row = lastUpdate(s, dsid);
      int32_t day = startDay;
      if (static_cast<int32_t>(vb::Int(row.updated)) >= startDay) {
        day = static_cast<int32_t>(vb::Int(row.value));
        if (day == 0) day = startDay;
      }
      sql = "SELECT value FROM " + table + " where datatype_site_id=" + dsid + " and date_time= #" +
            vb::Format(static_cast<vb::VbDate>(day), "mm/dd/yyyy") + "#;";
    }
    QueryResult q = runSelect(s, sql);
    double value = 0;
    if (q.failed) {
      // A read that failed (a database locked past the busy timeout, say) tells nothing about
      // the row: the lines the condition guards are passed over rather than run on a value
      // nobody read, and the line counts as a bad station.
      closeSelect(s);
      s.LastError = dsid + " could not be read for IF/SKIP check, its lines are skipped: " + s.LastError;
      s.errlog.writeLine(s.LastError);
      s.form.Text1.append(s.LastError + kCrLf);
      ctx.BadStationCount = vb::addInteger(ctx.BadStationCount, 1);
      ctx.RunErrorText += kCrLf + s.LastError;
      return guardedLines(options);
    }
    if (q.eof) {
      s.LastError = dsid + " missing for IF/SKIP check, zero used.";
      s.errlog.writeLine(s.LastError);
      s.form.Text1.append(s.LastError + kCrLf);
    } else if (!q.first.isNull()) {
      value = q.first.toDouble();
    }
    script.AddCode("P1=" + vb::CStr(value));
    closeSelect(s);
  }
  if (vb::InStr(condition, "D") > 0) script.AddCode("D=" + vb::CStr(s.RunDateTime));
  r = script.Eval(condition).toInteger();
  return skipCount(r, options);
}

RuleWindow ruleWindow(const std::string& offsetAndTable, vb::VbDate lastRunStart, int32_t batchInterval) {
  RuleWindow w;
  double offset = vb::Val(offsetAndTable);
  int comma = vb::InStr(offsetAndTable, ",");
  w.table = comma > 0 ? vb::LCase(vb::Trim(vb::Mid(offsetAndTable, comma + 1))) : std::string();
  if (vb::InStr(w.table, "day") > 0) w.unit = "d";
  if (vb::InStr(w.table, "hour") > 0) w.unit = "h";
  if (vb::InStr(w.table, "unit") > 0) w.unit = "n";
  if (offset <= 0) {
    w.begin = vb::DateAdd(w.unit, vb::Round(offset), lastRunStart);
    w.end = lastRunStart;
  } else if (w.unit == "d") {
    w.begin = lastRunStart;
    w.end = vb::DateAdd("d", vb::Round(offset), lastRunStart);
  } else {
    w.begin = vb::DateAdd("n", -static_cast<double>(batchInterval), lastRunStart);
    offset += w.unit == "h" ? batchInterval / 60.0 : static_cast<double>(batchInterval);
    w.end = vb::DateAdd(w.unit, vb::Round(offset), lastRunStart);
  }
  return w;
}

void setbatchinterval(Session& s, const std::string& dsid, const std::string& offsetAndTable,
                      const std::string& intervalA, const std::string& condition1,
                      const std::string& intervalB, const std::string& condition2) {
  if (vb::Val(intervalA) == 0 || vb::Val(intervalB) == 0) return;
  try {
    RuleWindow w = ruleWindow(offsetAndTable, s.LastRunStart, s.BatchInterval);
    checkDsid(dsid, "Batch interval rule");
    checkTable(w.table, "Batch interval rule");
    std::string sql = "SELECT value FROM " + w.table + " where datatype_site_id=" + dsid +
                      " and date_time between #" + vb::Format(w.begin, "mm/dd/yyyy hh:mm") + "# and #" +
                      vb::Format(w.end, "mm/dd/yyyy hh:mm") + "#;";
    QueryResult q = runSelect(s, sql, -99);
    if (q.largest < -9) {  // no rows, or only missing values
      closeSelect(s);
      return;
    }
    const std::string p1 = vb::CStr(q.largest);
    ScriptControl& script = scriptControl(s);
    script.Reset();
    script.AddCode("P1=" + p1);
    closeSelect(s);
    int32_t interval = s.BaseBatchInterval;
    if (script.Eval(condition1).toInteger() != 0)
      interval = leadingLong(script.Eval(condition2).toInteger() != 0 ? intervalB : intervalA);
    if (interval != s.BatchInterval) {
      s.form.Text5.Text = vb::CStr(interval);
      s.BatchInterval = interval;
      s.NextRunTime = vb::DateAdd("n", interval, s.LastRunStart);
      s.errlog.writeLine(s.form.Text5.Text + " minute batch interval max " + p1);
    }
    s.form.Text1.append(std::string(kCrLf) + dsid + " Batch " + s.form.Text5.Text + " minutes " + kCrLf +
                        condition1 + condition2 + " P1=" + p1 + kCrLf);
  } catch (const vb::Error& e) {
    s.LastError = e.description();
  }
}

}  // namespace fw
