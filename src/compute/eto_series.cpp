#include "compute/eto_series.h"

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/eto_hourly.h"
#include "retrieval/weather_station.h"

namespace fw::compute {

namespace {

double item(const std::vector<std::string>& items, std::size_t i) {
  return i < items.size() ? vb::Val(items[i]) : 0.0;
}

int16_t regionOf(int16_t feet, double longitude) {
  if (feet < 400) return longitude > -116.5 ? 1 : 2;
  if (feet < 3000) return 3;
  if (feet < 5000) return 4;
  return 5;
}

}  // namespace

void EToCompute(Session& s, EtoSeriesCall& c) {
  EtoLine a;
  TZOffset(s, a.daylight);
  const std::vector<std::string> items = vb::Split(c.stationParameters, ",");
  a.latitude = item(items, 0) * 3.14159 / 180;
  a.offset = (item(items, 1) - item(items, 2)) / 15;
  a.shortReference = vb::InStr(vb::UCase(c.parameterCode), "TALL") == 0;
  const int16_t feet = vb::CInt(item(items, 3));
  const int16_t stationRegion = regionOf(feet, item(items, 1));
  a.windFactor = item(items, 4);
  c.inputCount = static_cast<int16_t>(c.inputCount + 1);
  const bool measuredColumn = !c.cloud && c.inputCount == 4;
  a.elevation = feet * 0.3048;
  a.cloud = c.cloud;
  a.datatype = c.datatype;
  a.inputCount = c.inputCount;
  a.hourShift = c.hourShift;
  a.dsid = c.dsid;
  a.modelRun = c.modelRun;
  a.runId = c.runId;
  a.trace = c.trace;
  c.columns = {2, 3, 4, 5};
  if (c.datatype == 29) {
    if (vb::InStr(vb::UCase(c.parameterCode), "LONG") > 0) {
      a.offset = vb::Val(c.stationParameters);
      a.longWave = true;
    } else {
      c.columns[3] = 4;
    }
  }

  const std::vector<std::string> rows = vb::Split(c.table, "\n");
  std::string out = (rows.empty() ? std::string() : rows[0]) + "\n";
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string> f = vb::Split(rows[r], "\t");
    if (f.size() <= 3 || vb::Val(f[2]) == -99) continue;
    a.SolarRegion = stationRegion;
    if (measuredColumn && f.size() > 5 && vb::IsNumeric(f[5]) && vb::Val(f[5]) != -99) a.SolarRegion = 0;
    out += f[0] + "\t" + f[1] + "\t" + EToHourly(s, a, f, c.columns) + "\n\r\n";
  }
  c.columns[0] = 2;
  const auto path = s.inProgramFolder(kWeatherWorkFile);
  vb::writeAllBytes(path, out);
  c.table = vb::readAllBytes(path);
}

}  // namespace fw::compute
