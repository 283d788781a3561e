#include "run/station_road.h"

#include <algorithm>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/box_numbers.h"
#include "run/line_kinds.h"
#include "run/model_run.h"
#include "run/source_type.h"

namespace fw {

namespace {

// Why a line of a kind that this version cannot handle yet fails.
const char* unhandledKind(int16_t type) {
  switch (type) {
    case 9:
    case 23:
    case 24:
      return "Radar lines are not handled in this version.";
    case 12:
      return "Snowmelt lines are not handled in this version.";
    case 16:
      return "Shell model lines are not handled in this version.";
    case 18:
      return "Forecast lines are not handled in this version.";
    case 28:
      return "Snow model lines are not handled in this version.";
    default:
      return nullptr;
  }
}

SourceCall makeCall(const Session& s, const RunContext& ctx, const LineState& line) {
  SourceCall c;
  c.SourceType = ctx.SourceType;
  c.StationId = line.StationId;
  c.ParameterCode = line.ParameterCode;
  c.ParameterCodes = line.ParameterCodes;
  c.ParameterCount = line.ParameterCount;
  c.DatatypeCode = line.DatatypeCode;
  c.DayCount = line.WindowDays;
  c.FirstDay = line.FirstDay;
  c.LastDay = line.LastDay;
  c.Triples = line.Triples;
  c.Dsid = line.Dsid;
  c.DatatypeName = line.Datatype_Name;
  c.SiteName = line.Site_Name;
  c.SiteText = line.SiteText;
  c.RetrievalCacheId = ctx.RetrievalCacheId;
  c.UnitValues = s.UnitValues;
  c.MrunLine = s.MrunLine;
  c.RunId = s.RunId;
  c.TraceNo = s.TraceNo;
  c.HourShift = line.HourShift;
  c.ValueColumns = line.ValueColumns;
  c.FormulaUsesN = line.FormulaUsesN;
  c.SnotelStop = ctx.SnotelStop;
  c.HeldText = ctx.HeldText;
  return c;
}

// A new station empties the cached download; the same station again reuses it, unless the
// earlier download had no data (then it is not repeated and the line ends quietly).
bool reuseRule(RunContext& ctx, const LineState& line, bool full) {
  if (line.StationId != ctx.RetrievalCacheId) {
    ctx.RetrievalText.clear();
    if (full) ctx.RetrievalCacheId = line.StationId;
    return true;
  }
  return !(full && ctx.PreviousLineCount < 3);
}

}  // namespace

LineState readStationLine(const Session& s, int32_t index) {
  LineState line;
  line.StationIndex = index;
  const int columns = s.StationTable.columns();
  line.fields.resize(static_cast<size_t>(std::max(columns, 1)));
  for (int k = 0; k < columns; ++k) line.fields[static_cast<size_t>(k)] = s.StationTable(k, index);
  for (int n = 1; n <= 5; ++n) {
    line.Triples[static_cast<size_t>(n)] = {line.field(3 * n + 2), line.field(3 * n + 3),
                                            line.field(3 * n + 4)};
  }
  return line;
}

Move stationRoad(Session& s, RunContext& ctx, LineState& line) {
  if (auto move = lineKinds(s, ctx, line)) return *move;
  modelRunDestination(s, line);
  classifyLine(s, ctx, line);
  if (auto move = stationSetUp(s, ctx, line)) return *move;

  if (const char* why = unhandledKind(ctx.SourceType)) {
    line.StationError = why;
    return Move::endStation();
  }
  s.ui.doEvents();
  getsourcedata(s, ctx, line);
  if (line.RetrievalFailed) return Move::endStation();
  if (line.ComputeCanceled) return Move::finish();
  if (line.NothingToParse) return Move::endStation();
  // What follows a retrieval (reading the values, checking and aggregating them, storing the
  // series) is not part of this version: say so rather than drop the values silently.
  line.StationError =
      "Values were retrieved but cannot be stored: value processing is not available in this version.";
  return Move::endStation();
}

std::optional<Move> stationSetUp(Session& s, RunContext& ctx, LineState& line) {
  if (s.InternetFailed) {
    s.errlog.writeLine(line.Dsid + "  " + s.LastError);
    return Move::nextLine();
  }
  if (!s.RealtimeMode) {
    vb::VbDate begin = vb::CDate(s.form.TextBegindate.Text);
    vb::VbDate end = vb::CDate(s.form.TextEnddate.Text);
    int64_t days = vb::DateDiff("d", begin, end);
    if (days < 0) {
      notify(s, "Your Start Date is later than your End Date, try again.");
      return Move::endStation();
    }
    ctx.DaysBack = static_cast<int32_t>(days + 1);
    s.UnitValues = !s.form.Option1[0].Value;
    line.LastDay = static_cast<int32_t>(vb::Int(end));
    line.FirstDay = static_cast<int32_t>(vb::Int(begin));
  } else {
    s.UnitValues = true;
    ctx.DaysBack = std::max(0, leadingLong(s.form.Text2.Text));
    line.LastDay = static_cast<int32_t>(s.RunDay);
    line.FirstDay = line.LastDay - ctx.DaysBack;
  }
  line.WindowDays = ctx.DaysBack;

  if (line.Dsid != "0") {
    for (int row = 1; row <= s.SiteCount && row < s.SiteList.rows(); ++row) {
      if (s.SiteList(1, row).toString() == line.Dsid) {
        line.SiteRow = row;
        break;
      }
    }
    if (line.SiteRow == 0) {
      line.StationError = line.Dsid + " Site not found in database table RSite.";
      return Move::endStation();
    }
    auto col = [&](int k) { return s.SiteList(k, line.SiteRow); };
    line.ValueCode = line.DatatypeCode = col(2).isNull() ? int16_t{0} : vb::CInt(vb::Val(col(2).toString()));
    line.UnitText = col(3).isNull() ? std::string() : col(3).toString();
    line.ParameterCode = col(4).isNull() ? std::string() : col(4).toString();
    line.SiteText = col(7).isNull() ? std::string() : col(7).toString();
    line.ParameterCodes.clear();
    for (const std::string& p : vb::Split(line.ParameterCode, ","))
      line.ParameterCodes.push_back(vb::Trim(p));
    line.ParameterCount = static_cast<int16_t>(line.ParameterCodes.size()) - 1;
    // A daily line without a parameter code stops the run: every later line would fail alike.
    if (line.ParameterCode.empty() && vb::InStr(line.StationId, "-DAY") > 0) {
      notify(s, line.StationId + " Table rsite parameter_code missing.");
      return Move::finish();
    }
  }
  ctx.StationsRun = vb::addInteger(ctx.StationsRun, 1);
  return std::nullopt;
}

void getsourcedata(Session& s, RunContext& ctx, LineState& line) {
  line.RetrievalFailed = line.ComputeCanceled = line.NothingToParse = false;
  const int16_t type = ctx.SourceType;
  Retrievers& r = *s.services.retrievers;
  Computations& comp = *s.services.computations;
  SourceCall c = makeCall(s, ctx, line);

  auto call = [&](auto method, auto& service, bool reuse, bool fullReuse) {
    if (reuse && !reuseRule(ctx, line, fullReuse)) {
      line.RetrievalFailed = true;  // the earlier download of this station had no data
      return false;
    }
    c.RetrievalCacheId = ctx.RetrievalCacheId;
    c.RetrievalText = std::move(ctx.RetrievalText);
    (service.*method)(s, c);
    ctx.RetrievalText = std::move(c.RetrievalText);
    return true;
  };

  bool called = false;
  switch (type) {
    case 0:
      called = call(&Retrievers::GetCanada, r, true, false);
      break;
    case 1:
    case 27:
    case 29:
    case 31:
      if (ctx.InternetFailedCopy) {
        line.StationError = "Wunderground down.";
        line.RetrievalFailed = true;
        return;
      }
      called = call(s.UnitValues ? &Retrievers::GetWxStation : &Retrievers::GetWxDaily, r, true, true);
      ctx.InternetFailedCopy = s.InternetFailed;
      break;
    case 2:
      called = call(&Retrievers::GetUSGS, r, false, false);
      break;
    case 3:
      called = call(&Retrievers::GetCDEC, r, true, true);
      break;
    case 4:
      if (!ctx.SnotelStop) called = call(&Retrievers::GetSNOTEL, r, true, false);
      ctx.SnotelStop = c.SnotelStop;
      break;
    case 6:
      called = call(&Retrievers::GetHydromet, r, false, false);
      break;
    case 7:
      called = call(&Retrievers::GetCOE, r, true, true);
      break;
    case 8:
      called = call(&Retrievers::GetCIMIS, r, true, false);
      break;
    case 10:
      called = call(&Computations::hdbrouting, comp, false, false);
      break;
    case 11:
      called = call(&Computations::hdbcompute, comp, false, false);
      break;
    case 13:
      called = call(&Computations::computefromtextfile, comp, false, false);
      break;
    case 19:
      called = call(&Retrievers::GetAFWS, r, false, false);
      break;
    case 20:
      called = call(&Computations::Lookup, comp, false, false);
      break;
    case 21:
      called = call(&Retrievers::GetKiWIS, r, false, false);
      break;
    case 25:
      called = call(&Retrievers::Spotwx, r, true, false);
      break;
    case 30:
      called = call(&Retrievers::GetMadis, r, false, false);
      break;
    default:
      // No retriever exists for this kind; the text the previous line left must not be stored
      // under this line's DSID.
      ctx.RetrievalText.clear();
      line.StationError = line.StationId + ": no retriever exists for this kind of station line.";
      line.RetrievalFailed = true;
      return;
  }
  if (!called) return;

  ctx.HeldText = c.HeldText;
  line.DateFieldIndex = c.DateFieldIndex;
  line.ValueColumns = c.ValueColumns;
  line.WindDegrees = c.WindDegrees;
  line.WindDirSeries = c.WindDirSeries;
  line.FormulaUsesN = c.FormulaUsesN;
  line.HourShift = c.HourShift;
  ctx.ValueFieldIndex = c.ValueFieldIndex;

  if (type == 11 && c.Error == "OK") {
    s.form.Text1.append((vb::Val(line.Triples[1].shift) == 0 ? "Overwrite: " : "Add to: ") +
                        line.Triples[1].shift + "\r\n");
    line.NothingToParse = true;
    return;
  }
  if (type == 11 && c.Error == "Canceled") {
    line.ComputeCanceled = true;
    return;
  }
  if (type == 30 || (type == 25 && ctx.RetrievalText.empty())) line.NothingToParse = true;
  if (!c.Error.empty()) {
    line.StationError = c.Error;
    line.RetrievalFailed = true;
  }
}

}  // namespace fw
