#include "retrieval/point_forecast.h"

#include <algorithm>
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

constexpr size_t kShortReply = 2500;
constexpr int kRetryWaitMs = 15000;
constexpr int kTrailingLines = 26;

// The key that finds a data type's column; empty for a type the forecast does not give.
std::string keyOf(int16_t dataType, bool downloaded) {
  switch (dataType) {
    case 10:
      return "qpf";
    case 16:
      return "dew p";
    case 17:
      return "temp";
    case 18:
      return "umidi";
    case 19:
      return "irect";
    case 26:
      return "loud";
    case 28:
      return downloaded ? "sust" : "ustain";
    default:
      return "";
  }
}

int16_t mappedType(int16_t dataType) {
  return dataType == 9 || dataType == 11 ? int16_t{10} : dataType;
}

}  // namespace

int16_t dwmlValueField(const std::string& headerLine, int16_t dataType, bool downloaded) {
  const std::string key = keyOf(mappedType(dataType), downloaded);
  if (key.empty()) return 0;
  const std::vector<std::string> columns = vb::Split(headerLine, ",");
  int16_t field = 0;
  for (size_t k = 1; k < columns.size(); ++k) {
    const bool match = mappedType(dataType) == 17
                           ? vb::InStr(columns[k], "temp") > 0 && vb::InStr(columns[k], "hourly") > 0
                           : vb::InStr(columns[k], key) > 0;
    if (match) field = static_cast<int16_t>(k + 1);
  }
  return field;
}

DwmlText dwmlTransform(const std::string& reply, int stormType, bool metric, const QpfTable* table,
                       int startPosition, vb::VbDate windowEnd) {
  DwmlText out;
  const std::vector<std::string> lines = vb::Split(reply, "\n");
  std::string header = "NWSForecasts ";
  size_t validLine = 0;
  bool found = false;
  for (size_t i = 3; i < lines.size(); ++i) {
    if (vb::InStr(lines[i], "<start-valid-time>") > 0) {
      validLine = i;
      found = true;
      break;
    }
    const int colon = vb::InStr(lines[i], ":");
    if (vb::InStr(lines[i], "creation") > 0 && colon > 0)
      header += vb::Mid(lines[i], std::max(colon - 13, 1), 16);
  }
  if (!found) {
    out.error = "Point forecast is unavailable for the requested location.";
    return out;
  }
  const std::string& valid = lines[validLine];
  const vb::VbDate t0 = vb::CDate(vb::Replace(vb::Mid(valid, vb::InStr(valid, ">") + 1, 16), "T", " "));
  size_t firstParam = lines.size();
  for (size_t i = validLine + 24; i < lines.size(); ++i) {
    if (vb::InStr(lines[i], "humidity") > 0 || vb::InStr(lines[i], "temperature") > 0) {
      firstParam = i;
      break;
    }
  }
  const size_t lastParam = lines.size() >= 4 ? lines.size() - 4 : 0;
  std::vector<std::string> rows;
  int n1 = 0;
  QpfSpreader qpf(stormType, metric, table, startPosition);
  for (size_t i = firstParam; i <= lastParam && i < lines.size(); ++i) {
    // A blank line between the parameters carries none.
    if (vb::Trim(vb::Replace(vb::Replace(lines[i], "\r", ""), "\t", "")).empty()) continue;
    const std::vector<std::string> pieces = vb::Split(lines[i], "<value");
    const bool isQpf = vb::InStr(pieces[0], "qpf") > 0;
    const int count = static_cast<int>(pieces.size()) - 1;
    const bool first = i == firstParam;
    if (first) {
      // Hours past the window are never stored: they are not made either.
      const double hours = std::max(0.0, std::ceil((windowEnd + kForecastEdgeDays - t0) * 24));
      n1 = static_cast<int>(std::min<double>(count, hours));
      rows.assign(static_cast<size_t>(12 * n1 + kTrailingLines + 1), std::string());
    }
    header += "," + vb::Replace(vb::Replace(vb::Mid(pieces[0], 2, 27), "type=", ""), "\"", "");
    int row = 0;
    vb::VbDate t = t0;
    // A nil value repeats the one before it on this line only; before any, it is missing.
    std::string text = "-99";
    for (int k = 1; k <= n1; ++k) {
      if (k <= count) {
        const std::string piece = vb::Replace(pieces[static_cast<size_t>(k)], ">", "");
        if (isQpf) {
          const double amount = vb::Val(piece) * (metric ? 10 : 1);
          text = qpf.hour(amount);
        } else if (vb::InStr(piece, "xsi") == 0) {
          text = vb::CStr(vb::Val(piece));
        }
      } else if (isQpf) {
        text = qpf.missingHour(text);
      }
      for (int m = 0; m < 12; ++m) {
        ++row;
        std::string& r = rows[static_cast<size_t>(row)];
        if (first) {
          t += 5.0 / 1440;
          r = "Z\t" + vb::Format(vb::roundToSecond(t), "yyyy-mm-dd hh:mm");
        }
        std::string cell = text;
        if (isQpf) {
          bool capped = false;
          cell = qpf.step(text, capped);
          if (capped) ++out.capped;
        }
        r += "\t" + cell;
      }
    }
  }
  if (rows.empty()) rows.assign(kTrailingLines + 1, std::string());
  rows[0] = vb::Replace(vb::Replace(header, "type=", ""), "\"", "");
  out.text = vb::Join(rows, "\r\n");
  return out;
}

void GetNWSForecast(Session& s, SourceCall& c) {
  c.ValueFieldIndex = 0;
  c.Error.clear();
  c.WindDirSeries = c.WindDegrees = false;
  const std::string& location = c.ShiftAside;
  if (vb::InStr(location, ",") == 0) {
    c.Error = "Missing 'Lat,Long' in setup shift1";
    return;
  }
  try {
    const std::vector<std::string> parts = vb::Split(location, ",");
    const std::string lat = vb::Trim(parts[0]);
    const std::string lon = vb::Trim(parts[1]);
    int stormType = parts.size() > 2 ? static_cast<int>(vb::Int(vb::Val(parts[2]))) : 0;
    const std::string url = serverBase(s, kNwsForecastService) + "/MapClick.php?lat=" + percentEncode(lat) +
                            "&lon=" + percentEncode(lon) + (s.MetricUnits ? "&unit=m" : "") +
                            "&FcstType=digitalDWML";
    const int16_t type = mappedType(c.DatatypeCode);
    if (keyOf(type, true).empty()) {
      c.Error = "Data_type column not found for datatype " + vb::CStr(static_cast<int32_t>(c.DatatypeCode));
      return;
    }
    if (type == 19) c.WindDirSeries = c.WindDegrees = true;
    int startPosition = 0;
    if (type == 10) {
      bool daylight = false;
      const int utcHour = static_cast<int>(vb::Hour(s.RunDateTime) + TZOffset(s, daylight));
      startPosition = qpfStartPosition(((utcHour % 24) + 24) % 24);
      if (stormType != 0 && !s.QpfTableLoaded) {
        c.RetrievalText.clear();
        const std::filesystem::path file = s.inProgramFolder(kQpfTableName);
        if (!vb::fileExists(file)) {
          if (!s.BatchMode)
            s.ui.msgBox(file.string() + "  File not found and average values will be used instead.");
          stormType = 0;
        } else {
          s.QpfTable = parseQpfTable(vb::readAllBytes(file));
          s.QpfTableLoaded = true;
        }
      }
    } else {
      stormType = 0;
    }
    if (!c.RetrievalText.empty()) {
      const std::string firstLine =
          vb::Left(c.RetrievalText, std::max(vb::InStr(c.RetrievalText, "\n") - 1, 0));
      c.ValueFieldIndex = dwmlValueField(firstLine, c.DatatypeCode, false);
      if (c.ValueFieldIndex == 0) c.Error = "Data_type column not found in last request.";
      return;
    }
    std::string reply = GetURL(s, url, true);
    // A reply that broke off is not asked again: the line fails with it.
    if (reply.size() < kShortReply && s.BrokenDownload.empty()) {
      s.clock.sleepMs(kRetryWaitMs);
      reply = GetURL(s, url, true);
    }
    if (reply.size() < kShortReply) {
      c.RetrievalText = "NWS forecasters are down.";
      c.Error = "NWS forecasters not responsive.";
      return;
    }
    // The line's forecast days follow its last day.
    const vb::VbDate windowEnd = c.LastDay + std::max<int32_t>(c.DayCount, 0) + 1;
    DwmlText t = dwmlTransform(reply, stormType, s.MetricUnits, s.QpfTableLoaded ? &s.QpfTable : nullptr,
                               startPosition, windowEnd);
    if (!t.error.empty()) {
      c.Error = t.error;
      return;
    }
    if (s.form.chkBeep.ticked())
      for (int k = 0; k < t.capped; ++k) s.ui.beep();
    c.RetrievalText = std::move(t.text);
    vb::writeScratchBytes(s.inProgramFolder(kForecastCopyName), c.RetrievalText);
    const std::string firstLine =
        vb::Left(c.RetrievalText, std::max(vb::InStr(c.RetrievalText, "\r\n") - 1, 0));
    c.ValueFieldIndex = dwmlValueField(firstLine, c.DatatypeCode, true);
    if (c.ValueFieldIndex == 0) {
      s.LastError = "NWSforecast: Data_type column not found.";
      s.errlog.writeLine(s.LastError);
    }
  } catch (const std::exception& e) {
    const vb::Error* ve = dynamic_cast<const vb::Error*>(&e);
    s.LastError = ve ? ve->description() : std::string(e.what());
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
    // A reply that cannot be read fails the line: nothing of it is stored.
    c.RetrievalText.clear();
    c.Error = "Point forecast reply could not be read: " + s.LastError;
  }
}

}  // namespace fw
