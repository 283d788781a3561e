#include "run/radar_lines.h"

#include <algorithm>

#include "app/session.h"
#include "app/show_source.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/model_run.h"
#include "run/station_handler.h"
#include "store/model_run_tables.h"
#include "store/update_rows.h"

namespace fw {

namespace {

constexpr double kPieceDays = 1.0069444;  // a day and 10 minutes
constexpr int kPieceSleepMs = 10000;
constexpr const char* kLevel2Products = "N0BN0QNCQHRR";

int16_t radarDataType(int16_t datatypeCode, int16_t valueClass) {
  if (datatypeCode == 9 || datatypeCode == 32) return datatypeCode;
  if (valueClass == 10) return 10;
  return datatypeCode;
}

// The basin row of a station line of the pass.
RadarLineRow basinRow(const std::string& stationId, const std::string& dsid, const std::string& siteName,
                      int16_t dataType, const std::string& options, const std::string& shift1,
                      const std::string& formula1, bool modelRun) {
  RadarLineRow row;
  row.StationId = vb::UCase(stationId);
  row.Dsid = dsid;
  row.Label = siteName;
  row.DataType = dataType;
  row.Options = options;
  row.Inversion = vb::Trim(shift1);
  row.Adjustment = formula1;
  row.ModelRun = modelRun;
  return row;
}

// The mrun and mrundsid rows of a radar line that writes a model run.
void recordModelRun(Session& s, const std::string& dsid, const std::string& stationId, const std::string& siteName,
                    const std::string& options) {
  const std::string when = vb::Format(s.RunDateTime, "yyyy-mm-dd hh:nn");
  if (s.HdbUseDAO) {
    hdbmrunDAO(s, dsid, s.RunDateTime, stationId, "Run");
    hdbmrundsidDAO(s, dsid, 0, when, siteName, options);
  } else {
    hdbmrun(s, dsid, s.RunDateTime, stationId, "Run");
    hdbmrundsid(s, dsid, 0, when, siteName, options);
  }
}

// Takes the following lines of the same radar run into the pass: every next line whose Station_ID
// holds this line's (comment lines stepped over). Gives the number of lines taken or stepped over.
int32_t gatherLines(Session& s, RunContext& ctx, const LineState& line, std::vector<RadarLineRow>& rows,
                    std::vector<int32_t>& taken) {
  const int32_t last = std::min<int32_t>(s.StationRange.last, s.StationCount);
  for (int32_t i = line.StationIndex + 1; i <= last; ++i) {
    const std::string id = vb::UCase(s.StationTable(1, i));
    if (vb::InStr(id, "*") > 0) continue;
    if (line.StationId.empty() || vb::InStr(id, line.StationId) == 0) break;
    taken.push_back(i);
    ctx.StationLinesWalked.insert(i);
    const std::string dsid = vb::Replace(s.StationTable(2, i), " ", "");
    s.ModelRunWrite = ModelRunFlags{};
    s.MrunLine = false;
    std::string stationId = id;
    if (vb::InStr(id, "RUN-") > 0) mruncheck(s, stationId, s.RunDateTime, i);
    const bool modelRun = s.ModelRunWrite.modelRun != 0;
    const std::string options = vb::UCase(vb::Trim(s.StationTable(6, i)));
    if (modelRun) recordModelRun(s, dsid, stationId, s.StationTable(4, i), options);
    int16_t code = dsidDataType(dsid);
    rows.push_back(basinRow(id, dsid, s.StationTable(4, i), radarDataType(code, code == 10 ? 10 : 0), options,
                            s.StationTable(6, i), s.StationTable(7, i), modelRun));
  }
  // Comment lines after the last line taken stay for the walk.
  return taken.empty() ? 0 : taken.back() - line.StationIndex;
}

}  // namespace

bool isRadarRainLine(int16_t sourceType, const LineState& line) {
  if (sourceType != 9 && sourceType != 23 && sourceType != 24) return false;
  return line.DatatypeCode == 9 || line.DatatypeCode == 32 || line.ValueClass == 10;
}

RadarLineSetup radarLineSetup(int16_t sourceType, const std::string& stationId, std::string parameter,
                              const std::string& options) {
  RadarLineSetup r;
  if (vb::InStr(stationId, "HRR") > 0) parameter = "HRR-Ridge";
  if (vb::InStr(vb::UCase(parameter), "RIDGE") > 0) {
    parameter = vb::Left(parameter, 3);
    r.imageMode = vb::InStr(kLevel2Products, parameter) > 0 ? 2 : parameter == "A2M" ? 1 : 0;
  }
  if (parameter == "C0R" || parameter == "C0S") {
    r.canada = true;
    r.canadaColumn = parameter == "C0S" ? 1 : 0;
    r.label = "NEXRAD";
    r.icon = "Canada";
  } else {
    r.batchValue = 5.0f;
    r.label = "NEXRAD";
    r.icon = "Radar";
    if (sourceType == 23) r.label = r.icon = "MRMS-A2M";
    if (sourceType == 24) {
      parameter = "HRR";
      r.label = r.icon = "MRMS-HRRR";
      r.hrrrHours = static_cast<int32_t>(vb::Val(options));
    }
  }
  r.product = parameter;
  return r;
}

void applyRadarLegend(Session& s, const std::string& options, bool canada, int16_t canadaColumn) {
  auto& inUse = s.Level3Legend.RateInUse;
  if (vb::InStr(options, ",") > 0 && vb::InStr(options, "NOWCAST") == 0) {
    const std::vector<std::string> items = vb::Split(options, ",");
    for (size_t i = 1; i < items.size() && i < inUse.size(); ++i) inUse[i] = vb::Val(items[i]);
    return;
  }
  for (size_t i = 1; i <= 13 && i < inUse.size(); ++i)
    inUse[i] = canada ? s.CanadaLegendTable.Rate[static_cast<size_t>(canadaColumn)][i] : s.Level3Legend.Rate[i];
}

std::vector<RadarPiece> radarHistoryPieces(vb::VbDate begin, vb::VbDate end) {
  std::vector<RadarPiece> pieces;
  if (vb::Round((end - begin) * 24) <= 24) {
    pieces.push_back({begin, end});
    return pieces;
  }
  for (vb::VbDate t = begin; t < end - 1e-9; t += 1) pieces.push_back({t, std::min(t + kPieceDays, end)});
  return pieces;
}

Move radarLine(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  s.A2mRateLegend = 0;
  const std::string options = vb::UCase(vb::Trim(line.Triples[1].shift));
  const RadarLineSetup setup = radarLineSetup(ctx.SourceType, line.StationId, line.ParameterCode, options);
  s.RadarImageMode = setup.imageMode;
  s.RadarCanadaFlag = setup.canada;
  s.CanadaColumn = setup.canadaColumn;
  showsource(s, setup.label, setup.icon, caption);
  applyRadarLegend(s, options, setup.canada, setup.canadaColumn);
  if (!line.Triples[1].base.empty()) s.A2mRateLegend = vb::CInt(vb::Val(line.Triples[1].base));
  const bool newSite = vb::Left(line.StationId, 10) != s.PreviousRadarId || setup.product != s.PreviousRadarProduct;

  RadarCall call;
  call.SiteName = line.Site_Name;
  call.StationId = line.StationId;
  call.Product = setup.product;
  call.Dsid = line.Dsid;
  call.UnitText = line.UnitText;
  call.ConnectionStatus = ctx.RadarConnectionStatus;
  call.BatchValue = setup.batchValue;
  call.NewSite = newSite ? -1 : 0;
  call.Triples = line.Triples;
  call.ValueClass = radarDataType(line.DatatypeCode, line.ValueClass);
  call.HourShift = line.HourShift;
  call.HrrrHours = setup.hrrrHours;

  const bool modelRun = s.ModelRunWrite.modelRun != 0;
  if (modelRun) recordModelRun(s, line.Dsid, line.StationId, line.Site_Name, options);
  call.Rows.push_back(basinRow(line.StationId, line.Dsid, line.Site_Name, call.ValueClass, options,
                               line.Triples[1].shift, line.Triples[1].formula, modelRun));
  std::vector<int32_t> taken;
  const ModelRunFlags firstLine = s.ModelRunWrite;
  const bool firstMrun = s.MrunLine;
  line.GatheredLines = gatherLines(s, ctx, line, call.Rows, taken);
  s.ModelRunWrite = firstLine;
  s.MrunLine = firstMrun;

  if (ctx.RadarConnectionStatus == -8 && newSite) {
    line.StationError = kServiceDownText;
  } else {
    const int64_t before = s.RowsStored;
    if (s.RealtimeMode) {
      s.services.radar->radarrainupdate(s, call);
    } else {
      const vb::VbDate begin = vb::CDate(s.form.TextBegindate.Text);
      const vb::VbDate end = vb::CDate(s.form.TextEnddate.Text);
      const std::vector<RadarPiece> pieces = radarHistoryPieces(begin, end);
      std::string errors;
      for (size_t k = 0; k < pieces.size(); ++k) {
        call.WindowBegin = pieces[k].begin;
        call.WindowEnd = pieces[k].end;
        s.services.radar->radarrainupdate(s, call);
        if (!call.Error.empty()) errors += (errors.empty() ? "" : " ") + call.Error;
        if (k + 1 < pieces.size()) s.clock.sleepMs(kPieceSleepMs);
      }
      call.Error = errors;
    }
    ctx.RadarConnectionStatus = call.ConnectionStatus;
    if (s.RowsStored > before)
      for (int32_t i : taken) ctx.StationLinesStored.insert(i);
    line.StationError = call.Error;
  }

  s.PreviousRadarId = vb::Left(line.StationId, 10);
  s.PreviousRadarProduct = setup.product;
  if (setup.product != "HRR") {
    s.CurrentRadarProduct = setup.product;
    s.CurrentRadarSite = vb::Right(s.PreviousRadarId, 3);
  }
  if (line.StationError.empty()) line.CloseDirectly = true;
  return Move::endStation();
}

}  // namespace fw
