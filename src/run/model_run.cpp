#include "run/model_run.h"

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/links.h"

namespace fw {

void modelRunDestination(Session& s, LineState& line) {
  s.CanadaSite = false;
  s.ModelRunWrite = {};
  s.MrunLine = false;
  line.ComputeFlag = false;
  if (vb::InStr(vb::UCase(line.StationId), "RUN-") > 0) {
    mruncheck(s, line.StationId, s.RunDateTime, line.StationIndex);
    s.ModelRunTime = vb::Format(s.RunDateTime, "yyyy-mm-dd hh:mm");
  }
}

void mruncheck(Session& s, std::string& id, vb::VbDate runDateTime, int32_t lineIndex) {
  int p = vb::InStr(id, "-") + 1;
  if (s.form.chkMtablesOff.ticked()) {
    id = vb::Mid(id, p);
    s.ModelRunWrite = {};
    return;
  }
  s.RunId = vb::CInt(vb::Val(vb::Mid(id, p)));
  int c = vb::InStr(id, "CAST-NWS") > 0 ? 0 : vb::InStr(id, ",");
  if (s.RunId == 0 || c != 0) {
    // The run id from the run date; the next trace of that run.
    s.RunId = vb::CInt(vb::Val(vb::Format(runDateTime, "y")));
    if (s.TraceNo == 0) {
      QueryResult q =
          runSelect(s, "SELECT traces FROM mrun where run_id= " + vb::CStr(int32_t{s.RunId}) + ";");
      if (!q.failed)
        s.TraceNo =
            q.eof ? int16_t{1} : vb::addInteger(q.first.isNull() ? int16_t{0} : q.first.toInteger(), 1);
      closeSelect(s);
    }
    s.ModelRunWrite.saveHour = vb::True;
    if (c != 0) s.ModelRunWrite.saveHour = vb::fromBool(SaveRunTime(s, id, lineIndex));
    if (s.ModelRunWrite.saveHour != 0) s.ModelRunWrite.modelRun = vb::True;
  } else {
    // "RUN-<run id>-<trace>-<station id>"
    int q = vb::InStr(p, id, "-") + 1;
    s.TraceNo = vb::CInt(vb::Val(vb::Mid(id, q)));
    p = vb::InStr(q, id, "-") + 1;
    s.ModelRunWrite.modelRun = vb::True;
  }
  if (vb::InStr(id, "MRUN-") > 0) s.MrunLine = true;
  id = vb::Mid(id, p);
}

bool SaveRunTime(Session& s, std::string& id, int32_t lineIndex) {
  const int h = vb::Hour(s.LastRunStart);
  std::vector<std::string> parts = vb::Split(id, "-");
  std::string hours = parts.size() > 1 ? parts[1] : std::string();
  std::string stripped = parts.empty() ? std::string() : parts[0];
  for (size_t i = 2; i < parts.size(); ++i) stripped += "-" + parts[i];
  id = stripped;
  if (!s.BatchMode) return true;

  if (lineIndex < 0 || static_cast<size_t>(lineIndex) >= s.LastSavedHour.size())
    vb::raise(vb::err::SubscriptOutOfRange);
  int16_t& lastSaved = s.LastSavedHour[static_cast<size_t>(lineIndex)];
  for (const std::string& entry : vb::Split(hours, ",")) {
    if (vb::Int(vb::Val(entry)) == h && lastSaved != h) {
      lastSaved = static_cast<int16_t>(h);
      if (vb::InStr(id, "FORECAST") > 0) s.ForecastHoldUntil = vb::DateAdd("n", -26, s.LastRunStart);
      return true;
    }
  }
  return false;
}

}  // namespace fw
