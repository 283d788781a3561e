#include "retrieval/afws.h"

#include <optional>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/request_template.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kPageTemplate =
    "/ahps2/hydrograph_to_xml.php?gage=MYGAGE&output=tabular&fcst_type=PRECIP&time_zone=EDT";
constexpr int kDateCellLength = 11;  // "mm/dd hh:mm"

// The row time of a date cell: the page gives no year, so the row takes the one that puts it
// on or before the run day (a day later allowed for a page in a zone ahead of ours). In a
// window from December into January the January rows are in the run day's year and the
// December rows in the year before. None for a cell that is not a date.
std::optional<vb::VbDate> cellTime(const std::string& cell, int32_t runDay) {
  if (vb::InStr(cell, ":") == 0) return std::nullopt;
  const std::string text = vb::Left(cell, kDateCellLength);
  const int year = vb::Year(runDay);
  std::optional<vb::VbDate> when = vb::parseDate(vb::CStr(year) + "/" + text);
  if (when && vb::Int(*when) > runDay + 1) when = vb::parseDate(vb::CStr(year - 1) + "/" + text);
  return when;
}

}  // namespace

std::string afwsRequest(const std::string& gauge, const std::string& timeZone, const std::string& product) {
  std::vector<std::pair<std::string, std::string>> values = {{"MYGAGE", percentEncode(gauge)},
                                                             {"PRECIP", percentEncode(product)}};
  if (!timeZone.empty()) values.push_back({"EDT", percentEncode(timeZone)});
  return fillTemplate(kPageTemplate, values);
}

std::string afwsTransform(const std::string& page, const std::string& stationCode, int32_t beginDay,
                          int32_t runDay) {
  std::string out = stationCode + "\n";
  const std::vector<std::string> cells = vb::Split(page, "<td nowrap>");
  if (cells.size() < 2) return out;
  bool started = false;
  // Cell 0 is the page before the table; the rows are listed newest first.
  for (std::size_t i = cells.size() - 1; i >= 1; --i) {
    const std::optional<vb::VbDate> when = cellTime(cells[i], runDay);
    if (!when) continue;
    if (!started && vb::Int(*when) < beginDay) continue;
    started = true;
    const double amount = i + 1 < cells.size() ? vb::Val(cells[i + 1]) : 0.0;
    out += "Z\t" + vb::Format(*when, "yyyy-mm-dd hh:mm") + "\t" + vb::CStr(amount) + "\n";
  }
  return out;
}

void GetAFWS(Session& s, SourceCall& c) {
  c.RetrievalText.clear();
  c.ValueFieldIndex = 0;
  c.DateFieldIndex = 1;
  if (!s.RealtimeMode) {
    notify(s, "AFWS does not support historical data");
    return;
  }
  if (!s.UnitValues) {
    notify(s, "AFWS does not support daily's");
    return;
  }
  const int32_t beginDay = static_cast<int32_t>(s.RunDay) - c.DayCount;
  const std::vector<std::string> parts = vb::Split(c.StationId, "-");
  if (parts.size() < 2) return;
  const std::string url = serverBase(s, kAfwsService) +
                          afwsRequest(parts[1], parts.size() > 2 ? parts[2] : std::string(), c.ParameterCode);
  const std::string page = GetURL(s, url, false);
  c.RetrievalText = afwsTransform(page, c.StationId, beginDay, static_cast<int32_t>(s.RunDay));
  c.ValueFieldIndex = 2;
}

}  // namespace fw
