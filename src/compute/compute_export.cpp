// PUT lines of the COMPUTE source: the line's own stored series goes to a HEC-DSS file or to a
// rain-gauge text file (station, date, value); nothing is stored.
#include <cmath>

#include "app/session.h"
#include "common/log_files.h"
#include "common/paths.h"
#include "compute/hdbcompute.h"
#include "platform/script/script_control.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

const char* const kCrLf = "\r\n";

// The rain-gauge file: header, then gauge name, " yyyy mm dd hh mm " and the value, CR LF each.
void writeGaugeFile(Session& s, SourceCall& c, const ComputeStation& st, const std::string& target,
                    const std::vector<SeriesPoint>& pts, const std::string& firstInput) {
  std::string name = FileNameOnly(target);
  const int dot = vb::InStr(name, ".");
  if (dot > 0) name = vb::Left(name, dot - 1);
  const std::string type = vb::UCase(c.DatatypeName);
  const bool intens = vb::InStr(type, "INTENS") > 0;
  const bool cumu = vb::InStr(type, "CUMU") > 0;
  const double factor = st.table == "RUNIT" ? (s.CanadaSite ? 6 : 12) : 1;
  std::string text = "; " + st.table + "; " + firstInput + "; " + c.DatatypeName + ";" + c.UnitText + ";" +
                     c.SiteName + "; " + vb::Format(static_cast<vb::VbDate>(c.FirstDay), "yyyy-mm-dd hh:mm") +
                     "to " + vb::Format(static_cast<vb::VbDate>(c.LastDay), "yyyy-mm-dd hh:mm") + kCrLf;
  double total = 0;
  for (const SeriesPoint& p : pts) {
    std::string value;
    if (cumu) {
      total += p.value;
      value = vb::FormatNumber(total, "0.00000");
    } else if (intens) {
      value = vb::FormatNumber(p.value * factor, "0.0000");
    } else {
      value = vb::CStr(p.value);
    }
    text += name + vb::Format(p.date, " yyyy mm dd hh nn ") + value + kCrLf;
  }
  CheckFileClosed(s, target);
  vb::writeAllBytes(target, text);  // replaced in one step
}

}  // namespace

void computeExport(Session& s, SourceCall& c, const ComputeStation& st) {
  if (s.form.Check6.Value == 0 && st.table == "RUNIT" && !askUnitValues(s, "Unit value computations")) {
    c.Error = "Canceled";
    return;
  }
  const std::string shift = c.Triples[1].shift;
  if (vb::Trim(shift).empty()) throw vb::Error(vb::err::FileNotFound, "No export file in shift1");
  const std::string target =
      vb::InStr(shift, "\\") > 0 || vb::InStr(shift, "/") > 0 ? shift : s.inProgramFolder(shift).string();
  const bool dss = vb::UCase(vb::Right(target, 4)) == ".DSS";
  const ComputeSettings set = parseComputeSettings(c.DatatypeCode, c.Triples[1]);
  int32_t begin = c.FirstDay;
  if (dss && set.lookbackDays != 0) begin -= set.lookbackDays;

  const ComputeInput input = parseComputeInput(c.ParameterCode);
  if (!isIntegerDsid(input.dsid))
    throw vb::Error(vb::err::TypeMismatch, "The DSID is not a whole number: " + input.dsid);
  const size_t keptSize = s.UnitSeries.size();
  const int32_t firstRead = input.lagMinutes != 0 ? vb::CLng(begin - input.lagMinutes / 1440) : begin;
  s.UnitSeries.assign(std::max(keptSize, seriesRowsFor(st.table, firstRead, c.LastDay)), SeriesPoint{});
  int32_t count = 0;
  GetHDB(s, input.dsid, c.MrunLine ? st.modelTable : st.table, firstRead, c.LastDay, count,
         c.MrunLine ? 1 : 0, c.RunId, c.TraceNo, 1, 0);
  std::vector<SeriesPoint> pts;
  for (int32_t i = 0; i <= count && count >= 0 && static_cast<size_t>(i) < s.UnitSeries.size(); ++i) {
    SeriesPoint p = s.UnitSeries[static_cast<size_t>(i)];
    if (count == 0 && p.date == 0) break;
    if (input.lagMinutes != 0) p.date = vb::roundToSecond(p.date + input.lagMinutes / 1440);
    pts.push_back(p);
  }
  s.UnitSeries.assign(keptSize, SeriesPoint{});
  if (st.table != "RUNIT" && pts.size() > 2 && vb::Minute(pts.back().date) != 0) pts.pop_back();
  c.Error = "OK";

  if (!dss) {
    writeGaugeFile(s, c, st, target, pts, input.dsid);
    return;
  }
  // HEC-DSS: the points on a regular grid from the begin day, gaps as 0 (or the formula's value).
  DssWriteCall w;
  w.target = target;
  w.start = begin;
  w.key = c.DatatypeName + ";" + c.UnitText + ";" + c.SiteName + ";" +
          vb::CStr(static_cast<int32_t>(c.DatatypeCode)) + ";" + c.SiteState + ";" + c.Dsid;
  w.table = st.table;
  w.newFile = vb::Val(c.Triples[1].base) == 0;
  int32_t step = 1440;
  if (st.table == "RHOUR") step = 60;
  if (st.table == "RUNIT") {
    step = pts.size() >= 3 ? static_cast<int32_t>(std::llround((pts[2].date - pts[1].date) * 1440))
                           : st.stepMinutes;
    if (st.stepMinutes > 5) step = st.stepMinutes;
  }
  if (step <= 0) vb::raise(vb::err::DivisionByZero);
  const size_t slots =
      std::max(pts.size(), static_cast<size_t>(std::llround((c.LastDay - begin) * 1440.0 / step + 1)));
  std::vector<float> values(slots + 1, 0.0f);
  const std::string formula = c.Triples[1].formula;
  const bool useFormula = vb::Len(formula) > 2 && vb::InStr(vb::UCase(formula), "LOOKBACK") == 0;
  auto apply = [&](float v) -> float {
    if (!useFormula) return v;
    ScriptControl& sc = s.form.ScriptControl1;
    sc.AddCode("P1=" + vb::CStr(v));
    return static_cast<float>(sc.Eval(formula).toDouble());
  };
  // Slot j stands at time t; a gap before a point gets 0 (or the formula's value of 0).
  int64_t t = static_cast<int64_t>(begin) * 1440;
  size_t j = 0;
  for (const SeriesPoint& p : pts) {
    const int64_t pm = std::llround(p.date * 1440);
    if (st.stepMinutes > 5 && st.table == "RUNIT" && pm % st.stepMinutes != 0) continue;
    while (pm > t + 1 && j < slots) {
      values[j++] = apply(0.0f);
      t += step;
    }
    if (j >= slots) break;
    values[j++] = apply(static_cast<float>(p.value));
    t = pm + step;
  }
  values.resize(j);
  w.values = values;
  w.count = static_cast<int32_t>(j);
  w.stepMinutes = step;
  s.services.dss->WriteDssSeries(s, w);
  if (!w.error.empty()) c.Error = w.error;
}

}  // namespace fw::compute
