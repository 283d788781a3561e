#include "run/source_type.h"

#include <string_view>
#include <utility>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

// Later tests win, so "FORECAST" before "FORECAST-NWS" and "MA-" after "MADIS" both hold.
constexpr std::pair<std::string_view, int16_t> kPrefixes[] = {
    {"USBR", 6},      {"COE-", 7},      {"CIMIS", 8},  {"ROUTE", 10},   {"COMPUTE", 11},
    {"SNOWMELT", 12}, {"FILE", 13},     {"SHEL", 16},  {"FORECAST", 0}, {"AFWS", 19},
    {"LOOKUP", 20},   {"KISTERS", 21},  {"HCFCD", 22}, {"A2M", 23},     {"HRR", 24},
    {"MW-", 27},      {"SNOWCAST", 28}, {"SY-", 29},   {"MADIS", 30},   {"MA-", 31}};

}  // namespace

bool hasSourceKeyword(const std::string& id) {
  if (vb::Val(id) != 0 || vb::Len(id) < 4) return false;
  if (vb::Left(id, 6) == "NEXRAD") return true;
  for (const auto& entry : kPrefixes)
    if (id.compare(0, entry.first.size(), entry.first) == 0) return true;
  return false;
}

int16_t classifySource(const std::string& id, int16_t previous, bool& shellHmsLine) {
  shellHmsLine = false;
  const double v = vb::Val(id);
  if (v == 0) {
    if (vb::Len(id) < 4) return 3;
    if (vb::Left(id, 6) == "NEXRAD") return 9;
    int16_t type = 1;
    for (const auto& [prefix, code] : kPrefixes) {
      if (id.compare(0, prefix.size(), prefix) != 0) continue;
      if (prefix == "FORECAST") {
        type = vb::InStr(id, "-NWS") > 0 ? 18 : 25;
      } else {
        type = code;
        if (code == 16) shellHmsLine = vb::UCase(vb::Right(id, 7)) == "HMS.CMD";
      }
    }
    return type;
  }
  if (v >= 3000) return 2;
  if (vb::IsNumeric(id)) return 4;
  return previous;
}

void classifyLine(Session& s, RunContext& ctx, LineState& line) {
  ctx.PreviousSourceType = ctx.SourceType;
  ctx.SourceType = classifySource(line.StationId, ctx.SourceType, line.ShellHmsLine);
  if (ctx.SourceType != ctx.PreviousSourceType) {
    s.InternetFailed = false;
    ctx.HeldText.clear();
    if (s.services.radarWindow->isVisible()) s.services.radarWindow->hide();
  }
}

}  // namespace fw
