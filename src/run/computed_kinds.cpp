#include "run/computed_kinds.h"

#include <exception>

#include "app/session.h"
#include "app/show_source.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "run/dispatch.h"
#include "run/sql_guard.h"
#include "store/connection.h"

namespace fw {

namespace {

void setColumn(std::vector<int16_t>& columns, size_t i, int16_t value) {
  if (columns.size() <= i) columns.resize(i + 1, 0);
  columns[i] = value;
}

// Runs one routine of the run services on the line's call and takes its results back.
template <typename Fn>
void callRoutine(Session& s, RunContext& ctx, LineState& line, SourceCall& c, Fn fn) {
  try {
    callSourceRoutine(s, c, fn);
  } catch (const std::exception& e) {
    if (c.Error.empty()) c.Error = e.what();
  }
  ctx.RetrievalText = std::move(c.RetrievalText);
  line.StationError = c.Error;
  line.FirstDay = c.FirstDay;
  line.LastDay = c.LastDay;
  line.HourShift = c.HourShift;
  line.WindDirSeries = c.WindDirSeries;
  line.WindDegrees = c.WindDegrees;
}

// Four passes over one snowmelt line: the first computes and reads the melt (field 2); the later
// ones read SWE, snow age and albedo (fields 3, 4, 5) from the same text under their own DSIDs.
std::optional<Move> snowmelt(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  showsource(s, "HDB Snowmelt", "Snow", caption);
  if (ctx.SnowFollowStep == 0) {
    SourceCall c = sourceCallFor(s, ctx, line);
    callRoutine(s, ctx, line, c, [&](SourceCall& call) { s.services.computations->Snowcalc(s, call); });
    if (!line.StationError.empty()) {
      ctx.RetrievalText.clear();
      return Move::endStation();
    }
    ctx.SnowmeltParameters = line.ParameterCode;
    ctx.SnowFollowStep = 1;
    ctx.RepeatLine = true;
    ctx.ValueFieldIndex = 2;
    line.ParameterCode.clear();
  } else {
    ctx.ValueFieldIndex = static_cast<int16_t>(ctx.ValueFieldIndex + 1);
    line.ValueClass = 9;
    ctx.SnowFollowStep = static_cast<int16_t>(ctx.SnowFollowStep + 1);
    if (ctx.SnowFollowStep == 4) ctx.SnowFollowStep = 0;
    ctx.RepeatLine = ctx.SnowFollowStep != 0;
  }
  line.Triples[1].shift.clear();
  line.DateFieldIndex = 1;
  return std::nullopt;
}

// The stored value of a total-precipitation forecast, which the new forecast values add onto.
double storedForecastBase(Session& s, const std::string& dsid) {
  if (!isIntegerDsid(dsid)) return 0;
  std::string sql = "select value from rupdate where datatype_site_id=" + dsid + ";";
  bool atEnd = true;
  vb::Variant first, second;
  double largest = 0;
  GetCurrentCNNsql(s, sql, atEnd, first, largest, second);
  const double base = atEnd || first.isNull() ? 0 : first.toDouble();
  CloseCNNrs(s);
  return base;
}

// A point forecast for the line's "Lat,Long": lines for one place share one download.
std::optional<Move> pointForecast(Session& s, RunContext& ctx, LineState& line, SourceCall& c) {
  if (s.RealtimeMode && line.ValueClass == 9) line.ForecastBase = storedForecastBase(s, line.Dsid);
  if (s.RunDateTime < s.ForecastHoldUntil && !s.form.chkForecastOverwrite.ticked()) {
    s.form.Text1.append("No new forecast\r\n");
    return Move::endStation();
  }
  line.ShiftAside = line.Triples[1].shift;
  if (line.HourShift == 0) line.HourShift = vb::Val(line.Triples[1].base);
  line.Triples[1].base = "-100";
  line.Triples[1].shift = "0";
  line.ParameterTotal = 1;
  if (vb::InStr(line.ShiftAside, ",") > 0) {
    const std::vector<std::string> parts = vb::Split(line.ShiftAside, ",");
    ctx.RequestKey = vb::Trim(parts[0]) + vb::Trim(parts[1]);
  }
  if (ctx.RequestKey != ctx.RetrievalCacheId) ctx.RetrievalText.clear();
  ctx.RetrievalCacheId = ctx.RequestKey;
  c = sourceCallFor(s, ctx, line);
  c.RetrievalText = std::move(ctx.RetrievalText);
  callRoutine(s, ctx, line, c, [&](SourceCall& call) { s.services.retrievers->GetNWSForecast(s, call); });
  ctx.ValueFieldIndex = c.ValueFieldIndex;
  return std::nullopt;
}

std::optional<Move> forecast(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  line.ForecastBase = 0;
  if (ctx.SourceType == 18) showsource(s, "FORECAST", "NWS", caption);
  SourceCall c;
  if (vb::InStr(line.StationId, ",") == 0) {
    if (auto move = pointForecast(s, ctx, line, c)) return move;
  } else if (ctx.SourceType == 18) {
    ctx.RetrievalCacheId.clear();
    ctx.RetrievalText.clear();
    c = sourceCallFor(s, ctx, line);
    callRoutine(s, ctx, line, c, [&](SourceCall& call) { s.services.retrievers->GetNWPSForecast(s, call); });
    ctx.ValueFieldIndex = 2;
  } else {
    showsource(s, "SNOWCAST", "nohrsc2", caption);
    if (ctx.SnowFollowStep == 0) {
      c = sourceCallFor(s, ctx, line);
      c.DsidList = line.DsidList.empty() ? line.Dsid : line.DsidList;
      callRoutine(s, ctx, line, c, [&](SourceCall& call) { s.services.retrievers->Snowcast(s, call); });
      if (line.StationError == "Skip") {
        line.StationError.clear();
        line.CloseDirectly = true;
        return Move::endStation();
      }
      if (!line.StationError.empty()) return Move::endStation();
      ctx.ValueFieldIndex = 2;
      setColumn(line.ValueColumns, 1, 3);
      if (line.Triples[1].formula.empty()) {
        ctx.SnowFollowStep = 1;
        ctx.RepeatLine = true;
        line.ParameterCode.clear();
      }
    } else {
      ctx.ValueFieldIndex = 3;
      ctx.SnowFollowStep = 0;
    }
  }
  if (!line.StationError.empty()) return Move::endStation();
  line.DateFieldIndex = 1;
  setColumn(line.ValueColumns, 0, ctx.ValueFieldIndex);
  if (line.WindDirSeries) setColumn(line.ValueColumns, 1, 6);
  return std::nullopt;
}

}  // namespace

bool isComputedKind(int16_t sourceType) {
  return sourceType == 12 || sourceType == 18 || sourceType == 28;
}

std::optional<Move> computedKind(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  if (ctx.SourceType == 12) return snowmelt(s, ctx, line, caption);
  return forecast(s, ctx, line, caption);
}

}  // namespace fw
