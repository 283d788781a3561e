#include "retrieval/madis_history.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

using Fields = std::vector<std::string>;

constexpr const char* kHeader =
    "Date, gmt hr, OTHER - MTR, , dewptAvg, v, humidityAvg, v, pressureMax, Z, tempAvg, v, winddirAvg, v, "
    "windspeedAvg, v, precipTotal, Z, PCPTOTL, Z, solarRadiationHigh, Z, millibars, Z, STALOC, b";
constexpr std::size_t kDumpFields = 23;    // fewer: a row of the CGI path (precipitation only)
constexpr std::size_t kLayoutFields = 26;  // the dump's row layout
constexpr const char* kBlank = "          ";

bool blank(const std::string& field) {
  return vb::Trim(field).empty();
}

// Kelvin, pascal and m/s fields of a dump row, in the units of the line.
void convertUnits(Session& s, Fields& f, bool cgiRow) {
  const bool metric = s.MetricUnits;
  const auto convert = [&](std::size_t i, double factor, double add, const char* pattern) {
    if (blank(f[i])) return;
    f[i] = vb::FormatNumber(vb::CDbl(vb::Trim(f[i])) * factor + add, pattern);
  };
  if (!cgiRow) {
    if (metric) {
      convert(5, 1, -273.15, "0.0");
      convert(11, 1, -273.15, "0.0");
      convert(15, 3.6, 0, "0.0");
    } else {
      convert(5, 1.8, -459.67, "0.0");
      convert(11, 1.8, -459.67, "0.0");
      convert(15, 1 / 0.44704, 0, "0.0");
    }
    convert(9, 0.01, 0, "0.0");
    convert(23, 0.01, 0, "0.0");
  }
  // Precipitation in metres: implausible amounts are blanked rather than stored.
  const double toLength = metric ? 1000.0 : 39.37008;
  for (const auto& [i, limit] : {std::pair<std::size_t, double>{17, 0.4}, {19, 10.0}}) {
    if (blank(f[i])) continue;
    const double v = vb::CDbl(vb::Trim(f[i]));
    f[i] = v > limit ? std::string(kBlank) : vb::FormatNumber(v * toLength, "0.000000");
  }
}

}  // namespace

void Madis5DayHistInsert(Session& s, const std::string& newText, const std::filesystem::path& source,
                         bool replace) {
  const std::filesystem::path path = s.inProgramFolder(kMadisHistoryName);
  const std::filesystem::path tmp = s.inProgramFolder(std::string(kMadisHistoryName) + ".tmp");
  try {
    if (!vb::fileExists(path)) {
      std::filesystem::copy_file(source, tmp, std::filesystem::copy_options::overwrite_existing);
      std::filesystem::rename(tmp, path);
      return;
    }
    const std::string old = vb::readAllBytes(path);
    if (!s.MadisBackupTaken) {
      vb::writeAllBytes(s.inProgramFolder(kMadisBackupName), old);
      s.MadisBackupTaken = true;
    }
    const auto rowTime = [](const Fields& f) { return vb::CDate(vb::Trim(f[1]) + " " + vb::Trim(f[2])); };
    const Fields block = vb::Split(newText, "\n");
    bool anyNew = false;
    vb::VbDate nf = 0, nl = 0;
    for (std::size_t j = 1; j + 1 < block.size(); ++j) {
      const Fields f = vb::Split(block[j], ",");
      if (f.size() <= 6) continue;
      nl = rowTime(f);
      if (!anyNew) nf = nl;
      anyNew = true;
    }
    if (!anyNew) return;  // a block without rows changes nothing

    const Fields lines = vb::Split(old, "\n");
    std::string out;
    bool blockWritten = false, laterWritten = false, firstRow = true, front = false;
    for (std::size_t j = 1; j + 1 < lines.size(); ++j) {
      const std::string& line = lines[j];
      if (line.size() <= 50) continue;
      const Fields f = vb::Split(line, ",");
      if (f.size() <= 8) {
        if (!blockWritten && !laterWritten) out += line + "\n";
        continue;
      }
      const vb::VbDate d = rowTime(f);
      if (firstRow && d > nl) {
        front = true;
        break;
      }
      firstRow = false;
      if (d < nf) {
        out += line + "\n";
        continue;
      }
      if (replace) break;
      if (!blockWritten) {
        out += newText + "\r\n";
        blockWritten = true;
      }
      if (d > nl) {
        out += line + "\n";
        laterWritten = true;
      }
    }
    std::string merged;
    if (front)
      merged = newText + old;
    else if (replace || !blockWritten)
      merged = out + newText;
    else
      merged = out;
    vb::writeAllBytes(tmp, merged);
    std::filesystem::rename(tmp, path);
  } catch (const std::exception& e) {
    std::error_code ec;
    std::filesystem::remove(tmp, ec);
    s.errlog.writeLine(std::string("Madis5DayHistInsert: the history was left as it was: ") + e.what());
  }
}

void MadisRead(Session& s, const std::string& station, int32_t firstDay, int32_t lastDay, float offsetHours,
               std::string& table, std::string& error) {
  error.clear();
  try {
    // A history-mode collection's hours, while there are any; else the history.
    std::filesystem::path path = s.inProgramFolder(kMadisHistoryName);
    if (!s.MadisHistoryModePath.empty() && vb::fileExists(s.MadisHistoryModePath))
      path = s.MadisHistoryModePath;
    std::string history;
    if (vb::fileExists(path)) {
      history = vb::readAllBytes(path);
      if (history.size() > kMadisHistoryLimit) {
        // About the oldest fifth goes; the next read starts at a whole line again.
        history = history.substr(history.size() / 5 - 1);
        const std::filesystem::path tmp = path.string() + ".tmp";
        vb::writeAllBytes(tmp, history);
        std::filesystem::rename(tmp, path);
      }
    } else if (!s.BatchMode) {
      s.ui.msgBox(path.string() + " not found.  Run MADIS first");
    }

    const vb::VbDate end = lastDay + 1;
    std::string out = station + "\n" + kHeader + "\n";
    bool first = true, accumulated = false, rateMode = false;
    double total = 0;
    vb::VbDate previous = 0;
    // The lines from the second to the one before the last line feed; only the station's are split.
    std::size_t at = history.find('\n');
    for (std::size_t next = 0; at != std::string::npos; at = next) {
      ++at;
      next = history.find('\n', at);
      if (next == std::string::npos) break;
      std::string_view line(history.data() + at, next - at);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (station.empty() || line.substr(0, 19).find(station) == std::string_view::npos) continue;
      Fields f = vb::Split(std::string(line), ",");
      // The id must stand alone: "KSLC" is not "KSLCX".
      if (f.size() < 8 || vb::Trim(f[0]) != station) continue;
      const bool cgiRow = f.size() < kDumpFields;
      if (cgiRow) {
        Fields wide(kLayoutFields);
        for (std::size_t i = 0; i < 5; ++i) wide[i] = f[i];
        for (std::size_t i = 5; i < 9; ++i) {
          if (i >= f.size()) vb::raise(vb::err::SubscriptOutOfRange);
          wide[i + 12] = f[i];
        }
        f = std::move(wide);
      }
      if (f.size() < kLayoutFields) f.resize(kLayoutFields);
      const vb::VbDate t = vb::CDate(vb::Trim(f[1]) + " " + vb::Trim(f[2])) - offsetHours / 24.0;
      if (t > end) break;
      if (t < firstDay) continue;
      f[0].clear();
      f[1] = vb::Format(t, "yyyy-mm-dd hh:mm");
      convertUnits(s, f, cgiRow);
      if (rateMode) {
        const double hours = std::min(1.0, (t - previous) * 24);
        if (!blank(f[17])) {
          total += vb::Val(f[17]) * 3.6 * hours;
          f[17] = vb::FormatNumber(total, "0.00000");
        }
      }
      out += vb::Join(Fields(f.begin() + 1, f.end()), ",") + "\n";
      previous = t;
      if (first) {
        first = false;
        if (!blank(f[19]))
          accumulated = true;
        else
          rateMode = true;
      }
    }
    if (accumulated) out = vb::Replace(vb::Replace(out, "precipTotal", "PCPRATE"), "PCPTOTL", "precipTotal");
    Fields pieces = vb::Split(out, "\n");
    if (pieces.size() > 3) std::sort(pieces.begin() + 2, pieces.end());
    std::string sorted;
    for (const std::string& p : pieces)
      if (p.size() > 2) sorted += p + "\n";
    vb::writeAllBytes(s.inProgramFolder(kMadisStationSortName), sorted);
    table = std::move(sorted);
  } catch (const std::exception& e) {
    error = std::string("MadisRead ") + e.what();
  }
}

}  // namespace fw
