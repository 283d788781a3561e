#include "retrieval/snow_model.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

constexpr int kRetryWaitMs = 3000;
constexpr int kRepeatLimit = 3;  // an empty second value repeats the last one at most this often

std::string cellText(const std::vector<std::string>& pieces, int k) {
  if (k < 0 || static_cast<size_t>(k) >= pieces.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return vb::Replace(vb::Replace(pieces[static_cast<size_t>(k)], "</td>", ""), ">", "");
}

bool hasMarker(const std::string& text) {
  return vb::InStr(text, "Cover</th>") > 0 || vb::InStr(text, "Forest Density") > 0;
}

}  // namespace

SnowcastPage snowcastPage(const std::string& dsidField, int16_t dataType) {
  SnowcastPage p;
  if (vb::InStr(dsidField, ",-23") > 0 || vb::InStr(dsidField, ",23") > 0 || dataType == 21) {
    p.data = 1;
    p.firstColumn = dataType == 21 ? 4 : 8;
    p.secondColumn = dataType == 21 ? 6 : 2;
    p.header = dataType == 21 ? "x   date  depth  %density" : "x   date  melt  swe";
  } else if (vb::InStr(dsidField, ",-17") > 0 || vb::InStr(dsidField, ",17") > 0) {
    p.data = 5;
    p.firstColumn = 4;
    p.secondColumn = 2;
    p.header = "x   date  AirTemp  SurfaceTemp";
    p.temperature = true;
  }
  return p;
}

std::string snowcastTransform(const std::string& page, const SnowcastPage& choice, const std::string& code,
                              bool metric, int32_t beginDay, double tzHours) {
  std::string out = "SNOWCAST " + code + (metric ? " metric" : "") + "\n" + choice.header + "\n";
  const std::vector<std::string> lines = vb::Split(page, "\n");
  const int last = static_cast<int>(lines.size()) - 1;
  int start = -1;
  for (int k = 1; k <= last - 30; ++k) {
    if (vb::InStr(lines[static_cast<size_t>(k)], "<tbody>") > 0) {
      start = k;
      break;
    }
  }
  if (start < 0) return out;
  const vb::VbDate earliest = beginDay - 61.0 / 1440;
  std::string lastSecond;
  int repeats = 0;
  for (int k = start + 1; k <= last - 10; ++k) {
    const std::string line = vb::Replace(lines[static_cast<size_t>(k)], "class=\"forecast\"", "");
    const std::vector<std::string> pieces = vb::Split(line, "<td");
    if (pieces.size() <= 6) continue;
    const std::string stamp = vb::Trim(vb::Replace(vb::Replace(pieces[1], "</td>", ":00"), ">", ""));
    const vb::VbDate local = vb::CDate(stamp) - tzHours / 24;
    if (!(local > earliest)) continue;
    std::string first = cellText(pieces, choice.firstColumn);
    std::string second = cellText(pieces, choice.secondColumn);
    if (!choice.temperature) {
      if (first.empty()) first = "0.0";
      if (second.empty()) {
        if (repeats < kRepeatLimit && !lastSecond.empty()) {
          second = lastSecond;
          ++repeats;
        } else {
          ++repeats;
        }
      } else {
        lastSecond = second;
        repeats = 0;
      }
    }
    out += "Z\t" + vb::Format(local, "yyyy-mm-dd hh:mm") + "\t" + first + "\t" + second + "\n";
  }
  return out;
}

void Snowcast(Session& s, SourceCall& c) {
  c.Error.clear();
  c.RetrievalText.clear();
  const int comma = vb::InStr(c.StationId, ",");
  const std::string code = comma > 0 ? vb::Mid(c.StationId, comma + 1) : std::string();
  try {
    bool daylight = false;
    const double tz = TZOffset(s, daylight);
    if (s.BatchScheduled && s.SnowModelFetched) {
      const int h = vb::Hour(s.RunDateTime);
      bool allowed = false;
      for (double add : {0.0, 1.0, 4.0, 8.0, 10.0})
        if (h == static_cast<int>(std::trunc(tz + add))) allowed = true;
      if (!allowed) {
        c.Error = "Skip";
        s.errlog.writeLine("Snowcast skipped.");
        return;
      }
    }
    s.SnowModelFetched = true;
    const SnowcastPage choice = snowcastPage(c.DsidList, c.DatatypeCode);
    const std::string url =
        serverBase(s, kSnowcastService) + "/interactive/html/graph.html?data=" + std::to_string(choice.data) +
        "&region=us&units=" + (s.MetricUnits ? "1" : "0") + "&station=" + percentEncode(code);
    std::string reply = GetURL(s, url, false);
    // A reply that broke off is not asked again: the line fails with it.
    if (!hasMarker(reply) && s.BrokenDownload.empty()) {
      s.clock.sleepMs(kRetryWaitMs);
      reply = GetURL(s, url, false);
    }
    if (!hasMarker(reply)) {
      c.Error = code + " snowcast not found.";
    } else {
      int at = vb::InStr(reply, "Cover</th>");
      if (at == 0) at = vb::InStr(reply, "Forest Density");
      std::string text = snowcastTransform(vb::Mid(reply, at), choice, code, s.MetricUnits, c.FirstDay, tz);
      vb::writeScratchBytes(std::filesystem::current_path() / kSnowcastCopyName, text + "\r\n");
      c.RetrievalText = std::move(text);
    }
  } catch (const vb::Error& e) {
    c.Error = "SNOWCAST " + e.description();
  } catch (const std::exception& e) {
    c.Error = "SNOWCAST " + std::string(e.what());
  }
  if (!c.Error.empty()) {
    s.SnowModelFetched = false;
    s.LastError = c.Error;
    s.errlog.writeLine(c.Error);
    c.RetrievalText.clear();
  }
}

}  // namespace fw
