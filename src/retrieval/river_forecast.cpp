#include "retrieval/river_forecast.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/net/net.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

constexpr int kTransferLimitMs = 20000;
constexpr size_t kShortReply = 250;
constexpr int kRetryWaitMs = 15000;
constexpr double kFiveMinutes = 5.0 / 1440;

std::string row(vb::VbDate t, double v) {
  return "Z\t" + vb::Format(t, "yyyy-mm-dd hh:mm") + "\t" + vb::CStr(v) + "\t\n";
}

// The number after a field's first ":".
double afterColon(const std::string& field) {
  return vb::Val(vb::Mid(field, vb::InStr(field, ":") + 1));
}

// Downloads the request into the file, replacing it; a transfer that fails or runs past the limit
// leaves the file empty, so that nothing older is ever read as this gauge's reply. False when no
// transfer could be started at all.
bool downloadToFile(Session& s, const std::string& url, const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::remove(file, ec);
  std::string body;
  bool complete = false;
  try {
    net::Session session("Flumewright", kTransferLimitMs);
    session.setWaitCallback([&s] { s.ui.doEvents(); });
    net::TransferLimits limits = downloadLimits(s);
    limits.totalMs = std::min(limits.totalMs, kTransferLimitMs);
    session.setLimits(limits);
    std::unique_ptr<net::UrlHandle> handle = session.openUrl(url, net::kOpenReload);
    if (handle) {
      char buffer[16384];
      for (;;) {
        const net::ReadResult r = handle->read(buffer, sizeof buffer);
        if (!r.ok) break;
        if (r.count == 0) {
          complete = true;
          break;
        }
        body.append(buffer, r.count);
      }
      handle->close();
    }
  } catch (const std::exception&) {
    return false;
  }
  vb::writeAllBytes(file, complete ? body : std::string());
  s.ui.doEvents();
  return true;
}

}  // namespace

NwpsText nwpsTransform(const std::string& reply, int16_t dataType, vb::VbDate windowStart, vb::VbDate windowEnd,
                       double tzHours) {
  NwpsText out;
  if (vb::InStr(reply, "issuedT") == 0) {
    out.error = "Flow Forecast error";
    return out;
  }
  const double factor = vb::InStr(reply, "kcfs") > 0 ? 1000 : 1;
  out.text = "NWS forecast datatype " + vb::CStr(static_cast<int32_t>(dataType)) + "\n";
  const std::vector<std::string> pieces = vb::Split(reply, "},");
  vb::VbDate previousDate = 0;
  double previousValue = 0;
  for (size_t i = 10; i < pieces.size(); ++i) {
    const std::string& rec = pieces[i];
    if (vb::InStr(2, rec, ":") == 0) continue;
    const int colon = vb::InStr(rec, ":");
    const int quote = vb::InStr(colon, rec, "\"");
    const std::string stamp = vb::Replace(vb::Mid(rec, quote + 1, 16), "T", " ");
    vb::VbDate date = vb::IsDate(stamp) ? vb::CDate(stamp) : 0;
    date -= tzHours / 24;
    if (date < windowStart - kForecastEdgeDays || date > windowEnd + kForecastEdgeDays) continue;
    const std::vector<std::string> fields = vb::Split(rec, ",");
    if (fields.size() < 4) vb::raise(vb::err::SubscriptOutOfRange);
    const double primary = afterColon(fields[2]);
    const double secondary = afterColon(fields[3]) * factor;
    const double value = dataType == 1 ? secondary : primary;
    if (previousDate > 1.0 && date >= windowStart && value > -10) {
      const double steps = static_cast<double>(vb::DateDiff("n", previousDate, date)) / 5;
      // A repeated time is no segment: nothing to draw, and no division by its zero length.
      if (steps > 0) {
        const double slope = (value - previousValue) / steps;
        const int64_t n = static_cast<int64_t>(vb::Round(steps));
        vb::VbDate t = previousDate;
        double v = previousValue;
        for (int64_t k = 0; k < n; ++k) {
          out.text += row(t, v);
          t += kFiveMinutes;
          v += slope;
        }
      }
    }
    previousDate = date;
    previousValue = value;
    out.anyRecord = true;
  }
  if (out.anyRecord) out.text += row(previousDate, previousValue);
  return out;
}

void GetNWPSForecast(Session& s, SourceCall& c) {
  c.Error.clear();
  c.RetrievalText.clear();
  try {
    bool daylight = false;
    const double tz = TZOffset(s, daylight);
    const int comma = vb::InStr(c.StationId, ",");
    const std::string gauge = comma > 0 ? vb::Mid(c.StationId, comma + 1) : std::string();
    const std::string url =
        serverBase(s, kNwpsService) + "/nwps/v1/gauges/" + percentEncode(gauge) + "/stageflow";
    const std::filesystem::path file = std::filesystem::current_path() / kStageflowName;
    if (!downloadToFile(s, url, file)) {
      c.Error = std::string("Shelling Curl.exe in Windows\\SysWOW64: ") + "Noaa AHPS Flood Forecast error.";
      return;
    }
    std::string reply = vb::readAllBytes(file);
    if (reply.size() < kShortReply) {
      s.clock.sleepMs(kRetryWaitMs);
      reply = GetURL(s, url, false);
    }
    const vb::VbDate windowStart =
        s.RealtimeMode ? s.RunDateTime : vb::Round(vb::CDate(s.form.TextBegindate.Text));
    // The line's forecast days follow its last day.
    const vb::VbDate windowEnd = c.LastDay + std::max<int32_t>(c.DayCount, 0) + 1;
    NwpsText t = nwpsTransform(reply, c.DatatypeCode, windowStart, windowEnd, tz);
    c.Error = t.error;
    c.RetrievalText = std::move(t.text);
    if (!t.anyRecord) {
      s.form.Text1.append("No forecast issued.\r\n");
    } else {
      vb::writeScratchBytes(s.inProgramFolder(kForecastCopyName), c.RetrievalText);
    }
  } catch (const vb::Error& e) {
    c.Error = e.description();
  } catch (const std::exception& e) {
    c.Error = e.what();
  }
}

}  // namespace fw
