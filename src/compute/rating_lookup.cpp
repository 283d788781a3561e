#include "compute/rating_lookup.h"

#include <cmath>

#include "app/session.h"
#include "compute/staging_file.h"
#include "compute/table_position.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

constexpr int32_t kMaxRatingRows = 2000;
const double kLogOfNothing = std::log(1e-5);

[[noreturn]] void fail(const std::string& text) {
  throw vb::Error(vb::err::InvalidProcedureCall, text);
}

double logOf(double v) {
  return v > 0 ? std::log(v) : kLogOfNothing;
}

bool logX(RatingKind k) {
  return k == RatingKind::LogLinear || k == RatingKind::LogLog;
}
bool logY(RatingKind k) {
  return k == RatingKind::LinearLog || k == RatingKind::LogLog;
}

// Room in UnitSeries for every row the table can hold in the window (1-minute unit values).
size_t rowsFor(const std::string& table, int32_t begin, int32_t end) {
  const double days = std::max(1.0, static_cast<double>(end) - begin + 1);
  const std::string t = vb::UCase(table);
  const double perDay = vb::Right(t, 3) == "DAY" ? 1 : vb::Right(t, 4) == "HOUR" ? 24 : 1440;
  return static_cast<size_t>(days * perDay) + 2;
}

}  // namespace

LookupStation parseLookupStation(std::string& stationId) {
  const bool dash = vb::InStr(stationId, "-") > 0;
  stationId = vb::Replace(vb::Replace(stationId, " ", ""), ",", "-");
  LookupStation st;
  if (vb::InStr(stationId, "-HOUR") > 0) st.table = "RHOUR";
  if (vb::InStr(stationId, "-DAY") > 0) st.table = "RDAY";
  if (dash) {
    if (vb::InStr(stationId, "LINEAR-LOG") > 0) st.kind = RatingKind::LinearLog;
    if (vb::InStr(stationId, "LOG-LINEAR") > 0) st.kind = RatingKind::LogLinear;
    if (vb::InStr(stationId, "LOG-LOG") > 0) st.kind = RatingKind::LogLog;
  }
  return st;
}

LookupRating readLookupRating(const std::string& path, RatingKind kind) {
  if (!vb::fileExists(path)) fail("Rating file not found: " + path);
  const std::vector<std::string> lines = vb::readLines(path);
  LookupRating r;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 2 || !vb::IsNumeric(f[0])) continue;
    if (r.rows >= kMaxRatingRows) fail("More than 2000 rows in rating " + path);
    double x = vb::Val(f[0]);
    double y = vb::Val(f[1]);
    if (logX(kind)) x = logOf(x);
    if (logY(kind)) y = logOf(y);
    ++r.rows;
    if (r.rows > 1 && !(x > r.x.back()))
      fail("Rating x does not rise at row " + vb::CStr(r.rows) + " (line " +
           vb::CStr(static_cast<int32_t>(i + 1)) + ") of " + path);
    r.x.push_back(x);
    r.y.push_back(y);
  }
  if (r.rows < 2) fail("Rating needs at least two rows: " + path);
  return r;
}

double lookupValue(const LookupRating& r, RatingKind kind, double value) {
  const double x = logX(kind) ? logOf(value) : value;
  double fraction = 0;
  int16_t p = 0;
  TablePosition(x, r.x, r.rows, fraction, p);
  const size_t i = static_cast<size_t>(p);
  double y = r.y[i] + fraction * (r.y[i + 1] - r.y[i]);
  if (logY(kind)) y = std::exp(y);
  if (!std::isfinite(y)) throw vb::Error(vb::err::Overflow, "Overflow");
  return y;
}

void Lookup(Session& s, SourceCall& c) {
  c.Error.clear();
  c.RetrievalText.clear();
  const size_t keptSize = s.UnitSeries.size();
  try {
    if (s.RealtimeMode) {
      c.LastDay += 1;
    } else {
      c.FirstDay = vb::CLng(vb::CDate(s.form.TextBegindate.Text));
      c.LastDay = vb::CLng(vb::CDate(s.form.TextEnddate.Text) + 1);
    }
    const LookupStation st = parseLookupStation(c.StationId);
    const std::vector<std::string> parts = vb::Split(c.ParameterCode, ",");
    if (parts.size() != 2) fail("Wrong parmater_codes for 'dsid, rating.txt': " + c.ParameterCode);
    const std::string dsid = vb::Trim(parts[0]);
    const std::string ratingName = vb::Trim(parts[1]);
    const LookupRating rating = readLookupRating(s.inProgramFolder(ratingName).string(), st.kind);
    if (!isIntegerDsid(dsid)) fail("The DSID is not a whole number: " + dsid);

    const std::string table = c.MrunLine ? "m" + vb::Mid(st.table, 2) : st.table;
    s.UnitSeries.assign(std::max(keptSize, rowsFor(st.table, c.FirstDay, c.LastDay)), SeriesPoint{});
    int32_t count = 0;
    GetHDB(s, dsid, table, c.FirstDay, c.LastDay, count, c.MrunLine ? 1 : 0, c.RunId, c.TraceNo, 0, 0);
    if (count < 3) fail("No values for " + dsid);

    std::string rows;
    for (int32_t i = 1; i <= count; ++i) {
      const SeriesPoint& pt = s.UnitSeries[static_cast<size_t>(i)];
      const double y = lookupValue(rating, st.kind, pt.value);
      rows += "Z\t" + vb::Format(pt.date, "yyyy-mm-dd hh:mm") + "\t" + vb::Str(y) + "\t\r\n";
    }
    c.RetrievalText = writeStagingFile(s, StagingKind::Lookup, rows);
  } catch (const vb::Error& e) {
    c.RetrievalText.clear();
    c.Error = "Lookup: " + e.description();
  } catch (const std::exception& e) {
    c.RetrievalText.clear();
    c.Error = "Lookup: " + std::string(e.what());
  }
  s.UnitSeries.assign(keptSize, SeriesPoint{});
}

}  // namespace fw::compute
