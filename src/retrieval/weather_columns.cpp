#include "retrieval/weather_columns.h"

#include <cctype>
#include <exception>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

using Lines = std::vector<std::string>;

const std::string& at(const Lines& parts, std::size_t i) {
  if (i >= parts.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return parts[i];
}

// Left(text, n) where n may come out negative from a failed search: VB raises for it.
std::string leftChecked(const std::string& text, int n) {
  if (n < 0) vb::raise(vb::err::InvalidProcedureCall);
  return vb::Left(text, n);
}

std::string replaceAll(std::string text, const std::vector<std::pair<const char*, const char*>>& pairs) {
  for (const auto& [find, with] : pairs) text = vb::Replace(text, find, with);
  return text;
}

// Text between the first ">" and the first "<" after it.
std::string betweenTags(const std::string& piece) {
  const int gt = vb::InStr(piece, ">");
  const std::string after = vb::Mid(piece, gt + 1);
  const int lt = vb::InStr(after, "<");
  return lt == 0 ? after : vb::Left(after, lt - 1);
}

// The text of the first <strong> element of a piece: from "<strong" up to "</strong>", after the
// first ">"; without "</strong>" up to where the piece's first ">" stands.
std::string strongText(const std::string& piece, std::string* rest) {
  const int open = vb::InStr(piece, "<strong");
  if (open == 0) {
    if (rest) rest->clear();
    return "-99";
  }
  const std::string from = vb::Mid(piece, open);
  const int close = vb::InStr(from, "</strong>");
  std::string element;
  if (close > 0) {
    element = vb::Left(from, close - 1);
    if (rest) *rest = vb::Mid(from, close + 9);
  } else {
    element = leftChecked(from, vb::InStr(piece, ">") - 1);
    if (rest) rest->clear();
  }
  return vb::Mid(element, vb::InStr(element, ">") + 1);
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The page's date, written "Mmm d, yyyy" (or any form the date reader knows), as "yyyy/mm/dd ".
std::string pageDateText(const std::string& raw) {
  std::string t = vb::Trim(raw);
  for (int m = 0; m < 12; ++m) {
    if (t.compare(0, 3, kMonths[m]) != 0) continue;
    std::size_t i = 3;
    while (i < t.size() && !std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    int day = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) day = day * 10 + (t[i++] - '0');
    while (i < t.size() && !std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    int year = 0, digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && digits < 4) {
      year = year * 10 + (t[i++] - '0');
      ++digits;
    }
    if (day < 1 || digits != 4) break;
    return vb::Format(vb::DateSerial(year, m + 1, day), "yyyy/mm/dd ");
  }
  if (auto d = vb::parseDate(t)) return vb::Format(*d, "yyyy/mm/dd ");
  return t + " ";
}

void adapterFault(Session& s, std::string& text, const std::string& prefix, const std::string& what) {
  text.clear();
  s.LastError = prefix + what;
  s.errlog.writeLine(s.LastError);
}

}  // namespace

void SynopticCols(Session& s, std::string& text) {
  try {
    const int start = vb::InStr(text, "Station_ID");
    if (start == 0) {
      text.clear();
      return;
    }
    Lines lines = vb::Split(vb::Mid(text, start), "\n");
    std::string header = replaceAll(at(lines, 0), {{"_set_1d", ""},
                                                   {"_set_1", ""},
                                                   {"precip_accum_24", "precip_24"},
                                                   {"precip_accum", "precipTotal"},
                                                   {"air_temp", "tempAvg"},
                                                   {"relative_humidity", "humidityAvg"},
                                                   {"wind_speed", "windspeedAvg"},
                                                   {"wind_cardinal_direction", "winddirAvg"},
                                                   {"wind_gust", "windgustAvg"},
                                                   {"dew_point_temperature", "dewptAvg"},
                                                   {"altimeter", "pressureMax"},
                                                   {"solar_radiation", "solarRadiationHigh"}});
    if (!header.empty() && header.back() == '\r') header.pop_back();
    header += ", a, b";
    lines[0] = vb::Mid(header, vb::InStr(header, ",") + 1);
    for (std::size_t j = 2; j < lines.size(); ++j) {
      std::string& line = lines[j];
      if (vb::InStr(line, ",") == 0) continue;
      if (line.back() == '\r') line.pop_back();
      line = vb::Mid(line, vb::InStr(line, ",") + 1);
      const int t = vb::InStr(line, "T");
      const std::string date = vb::Replace(vb::Left(line, t + 5), "T", " ");
      const int comma = vb::InStr(line, ",");
      line = date + (comma > 0 ? vb::Mid(line, comma) : std::string()) + ", , ";
    }
    text = "\n" + vb::Join(lines, "\n");
  } catch (const std::exception& e) {
    adapterFault(s, text, "SynopticCols ", e.what());
  }
}

void MesoWestCols(Session& s, std::string& text) {
  try {
    const int start = vb::InStr(text, "PARM =");
    if (start == 0) {
      text.clear();
      return;
    }
    Lines lines = vb::Split(vb::Mid(text, start), "\n");
    for (std::string& line : lines)
      if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string params = replaceAll(at(lines, 0), {{"PREC", "precipTotal_PREC"},
                                                   {"PMID", "precipTotal_PMID"},
                                                   {"P24I", "precipTotal_P24I"},
                                                   {"TMPF", "tempAvg"},
                                                   {"RELH", "humidityAvg"},
                                                   {"SKNT", "windspeedAvg"},
                                                   {"DRCT", "winddirAvg"},
                                                   {"GUST", "windgustAvg"},
                                                   {"DWPF", "dewptAvg"},
                                                   {"PRES", "pressureMax"},
                                                   {"ALTI", "pressureMax"},
                                                   {"SOLR", "solarRadiationHigh"}});
    params += ", a, b";
    const int zone = vb::InStr(params, "TMZN");
    if (zone == 0) vb::raise(vb::err::InvalidProcedureCall);
    const std::string header = "DATE," + vb::Mid(params, zone);
    std::size_t last = 0;
    for (std::size_t j = 2; j < lines.size(); ++j) {
      std::string& line = lines[j];
      if (vb::InStr(line, ",") == 0) continue;
      last = j;
      const Lines f = vb::Split(line, ",");
      const std::string date =
          at(f, 0) + "-" + at(f, 1) + "-" + at(f, 2) + " " + at(f, 3) + ":" + at(f, 4) + ",";
      const int t = vb::InStr(line, "T");
      if (t > 0) {
        if (t < 3) vb::raise(vb::err::InvalidProcedureCall);
        line = date + vb::Mid(line, t - 2) + ", , ";
      }
    }
    std::string out = "\n" + header + "\n";
    for (std::size_t j = last; j >= 2; --j) out += lines[j] + ", , \n";
    text = out;
  } catch (const std::exception& e) {
    adapterFault(s, text, "MesoWest ", e.what());
  }
}

void wunderScrape20250325(const std::string& /*station*/, std::string& text, std::string& error) {
  error.clear();
  try {
    std::string pageDate;
    if (const int g = vb::InStr(text, "history_graphs"); g > 0) {
      const int comma = vb::InStr(g, text, ",");
      if (comma > 12) {
        const std::string near = vb::Mid(text, comma - 12, 18);
        pageDate = pageDateText(vb::Mid(near, vb::InStr(near, ">") + 1));
      }
    }
    const int tablePos = vb::InStr(text, "history-table desktop-table");
    if (tablePos == 0) {
      text.clear();
      error = "wunderScrape20250325 station not found.";
      return;
    }
    const std::string table = vb::Mid(text, tablePos);
    const int split = vb::InStr(table, "</thead><tbody");
    const std::string head = leftChecked(table, split - 1);
    const std::string body = vb::Mid(table, split);
    std::string out = "\n";

    const Lines cells = vb::Split(head, "\">");
    if (cells.size() < 2) {
      text.clear();
      error = "wunderScrape20250325 has no data.";
      return;
    }
    std::string names;
    for (std::size_t k = 4; k + 1 < cells.size(); ++k) {
      const int lt = vb::InStr(cells[k], "<");
      if (lt > 0) names += vb::Left(cells[k], lt - 1) + ",";
    }
    names = replaceAll(names, {{"Precip. Accum.", "precipTotal"},
                               {"Temperature", "tempAvg"},
                               {"Humidity", "humidityAvg"},
                               {"Speed", "windspeedAvg"},
                               {"Wind", "winddirAvg"},
                               {"Gust", "windgustAvg"},
                               {"Dew Point", "dewptAvg"},
                               {"Pressure", "pressureMax"},
                               {"Solar", "solarRadiationHigh"}});
    out += names + " aa, bb\n";

    const Lines rows = vb::Split(body, "<tr ");
    for (std::size_t k = 1; k < rows.size(); ++k) {
      const std::string& piece = rows[k];
      if (vb::InStr(piece, ":") > 0) {
        const int colon = vb::InStr(piece, ":");
        const std::string near = vb::Mid(piece, colon > 3 ? colon - 3 : 1);
        std::string time = vb::Mid(near, vb::InStr(near, ">") + 1);
        if (const int lt = vb::InStr(time, "<"); lt > 0) time = vb::Left(time, lt - 1);
        std::string row = pageDate + vb::Format(vb::CDate(vb::Trim(time)), "hh:mm");
        const Lines values = vb::Split(piece, "-value ");
        for (std::size_t v = 1; v < values.size(); ++v) {
          const std::string& sub = values[v];
          row += "," + (vb::InStr(sub, "<") > 0 ? betweenTags(sub) : std::string("-99"));
          if (v == 3) row += "," + strongText(sub, nullptr);
          if (v == 8) {
            std::string rest;
            row += "," + strongText(sub, &rest);
            row += "," + strongText(rest, nullptr);
          }
        }
        out += row + ",-1,-1\n";
      }
      if (vb::InStr(piece, "</thead><tbody") > 0) break;
    }
    text = out;
  } catch (const std::exception& e) {
    text.clear();
    error = std::string("WUscrape ") + e.what();
  }
}

void wunderScrape(int /*dayCount*/, const std::string& /*station*/, std::string& text, std::string& error) {
  error.clear();
  try {
    const int start = vb::InStr(text, "\"observations\"");
    if (start == 0) {
      text.clear();
      error = "wunderScrape station not found.";
      return;
    }
    // The observations end with their array: the page after it is no record's text.
    std::string observations = vb::Mid(text, start);
    if (const int end = vb::InStr(observations, "]"); end > 0) observations = vb::Left(observations, end - 1);
    const Lines records = vb::Split(observations, "stationID");
    std::string out = "\nWuDate,";
    const Lines first = vb::Split(at(records, 1), ",");
    for (std::size_t p = 1; p < first.size(); ++p)
      for (const char* name : WxFields)
        if (vb::InStr(first[p], name) > 0) out += std::string(name) + ",";
    out += " aa, bb\n";
    static const char* const kDataKeys[] = {"precipTotal", "tempAvg",     "humidityAvg",
                                            "speedAvg",    "dirAvg",      "gustAvg",
                                            "dewptAvg",    "pressureMax", "solarRadiationHigh"};
    for (std::size_t r = 1; r < records.size(); ++r) {
      const std::string& record = records[r];
      const int from = vb::InStr(record, "obsTimeLocal");
      if (from == 0) vb::raise(vb::err::InvalidProcedureCall);
      const Lines pieces = vb::Split(vb::Mid(record, from), ",");
      std::string row = vb::Replace(vb::Mid(at(pieces, 0), vb::InStr(pieces[0], ":") + 2), "\"", "") + ",";
      for (std::size_t p = 1; p < pieces.size(); ++p)
        for (const char* key : kDataKeys)
          if (vb::InStr(pieces[p], key) > 0) row += vb::Mid(pieces[p], vb::InStr(pieces[p], ":") + 1) + ",";
      out += vb::Replace(row, "}", "") + "-1,-1\n";
    }
    text = out;
  } catch (const std::exception& e) {
    text.clear();
    error = std::string("WUscrape ") + e.what();
  }
}

}  // namespace fw
