#pragma once
// An hourly series of reference ET, solar radiation or incoming long-wave radiation from a table of
// hourly weather read from the database: one EToHourly call per row, the rows written to
// "wonderin.txt" and read back as the result.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {
struct Session;
}

namespace fw::compute {

struct EtoSeriesCall {
  bool cloud = false;         // the fourth input is cloud cover in percent
  std::string parameterCode;  // "TALL": tall reference; "LONG" on a solar line: long-wave radiation
  int16_t inputCount = 0;     // in: inputs less one; out: increased by one (4 = a solar column)
  int16_t datatype = 0;       // 29 = solar radiation (or long-wave); else reference ET
  // latitude, site longitude, time-zone meridian longitude (negative west), elevation in feet, wind
  // factor; on a long-wave line one number, the °F added to the air temperature
  std::string stationParameters;
  std::vector<int16_t> columns;  // out: 2, 3, 4, 5 (entry 0 is 2, the result's field)
  double hourShift = 0;
  // in: row 0 a header, rows "marker TAB date TAB temperature TAB humidity TAB wind [TAB solar]";
  // out: the header and one "marker TAB date TAB value" row per computed row
  std::string table;
  std::string dsid;  // for the temperature lookups of estimated solar radiation
  bool modelRun = false;
  int16_t runId = 0;
  int16_t trace = 0;
};

// Raises vb::Error when the work file cannot be written or read.
void EToCompute(Session& s, EtoSeriesCall& c);

}  // namespace fw::compute
