#include "run/fetch_ahead.h"

#include <algorithm>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "run/box_numbers.h"
#include "run/line_kinds.h"
#include "run/source_type.h"
#include "run/station_road.h"
#include "run/station_options.h"
#include "run/station_setup.h"

namespace fw {

namespace {

constexpr int16_t kStreamGauge = 2;

// The call a plain gauge line of a real-time run will make, as far as its first download goes;
// false when the line is another kind or its call cannot be foreseen from its text and site row.
bool gaugeCall(const Session& s, const LineState& line, SourceCall& c) {
  if (line.Dsid.empty() || line.Dsid == "0" || !line.DsidList.empty()) return false;
  const int32_t row = findSiteRow(s, line.Dsid);
  if (row == 0 || isCanadianState(vb::UCase(siteColumn(s, 5, row)))) return false;
  // Runoff series take their window from their last update.
  if (vb::CInt(vb::Val(siteColumn(s, 2, row))) == 30) return false;
  int32_t days = std::max(0, leadingLong(s.form.Text2.Text));
  if (s.form.Check3.ticked() && vb::Val(siteColumn(s, 6, row)) > 0) ++days;
  c.SourceType = kStreamGauge;
  c.StationId = line.StationId;
  c.ParameterCode = siteColumn(s, 4, row);
  c.DayCount = days;
  return true;
}

}  // namespace

void fetchAheadOf(Session& s, RunContext& ctx, int32_t index, int32_t last) {
  const int downloads = s.parallelDownloads();
  if (downloads <= 1 || !s.RealtimeMode) return;
  const int32_t until = std::min<int64_t>(last, static_cast<int64_t>(index) + downloads - 1);
  int32_t from = index + 1;
  int16_t previous = ctx.SourceType;
  if (ctx.AheadNext > from) {
    from = ctx.AheadNext;
    previous = ctx.AheadType;
  } else {
    LineState line = readStationLine(s, index);
    bool hms = false;
    if (vb::InStr(vb::UCase(line.field(1)), "*") == 0) {
      readLineHead(line);
      previous = classifySource(line.StationId, previous, hms);
    }
  }
  for (int32_t k = from; k <= until; ++k) {
    LineState line = readStationLine(s, k);
    ctx.AheadNext = k + 1;
    if (vb::InStr(vb::UCase(line.field(1)), "*") > 0) continue;  // a comment
    readLineHead(line);
    bool hms = false;
    previous = classifySource(line.StationId, previous, hms);
    ctx.AheadType = previous;
    SourceCall c;
    if (previous == kStreamGauge && gaugeCall(s, line, c)) s.services.retrievers->fetchAhead(s, c);
  }
}

}  // namespace fw
