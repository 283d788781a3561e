#include "retrieval/canada.h"

#include <exception>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/request_template.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kClimatePath =
    "/YYYYMMDD/WXO-DD/climate/observations/hourly/csv/ZZ/climate_hourly_ZZ_SITEID_yyyy_P1H.csv";
constexpr const char* kHydrometricPath =
    "/YYYYMMDD/WXO-DD/hydrometric/csv/ZZ/hourly/ZZ_SITEID_hourly_hydrometric.csv";

struct CodeColumn {
  int code;
  int column;
};
constexpr CodeColumn kColumns[] = {{1, 10},  {19, 16}, {28, 14}, {34, 18},
                                   {35, 20}, {36, 24}, {46, 2},  {47, 6}};

std::string unquoted(const std::string& field) {
  return vb::Replace(field, "\"", "");
}

}  // namespace

int canadaColumn(const std::string& parameterCode) {
  const std::string code = vb::Trim(parameterCode);
  if (!vb::IsNumeric(code)) return -1;
  const double number = vb::CDbl(code);
  for (const CodeColumn& row : kColumns)
    if (number == row.code) return row.column;
  return -1;
}

bool canadaClimateCode(const std::string& parameterCode) {
  return vb::Val(parameterCode) <= 45;
}

std::string canadaPath(const std::string& parameterCode, const std::string& station,
                       const std::string& province, int32_t endDay) {
  const bool climate = canadaClimateCode(parameterCode);
  return fillTemplate(climate ? kClimatePath : kHydrometricPath,
                      {{"YYYYMMDD", vb::Format(static_cast<vb::VbDate>(endDay), "yyyymmdd")},
                       {"SITEID", percentEncode(station)},
                       {"ZZ", percentEncode(province)},
                       {"yyyy", vb::Format(static_cast<vb::VbDate>(endDay), "yyyy")}});
}

std::vector<std::string> splitCsvRow(const std::string& row) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char ch : row) {
    if (ch == '"') quoted = !quoted;
    if (ch == ',' && !quoted)
      fields.emplace_back();
    else
      fields.back() += ch;
  }
  return fields;
}

std::string canadaTransform(const std::string& file, bool climate, int column, int32_t beginDay,
                            int32_t endDay) {
  std::string out = std::string(kCanadaTitle) + "\n";
  const std::vector<std::string> lines = vb::Split(file, "\n");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find(',') == std::string::npos) continue;
    const std::vector<std::string> f = splitCsvRow(line);
    std::string dateText;
    if (climate) {
      if (f.size() > 4) dateText = unquoted(f[4]);
    } else if (f.size() > 1) {
      dateText = vb::Replace(vb::Left(unquoted(f[1]), 16), "T", " ");
    }
    const vb::VbDate when = vb::CDate(dateText);
    if (when < beginDay || vb::Int(when) > endDay) continue;
    // A row cut short has an empty value: missing, never another column's.
    const std::string value =
        static_cast<std::size_t>(column) < f.size() ? unquoted(f[static_cast<std::size_t>(column)]) : "";
    out += "Z\t" + dateText + "\t" + value + "\n";
  }
  return out;
}

void GetCanada(Session& s, SourceCall& c) {
  int32_t beginDay = 0;
  int32_t endDay = 0;
  try {
    if (s.RealtimeMode) {
      endDay = static_cast<int32_t>(vb::Int(s.RunDay));
      beginDay = endDay - c.DayCount;
    } else {
      beginDay = static_cast<int32_t>(vb::Int(vb::CDate(vb::Left(s.form.TextBegindate.Text, 10))));
      endDay = static_cast<int32_t>(vb::Int(vb::CDate(vb::Left(s.form.TextEnddate.Text, 10))));
      if (c.UnitValues) {
        endDay += 2;
        c.DayCount += 1;
      }
    }
    const bool climate = canadaClimateCode(c.ParameterCode);
    const std::string path = canadaPath(c.ParameterCode, c.StationId, c.SiteState, endDay);
    const int column = canadaColumn(c.ParameterCode);
    if (column < 0) {
      // Nothing of another parameter may be stored under this line.
      c.RetrievalText.clear();
      c.RetrievalKey.clear();
      s.LastError = kCanadaUnserved;
      s.errlog.writeLine(s.LastError);
      return;
    }
    if (c.ValueColumns.empty()) c.ValueColumns.resize(1);
    c.ValueColumns[0] = 2;
    const std::string key = path + " " + std::to_string(column);
    if (!c.RetrievalText.empty() && c.RetrievalKey == key && c.RetrievalCacheId == c.StationId) return;

    c.RetrievalText.clear();
    c.RetrievalKey.clear();
    const std::string file = GetURL(s, serverBase(s, kCanadaService) + path, false);
    c.RetrievalText = canadaTransform(file, climate, column, beginDay, endDay);
    c.RetrievalKey = key;
    c.RetrievalCacheId = c.StationId;
    vb::writeScratchBytes(s.inProgramFolder(kCanadaCopyName), c.RetrievalText);
  } catch (const std::exception& e) {
    const vb::Error* ve = dynamic_cast<const vb::Error*>(&e);
    c.RetrievalText = std::string(kCanadaTitle) + "\n";
    c.RetrievalKey.clear();
    s.LastError = std::string("Canada Water Office: ") + (ve ? ve->description() : std::string(e.what()));
    s.errlog.writeLine(s.LastError);
  }
}

}  // namespace fw
