#include "retrieval/model_forecast.h"

#include <cmath>
#include <exception>
#include <vector>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/river_forecast.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

constexpr double kKmhToMph = 0.6213711922373;
constexpr double kMmToInch = 0.03937007874015;
constexpr int kCycleGuardA = 27;   // minutes
constexpr int kCycleGuardB = 357;  // minutes

bool in(const std::string& model, const char* list) {
  return vb::InStr(list, model) > 0;
}

int apcpField(const std::string& model) {
  return in(model, "RAP HRRR NAM") ? 9 : 8;
}

// The value of input field k as the result holds it.
double converted(const std::string& model, int k, double v) {
  const bool gfs = in(model, "GFS ");
  double factor = 1, add = 0;
  if (k == 3 || (k == 4 && !gfs)) {
    factor = 1.8;
    add = 32;
  } else if (k == (gfs ? 5 : 6)) {
    factor = kKmhToMph;
  } else if ((gfs && k == 7) || (in(model, "RAP HRRR NAM") && k == 8)) {
    factor = kKmhToMph;
  } else if (k == apcpField(model)) {
    factor = kMmToInch;
  }
  return vb::Round(v * factor + add, 5);
}

std::vector<std::string> splitLocation(const std::string& location) {
  std::vector<std::string> parts = vb::Split(location, ",");
  if (parts.size() < 2) vb::raise(vb::err::SubscriptOutOfRange);
  return parts;
}

}  // namespace

SpotwxModel spotwxModel(const std::string& name) {
  static const char* const kRap = "n DATETIME TMP DPT RH  WS  WD  WG  APCP  SLP  TYPE RQP SQP FQP IQP CLOUD";
  static const char* const kRdps = "DATETIME    DATE    TIME    TMP DPT RH  WS  WD  APCP    CLOUD   SLP";
  if (name == "RAP") return {"rap_awp130pgrbf", kRap, 'A', 30, false};
  if (name == "HRRR" || name == "HRR") return {"hrrr_wrfprsf", kRap, 'A', 30, false};
  if (name == "NAM")
    return {"nam_awphys", "n DATETIME  TMP DPT RH  WS  WD  WG     APCP    CLOUD   SLP", 'B', 360, false};
  if (name == "SREF") return {"sref_pgrb132", "n DATETIME TMP DPT RH  WS  WD  APCP   SLP", 'B', 360, true};
  if (name == "GFS")
    return {"gfs_pgrb2_0p25_f", "n DATETIME  TMP RH  WS  WD  WG  APCP    CLOUD   SLP", 'B', 360, true};
  if (name == "RDPS") return {"gem_reg_10km", kRdps, 'B', 360, false};
  if (name == "GDPS") return {"gem_glb_25km", kRdps, 'B', 30, true};
  if (name == "HRDPS") return {"hrdps_continental", kRdps, 'A', 30, false};
  return {};
}

int16_t spotwxValueField(const std::string& model, int16_t dataType) {
  switch (dataType) {
    case 9:
    case 10:
    case 11:
      return in(model, "RAP HRRR NAM") ? 8 : 7;
    case 15:
      return in(model, "SREF ") ? 8 : in(model, "NAM ") ? 10 : 9;
    case 16:
      return in(model, "GFS ") ? 0 : 3;
    case 17:
      return 2;
    case 18:
      return in(model, "GFS ") ? 3 : 4;
    case 19:
      return in(model, "GFS ") ? 5 : 6;
    case 20:
      if (in(model, "RDPS GDPS SREF")) return 0;
      return in(model, "GFS ") ? 6 : 7;
    case 26:
      if (in(model, "SREF ")) return 0;
      return in(model, "RAP HRRR") ? 15 : in(model, "NAM ") ? 9 : 8;
    case 28:
      return in(model, "GFS ") ? 4 : 5;
    default:
      return 0;
  }
}

std::string spotwxRows(const std::string& reply, const std::string& model, int stepMinutes,
                       vb::VbDate runTime, int32_t endDay, bool metric) {
  const vb::VbDate lastKept = endDay + 1 + kForecastEdgeDays;
  const SpotwxModel m = spotwxModel(model);
  const int apcp = apcpField(model);
  const std::vector<std::string> pieces = vb::Split(reply, "[");
  std::string out;
  vb::VbDate time = 0;
  double previousApcp = 0;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string piece = vb::Replace(pieces[i], "'", "");
    if (vb::Val(piece) == 0) continue;
    const std::vector<std::string> f = vb::Split(piece, ",");
    const int count = std::min(static_cast<int>(f.size()) - 1, 16);
    if (vb::InStr(f[0], ":") > 0 && vb::InStr(f[0], "/") > 0) time = vb::CDate(vb::Trim(f[0]));
    // A stray date far past the window is no row of the forecast: its rain total is not carried.
    if (time > lastKept) continue;
    const bool kept = time > runTime;
    std::string row = "Z\t" + vb::Format(time, "yyyy-mm-dd hh:mm");
    for (int k = 3; k <= count; ++k) {
      double v = vb::Val(f[static_cast<size_t>(k)]);
      if (k == apcp) {
        const double raw = v;
        v = (v - previousApcp) * stepMinutes / 60;
        if (m.threeHour) v /= 3;
        // Earlier rows still carry the model's running total on, so that the first row kept
        // holds only its own interval's rain.
        previousApcp = raw;
      }
      if (!metric) v = converted(model, k, v);
      row += "\t" + vb::CStr(v);
    }
    if (kept) out += row + "\n";
  }
  return out;
}

std::string spotwxExpand(const std::string& rows, const std::string& header, int stepMinutes,
                         vb::VbDate runTime, int32_t endDay) {
  std::string out = header + "\n";
  const std::vector<std::string> lines = vb::Split(rows, "\n");
  const double step = stepMinutes / 1440.0;
  const vb::VbDate stopDay = endDay + 1;
  vb::VbDate previous = runTime;
  bool first = true;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 2) continue;
    const vb::VbDate T = vb::CDate(f[1]);
    // A row far outside the window is a stray date: no copies are made up to it.
    if (T <= runTime || T > stopDay + kForecastEdgeDays) continue;
    if (first) {
      first = false;
      const int64_t minutes = vb::DateDiff("n", previous, T);
      for (int64_t offset = -minutes + stepMinutes; offset <= 0; offset += stepMinutes) {
        const vb::VbDate t = vb::roundToSecond(T + offset / 1440.0);
        f[1] = vb::CStrDate(t);
        if (t > runTime) out += vb::Join(f, "\t") + "\n";
      }
    } else {
      for (vb::VbDate t = previous + step; t <= T + 1e-7; t += step) {
        f[1] = vb::CStrDate(vb::roundToSecond(t));
        out += vb::Join(f, "\t") + "\n";
      }
    }
    if (T >= stopDay) break;
    previous = T;
  }
  return out;
}

void Spotwx(Session& s, SourceCall& c) {
  const std::vector<std::string> idParts = vb::Split(c.StationId, "-");
  const std::string model = idParts.size() > 1 ? idParts[1] : std::string();
  int step = idParts.size() == 3 ? static_cast<int>(vb::Val(idParts[2])) : 5;
  if (step <= 0) step = 5;
  c.ValueFieldIndex = spotwxValueField(model, c.DatatypeCode);
  if (c.ValueFieldIndex == 0) {
    const std::string text = vb::CStr(static_cast<int32_t>(c.DatatypeCode)) + " datatype not found.";
    if (s.BatchMode)
      s.errlog.writeLine(text);
    else
      s.ui.msgBox(text, MsgButtons::OK);
    c.RetrievalText.clear();
    return;
  }
  if (!c.RetrievalText.empty()) return;
  try {
    const bool halfHourly = in(model, "HRRR RAP");
    const double guard = halfHourly ? s.NextCycleA : s.NextCycleB;
    if (s.RunDateTime < guard &&
        vb::DateDiff("n", s.RunDateTime, guard) < (halfHourly ? kCycleGuardA : kCycleGuardB))
      return;
    const SpotwxModel m = spotwxModel(model);
    const std::vector<std::string> location = splitLocation(c.Triples[1].shift);
    bool daylight = false;
    const double tz = TZOffset(s, daylight);
    const std::string url = serverBase(s, kSpotwxService) + "/products/grib_index.php?model=" + m.fileKey +
                            "&lat=" + percentEncode(location[0]) +
                            "&lon=" + percentEncode(vb::LTrim(location[1])) + "&tz=" + vb::CStr(-tz) +
                            "&display=table";
    if (m.cycle == 'A') s.NextCycleA = vb::DateAdd("n", m.cycleMinutes, s.RunDateTime);
    if (m.cycle == 'B') s.NextCycleB = vb::DateAdd("n", m.cycleMinutes, s.RunDateTime);
    const std::string reply =
        vb::Len(c.LineText) >= 5 ? vb::readAllBytes(s.inProgramFolder(c.LineText)) : GetURL(s, url, false);
    if (vb::InStr(reply, "[") == 0) {
      if (!s.BatchMode) s.ui.msgBox(reply, MsgButtons::OK);
      return;
    }
    const std::string rows = spotwxRows(reply, model, step, s.RunDateTime, c.LastDay, s.MetricUnits);
    std::string result = spotwxExpand(rows, m.header, step, s.RunDateTime, c.LastDay);
    vb::writeScratchBytes(s.inProgramFolder(kSpotwxCopyName), result);
    c.RetrievalText = std::move(result);
  } catch (const std::exception& e) {
    const vb::Error* ve = dynamic_cast<const vb::Error*>(&e);
    s.LastError = "Spotwx: " + (ve ? ve->description() : std::string(e.what()));
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError, MsgButtons::OK);
    c.RetrievalText.clear();
  }
}

}  // namespace fw
