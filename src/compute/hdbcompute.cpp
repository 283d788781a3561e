#include "compute/hdbcompute.h"

#include <cmath>

#include "app/session.h"
#include "compute/staging_file.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

const char* const kCrLf = "\r\n";

EToComputeHook& etoHook() {
  static EToComputeHook hook;
  return hook;
}

[[noreturn]] void fail(const std::string& text) {
  throw vb::Error(vb::err::InvalidProcedureCall, text);
}

std::string rowDate(vb::VbDate d) {
  return vb::Format(d, "yyyy-mm-dd hh:mm");
}

// The one-input computation: the stored series (lagged) as rows for the formula, FILL rows after.
void oneInput(Session& s, SourceCall& c, const ComputeStation& st, const ComputeInputs& in) {
  if (s.form.Check6.Value == 0 && st.table == "RUNIT" && !askUnitValues(s, "Unit value computations")) {
    c.Error = "Canceled";
    return;
  }
  const bool fill = vb::InStr(vb::UCase(c.Triples[1].formula), "FILL") > 0;
  const ComputeInput& input = in.inputs.front();
  if (!isIntegerDsid(input.dsid)) fail("The input DSID is not a whole number: " + input.dsid);
  const double lag = input.lagMinutes;
  const int32_t firstRead = lag != 0 ? vb::CLng(c.FirstDay - lag / 1440) : c.FirstDay;

  const size_t keptSize = s.UnitSeries.size();
  s.UnitSeries.assign(std::max(keptSize, seriesRowsFor(st.table, firstRead, c.LastDay)), SeriesPoint{});
  int32_t count = 0;
  const std::string table = c.MrunLine ? st.modelTable : st.table;
  GetHDB(s, input.dsid, table, firstRead, c.LastDay, count, c.MrunLine ? 1 : 0, c.RunId, c.TraceNo, 0, 0);
  std::vector<SeriesPoint> pts;
  for (int32_t i = 1; i <= count; ++i) {
    SeriesPoint p = s.UnitSeries[static_cast<size_t>(i)];
    if (lag != 0) p.date = vb::roundToSecond(p.date + lag / 1440);
    pts.push_back(p);
  }
  s.UnitSeries.assign(keptSize, SeriesPoint{});
  if (st.table != "RUNIT" && pts.size() >= 2 && vb::Minute(pts.back().date) != 0) pts.pop_back();

  std::string rows;
  for (const SeriesPoint& p : pts) rows += "Z\t" + rowDate(p.date) + "\t" + vb::Str(p.value) + "\n";
  if (fill) {
    // Without a stored point there is no last value to extend.
    if (pts.empty()) vb::raise(vb::err::SubscriptOutOfRange);
    double gap = pts.size() >= 2 ? std::round((pts.back().date - pts[pts.size() - 2].date) * 1440) : 0;
    if (gap < 60) gap = 5;
    vb::VbDate t = pts.back().date;
    const int64_t endMinute = static_cast<int64_t>(c.LastDay) * 1440;
    while (std::llround(t * 1440) <= endMinute) {
      t = vb::roundToSecond(t + gap / 1440);
      rows += "Z\t" + rowDate(t) + "\t" + vb::PrintNumber(pts.back().value) + "\n";
    }
  }
  if (c.ValueColumns.empty()) c.ValueColumns.resize(1);
  c.ValueColumns[0] = 2;
  c.RetrievalText = writeStagingFile(s, StagingKind::Compute, "\n", rows);
  if (in.optionWord) EToComputeHandOff(s, c, in);
}

}  // namespace

void setEToComputeHook(EToComputeHook hook) {
  etoHook() = std::move(hook);
}

void EToComputeHandOff(Session& s, SourceCall& c, const ComputeInputs& inputs) {
  if (etoHook()) {
    etoHook()(s, c, inputs);
    return;
  }
  c.RetrievalText.clear();
  c.Error = "EToCompute: evapotranspiration from COMPUTE inputs is not available in this version.";
}

bool askUnitValues(Session& s, const std::string& title) {
  const std::string text = std::string("Write Unit Values was not checked.  Check it?... say yes!") + kCrLf +
                           "Unit computations may also need unit value inputs!";
  if (s.BatchMode) {
    s.errlog.writeLine(title + ": " + vb::Replace(text, kCrLf, " ") + " (batch run: not checked)");
    return true;
  }
  const MsgResult answer = s.ui.msgBox(text, MsgButtons::YesNoCancel, MsgIcon::Question, title);
  if (answer == MsgResult::Cancel) return false;
  if (answer == MsgResult::Yes) s.form.Check6.Value = 1;
  return true;
}

size_t seriesRowsFor(const std::string& table, double beginDay, double endDay) {
  const double days = std::max(1.0, std::floor(endDay) - std::floor(beginDay) + 2);
  const std::string t = vb::UCase(table);
  const double perDay = vb::Right(t, 3) == "DAY" ? 1 : vb::Right(t, 4) == "HOUR" ? 24 : 1440;
  return static_cast<size_t>(days * perDay) + 2;
}

void hdbcompute(Session& s, SourceCall& c) {
  const ComputeStation st = parseComputeStation(c.StationId);
  c.Error.clear();
  c.RetrievalText.clear();
  c.FillFlag = false;
  if (st.job != ComputeJob::Import && st.exportFlag) c.ParameterCode = c.Dsid;
  if (s.RealtimeMode) {
    c.LastDay += 1;
  } else {
    c.FirstDay = vb::CLng(vb::CDate(s.form.TextBegindate.Text));
    c.LastDay = vb::CLng(vb::CDate(s.form.TextEnddate.Text));
    if (st.job == ComputeJob::Export) c.LastDay += 1;
  }
  std::string context;
  try {
    switch (st.job) {
      case ComputeJob::Swmm:
        s.services.swmm->GetSWMM(s, c);
        return;
      case ComputeJob::Import:
        computeRequest(s, c, context);
        return;
      case ComputeJob::Export:
        computeExport(s, c, st);
        return;
      case ComputeJob::Compute:
        break;
    }
    const ComputeInputs in = parseComputeInputs(c.ParameterCode);
    if (in.inputs.empty()) fail("No input DSID in: " + c.ParameterCode);
    if (in.inputs.size() == 1)
      oneInput(s, c, st, in);
    else
      computeGrid(s, c, st, in, context);
  } catch (const vb::Error& e) {
    c.RetrievalText.clear();
    c.Error = e.description() + "  " + context;
  } catch (const std::exception& e) {
    c.RetrievalText.clear();
    c.Error = std::string(e.what()) + "  " + context;
  }
}

}  // namespace fw::compute
