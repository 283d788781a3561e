#include "run/dispatch.h"

#include <array>
#include <exception>

#include "app/session.h"
#include "app/show_source.h"
#include "run/station_handler.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

template <auto Method>
void viaRetrievers(Session& s, SourceCall& c) {
  ((*s.services.retrievers).*Method)(s, c);
}
template <auto Method>
void viaComputations(Session& s, SourceCall& c) {
  ((*s.services.computations).*Method)(s, c);
}
// Weather stations give unit values or daily values.
void weatherStation(Session& s, SourceCall& c) {
  if (c.UnitValues)
    s.services.retrievers->GetWxStation(s, c);
  else
    s.services.retrievers->GetWxDaily(s, c);
}

constexpr SourceBlock kWeather{1, "Wunderground", "Wunderg", Reuse::Full, weatherStation, 1, ValueFrom::LastColumn, 0, true};

// In the order the blocks are tested.
constexpr std::array<SourceBlock, 20> kBlocks{{
    {0, "GoC", "Canada", Reuse::Short, viaRetrievers<&Retrievers::GetCanada>, 1, ValueFrom::FirstColumn, 0, false},
    kWeather,
    {27, "MesoWest", "PWS", Reuse::Full, weatherStation, 1, ValueFrom::LastColumn, 0, true},
    {29, "Synoptic", "synoptic", Reuse::Full, weatherStation, 1, ValueFrom::LastColumn, 0, true},
    {31, "NWS-Madis", "noaa2", Reuse::Full, weatherStation, 1, ValueFrom::LastColumn, 0, true},
    {2, "USGS", "USGS", Reuse::None, viaRetrievers<&Retrievers::GetUSGS>, 0, ValueFrom::Retriever, 0, true},
    {3, "CalDEC", "CWRD", Reuse::Full, viaRetrievers<&Retrievers::GetCDEC>, 3, ValueFrom::Fixed, 4, false},
    {4, "USCS", "USCS", Reuse::Short, viaRetrievers<&Retrievers::GetSNOTEL>, 1, ValueFrom::FirstColumn, 0, false},
    {6, "USBR", "USBR", Reuse::None, viaRetrievers<&Retrievers::GetHydromet>, 1, ValueFrom::LastColumn, 0, false},
    {7, "COE", "COE", Reuse::Full, viaRetrievers<&Retrievers::GetCOE>, 1, ValueFrom::Retriever, 0, false},
    {8, "CIMIS", "CWRD", Reuse::Short, viaRetrievers<&Retrievers::GetCIMIS>, 2, ValueFrom::FirstColumn, 0, false},
    {10, "HDB Routing", "Route", Reuse::None, viaComputations<&Computations::hdbrouting>, 1, ValueFrom::Fixed, 2, true},
    {11, "HDB Compute", "File", Reuse::None, viaComputations<&Computations::hdbcompute>, 1, ValueFrom::Fixed, 2, true},
    {13, "HDB File", "File", Reuse::None, viaComputations<&Computations::computefromtextfile>, 1, ValueFrom::Fixed, 2,
     true},
    {19, "AFWS", "NWS", Reuse::None, viaRetrievers<&Retrievers::GetAFWS>, 1, ValueFrom::Retriever, 0, false},
    {20, "HDB Routing", "File", Reuse::None, viaComputations<&Computations::Lookup>, 1, ValueFrom::FirstColumn, 0, true},
    {21, "HDB Routing", "File", Reuse::None, viaRetrievers<&Retrievers::GetKiWIS>, 1, ValueFrom::FirstColumn, 0, true},
    {25, "SpotWx", "Spotwx", Reuse::Short, viaRetrievers<&Retrievers::Spotwx>, 1, ValueFrom::Retriever, 0, false},
    {30, "MADIS", "noaa2", Reuse::None, viaRetrievers<&Retrievers::GetMadis>, 1, ValueFrom::Retriever, 0, false},
    // HCFCD lines have no service: they fail cleanly (below) instead of storing the text the
    // line before left.
    {22, "", "", Reuse::None, nullptr, 1, ValueFrom::Retriever, 0, true},
}};

bool holds(const std::string& text, const char* what) { return vb::InStr(text, what) > 0; }

int16_t columnAt(const std::vector<int16_t>& columns, int i) {
  return i >= 0 && static_cast<size_t>(i) < columns.size() ? columns[static_cast<size_t>(i)] : int16_t{0};
}
void setColumn(std::vector<int16_t>& columns, int i, int16_t value) {
  if (i < 0) return;
  if (columns.size() <= static_cast<size_t>(i)) columns.resize(static_cast<size_t>(i) + 1, 0);
  columns[static_cast<size_t>(i)] = value;
}

bool isWeather(int16_t type) { return type == 1 || type == 27 || type == 29 || type == 31; }

SourceCall makeCall(const Session& s, const RunContext& ctx, const LineState& line) {
  SourceCall c;
  c.SourceType = ctx.SourceType;
  c.StationId = line.StationId;
  c.ParameterCode = line.ParameterCode;
  c.ParameterCodes = line.ParameterCodes;
  c.ParameterCount = line.ParameterCount;
  c.DatatypeCode = line.DatatypeCode;
  c.LineText = line.ShiftAside;
  c.DayCount = line.WindowDays;
  c.FirstDay = line.FirstDay;
  c.LastDay = line.LastDay;
  c.DateValues = {static_cast<vb::VbDate>(line.FirstDay), static_cast<vb::VbDate>(line.LastDay), s.RunDateTime};
  c.Triples = line.Triples;
  c.Dsid = line.Dsid;
  c.DatatypeName = line.Datatype_Name;
  c.SiteName = line.Site_Name;
  c.SiteText = line.SiteText;
  c.DateLayout = line.FileName;
  c.UnitText = line.UnitText;
  c.RetrievalCacheId = ctx.RetrievalCacheId;
  c.RetrievalKey = ctx.RetrievalKey;
  c.SiteState = s.SiteState;
  c.UnitValues = s.UnitValues;
  c.MrunLine = s.MrunLine;
  c.RunId = s.RunId;
  c.TraceNo = s.TraceNo;
  c.DsidList = line.DsidList;
  c.ShiftAside = line.ShiftAside;
  c.GapLimitDays = ctx.settings.BadValuePercent;
  c.HourShift = line.HourShift;
  c.ValueColumns = line.ValueColumns;
  c.FormulaUsesN = line.FormulaUsesN;
  c.SnotelStop = ctx.SnotelStop;
  c.HeldText = ctx.HeldText;
  c.FillFlag = line.FillFlag;
  c.WindDegrees = line.WindDegrees;
  c.WindDirSeries = line.WindDirSeries;
  return c;
}

// Every in-and-out value comes back to the line and the run.
void takeBack(RunContext& ctx, LineState& line, SourceCall& c) {
  ctx.RetrievalText = std::move(c.RetrievalText);
  // A retriever that keeps its download names the station (and what it was built for).
  ctx.RetrievalCacheId = c.RetrievalCacheId;
  ctx.RetrievalKey = c.RetrievalKey;
  line.WindowDays = c.DayCount;
  ctx.HeldText = c.HeldText;
  ctx.SnotelStop = c.SnotelStop;
  line.HourShift = c.HourShift;
  line.ValueColumns = c.ValueColumns;
  line.FormulaUsesN = c.FormulaUsesN;
  line.FillFlag = c.FillFlag;
  line.DailyFlag = c.DailyFlag;
  line.WindDegrees = c.WindDegrees;
  line.WindDirSeries = c.WindDirSeries;
  line.Triples = c.Triples;
  line.DateFieldIndex = c.DateFieldIndex;
  line.DailyColumns = c.DailyColumns;
  // A routing file's PUT names the series the result is stored under, and its warm-up widens
  // the window the run then reads.
  line.Dsid = c.Dsid;
  line.FirstDay = c.FirstDay;
  line.LastDay = c.LastDay;
}

// False when the same station's last download had no data: the download is not repeated.
bool applyReuse(RunContext& ctx, LineState& line, Reuse reuse) {
  if (reuse == Reuse::None) return true;
  if (line.StationId != ctx.RetrievalCacheId) {
    ctx.RetrievalText.clear();
    if (reuse == Reuse::Full) ctx.RetrievalCacheId = line.StationId;
    return true;
  }
  if (reuse == Reuse::Full && ctx.PreviousLineCount < 3) {
    line.StationDayCount = line.WindowDays;
    line.StationError = kSameStationNoDataText;
    return false;
  }
  return true;
}

// The caption and icon of a COMPUTE line, from the file its shift1 names; none while the caption
// already shows a computation.
void showCompute(Session& s, LineState& line, const std::string& caption) {
  if (holds(caption, "HDB Co")) return;
  const std::string& shift1 = line.Triples[1].shift;
  const std::string extension = shift1.empty() ? std::string() : vb::LCase(vb::Right(shift1, 4));
  if (extension == ".dss") {
    showsource(s, "HDB Compute", "DSS", caption);
  } else if (holds(line.StationId, "GET-SWMM")) {
    line.FormulaUsesN = false;
    showsource(s, "Get-SWMM", "EPA", caption);
  } else {
    showsource(s, "HDB Compute", "File", caption);
  }
}

// A formula that cannot use N, or one that does: then the line reads one parameter.
void formulaRule(LineState& line) {
  if (vb::Len(line.Triples[1].formula) < 2) line.FormulaUsesN = false;
  if (line.FormulaUsesN) {
    line.ParameterTotal = 0;
    line.ParameterCount = 0;
    line.Triples[1].shift = "0";
  }
}

// What a block's type needs before its call; false when the line ends without a call.
bool beforeCall(Session& s, RunContext& ctx, LineState& line, const SourceBlock& b, SourceCall& c) {
  const int16_t type = b.type;
  if (type == 0) {
    if (line.ParameterCode == "18" && line.DatatypeCode == 10) line.PrecipKind = 4;
    if (line.DatatypeCode == 19) line.WindDegrees = line.WindDirSeries = true;
  } else if (isWeather(type)) {
    line.PrecipKind = weatherPrecipKind(line.ParameterCode, s.UnitValues);
    if (line.PrecipKind == 3) logPaneLine(s, "Airport rainfall is RISKY business");
    if (line.DatatypeCode == 19) {
      const bool iowa = type == 1 && vb::Len(line.StationId) < 6;
      line.WindDegrees = type == 27 || type == 29 || iowa;
      line.WindDirSeries = true;
    }
  } else if (type == 7) {
    line.WindDegrees = false;
  } else if (type == 11) {
    ctx.HeldText.clear();
  } else if (type == 13) {
    // A long base1 names the text file; a short one is a base value.
    line.FileName = line.Triples[1].base;
    if (vb::Len(line.FileName) > 7)
      line.Triples[1].base.clear();
    else
      line.FileName.clear();
    if (line.DatatypeCode == 19) line.WindDirSeries = true;
  } else if (type == 25) {
    if (vb::Left(ctx.HeldText, 7) != vb::Left(line.Triples[1].shift, 7)) ctx.RetrievalText.clear();
  }
  if (!applyReuse(ctx, line, b.reuse)) {
    line.RetrievalFailed = true;
    return false;
  }
  if (isWeather(type) && ctx.InternetFailedCopy) {
    line.StationError = "Wunderground down.";
    line.RetrievalFailed = true;
    return false;
  }
  if (type == 4 && ctx.SnotelStop) {
    line.StationError = kServiceDownText;
    line.RetrievalFailed = true;
    return false;
  }
  if (type == 25) {
    ctx.HeldText = line.Triples[1].shift;
    line.ShiftAside = line.Triples[1].formula;  // the forecast model text
    line.Triples[1].formula.clear();
  }
  c = makeCall(s, ctx, line);
  if (type == 25) c.LineText = line.ShiftAside;
  c.RetrievalText = std::move(ctx.RetrievalText);
  return true;
}

void afterCall(Session& /*s*/, RunContext& ctx, LineState& line, const SourceBlock& b, const SourceCall& c) {
  const int16_t type = b.type;
  if (b.dateIndex != 0) line.DateFieldIndex = b.dateIndex;
  switch (b.value) {
    case ValueFrom::Retriever:
      ctx.ValueFieldIndex = c.ValueFieldIndex;
      break;
    case ValueFrom::FirstColumn:
      ctx.ValueFieldIndex = columnAt(line.ValueColumns, 0);
      break;
    case ValueFrom::LastColumn:
      ctx.ValueFieldIndex = columnAt(line.ValueColumns, line.ParameterCount);
      break;
    case ValueFrom::Fixed:
      ctx.ValueFieldIndex = b.fixedValue;
      break;
  }
  switch (type) {
    case 3:
      line.WindDirSeries = line.WindDegrees;
      setColumn(line.ValueColumns, 0, 4);
      break;
    case 6:
    case 8:
      line.WindDirSeries = line.WindDegrees;
      break;
    case 7:
      if (line.WindDegrees) {
        setColumn(line.ValueColumns, 1, static_cast<int16_t>(c.ValueFieldIndex - 1));
        line.WindDirSeries = true;
        line.WindDegrees = false;
      }
      setColumn(line.ValueColumns, 0, c.ValueFieldIndex);
      break;
    case 10:
      line.IntervalCode = 4;
      break;
    case 19:
    case 25:
      setColumn(line.ValueColumns, 0, c.ValueFieldIndex);
      break;
    default:
      break;
  }
  if (isWeather(type) || type == 6) formulaRule(line);
  if (type == 25 && ctx.RetrievalText.empty()) line.NothingToParse = true;
  if (type == 30) line.NothingToParse = true;
}

void computeResult(Session& s, LineState& line) {
  if (line.StationError == "OK") {
    // The computation stored the series itself into the target shift1 names; base1 "0" replaced
    // the target, anything else added to it.
    const std::string& shift1 = line.Triples[1].shift;
    s.form.Text1.append((vb::Val(line.Triples[1].base) == 0 ? "Overwrite: " : "Add to: ") + shift1 + kCrLf);
    line.StationError.clear();
    line.NothingToParse = true;
    return;
  }
  if (line.StationError == "Canceled") {
    line.ComputeCanceled = true;
    return;
  }
  if (!line.StationError.empty()) {
    line.RetrievalFailed = true;
    return;
  }
  if (holds(line.StationId, "GET-SWMM")) line.FormulaUsesN = false;
  if (line.Triples[1].formula.empty()) line.FormulaUsesN = false;
  if (line.FormulaUsesN && (line.DatatypeCode == 27 || line.DatatypeCode == 29)) {
    line.ParameterTotal = 1;
    line.ParameterCount = 1;
    line.Triples[1].shift = "0";
  }
}

}  // namespace

SourceCall sourceCallFor(const Session& s, const RunContext& ctx, const LineState& line) {
  return makeCall(s, ctx, line);
}

const SourceBlock* sourceBlock(int16_t type) {
  for (const SourceBlock& b : kBlocks)
    if (b.type == type) return &b;
  return nullptr;
}

int16_t weatherPrecipKind(const std::string& p, bool unitValues) {
  int16_t kind = 0;
  if (unitValues && (holds(p, "HourlyPrecip") || holds(p, "precipRate"))) kind = -1;
  if (unitValues && holds(p, "p01i")) kind = -1;
  if (holds(p, "precipTotal") || holds(p, "dailyrain")) kind = 2;
  if (holds(p, "precip_accum_five") || holds(p, "precip_accum_fi") || holds(p, "precip_accum_one")) kind = -2;
  if (holds(p, "Precipitation")) kind = 3;
  return kind;
}

void callSourceRoutine(Session& s, SourceCall& c, const std::function<void(SourceCall&)>& routine) {
  s.BrokenDownload.clear();
  try {
    routine(c);
  } catch (const std::exception&) {
    if (s.BrokenDownload.empty()) throw;
  }
  if (s.BrokenDownload.empty()) return;
  c.RetrievalText.clear();
  // Nothing was kept of the station's download: the next line of it asks again.
  c.RetrievalCacheId.clear();
  c.RetrievalKey.clear();
  c.Error = s.BrokenDownload;
}

void getsourcedata(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  line.RetrievalFailed = line.ComputeCanceled = line.NothingToParse = false;
  const SourceBlock* b = sourceBlock(ctx.SourceType);
  if (b == nullptr || b->routine == nullptr) {
    // No service for this kind: the text the previous line left must not be stored under this
    // line's DSID.
    ctx.RetrievalText.clear();
    line.StationError = line.StationId + ": no retriever exists for this kind of station line.";
    line.RetrievalFailed = true;
    return;
  }
  SourceCall c;
  if (!beforeCall(s, ctx, line, *b, c)) return;

  if (b->type == 11) {
    showCompute(s, line, caption);
  } else if (b->type == 1 && vb::Len(line.StationId) < 6) {
    showsource(s, "Iowa Mesonet", "Iowa", caption);
  } else {
    showsource(s, b->label, b->icon, caption);
  }
  // Whether this line's own download fails: the flag the last download leaves, not an earlier
  // line's.
  s.InternetFailed = false;
  auto downloadError = [&s] { return s.InternetFailed ? s.LastError : std::string(); };
  try {
    callSourceRoutine(s, c, [&s, b](SourceCall& call) { b->routine(s, call); });
  } catch (const std::exception& e) {
    line.DownloadError = downloadError();
    // An error the routine did not catch ends the dispatch; it is never silent.
    takeBack(ctx, line, c);
    if (isWeather(b->type)) ctx.InternetFailedCopy = s.InternetFailed;
    line.StationError = c.Error.empty() ? std::string(e.what()) : c.Error;
    line.RetrievalFailed = true;
    return;
  }
  line.DownloadError = downloadError();
  takeBack(ctx, line, c);
  if (isWeather(b->type)) ctx.InternetFailedCopy = s.InternetFailed;
  line.StationError = c.Error;
  if (!s.BrokenDownload.empty()) {
    line.RetrievalFailed = true;
    return;
  }
  if (b->type == 11) {
    computeResult(s, line);
    if (!line.StationError.empty() || line.NothingToParse || line.ComputeCanceled) return;
  } else if (b->errorFails && !line.StationError.empty()) {
    line.RetrievalFailed = true;
    return;
  }
  afterCall(s, ctx, line, *b, c);
}

}  // namespace fw
