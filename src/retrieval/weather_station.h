#pragma once
// Sub-daily values of weather stations: Iowa Mesonet ASOS airports and personal weather stations
// (source type 1), MesoWest (27, "MW-"), Synoptic (29, "SY-") and the MADIS history (31, "MA-").
// Each reply becomes a weather table (weather_columns.h); the rows of the window become value
// lines, written to "wonderin.txt" as well. ET, solar and long-wave lines also get a computed value
// per row from EToHourly in the table's last column.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kWeatherWorkFile = "wonderin.txt";

// What one call carries from day to day and into the table stage.
struct WxTableState {
  int16_t SourceType = 1;
  bool asos = false;
  std::string station;  // for the error log
  std::string parameterCode;
  std::vector<std::string> parameters;  // the parameter list, trimmed
  int16_t parameterIndex = 0;
  int16_t datatype = 0;
  std::vector<int16_t> Columns;  // out: value line field of each parameter
  bool computed = false;         // ET, solar or long-wave value in the last column
  bool reprocess = false;        // the reply is an earlier value-line text
  int32_t firstDay = 0;
  float tzHours = 0;  // UTC = local + tzHours
  // set up for EToHourly
  bool daylight = false;
  double latitude = 0, elevation = 0, offset = 0, windFactor = 0;
  bool shortReference = true, longWave = false;
  int16_t SolarRegion = 0;
  double hourShift = 0;
  // across the days of one call
  bool headerDone = false;
  bool matched = false;
  bool anyKept = false;
  bool guardLogged = false;
  vb::VbDate lastKept = 0;
  vb::VbDate previousEt = 0;
  float precipSum = 0;
  int16_t firstPrecipColumn = 0;
  int16_t minuteColumn = 0;
  int rows = 0;  // value lines written
};

// The table stage for one reply: the header (once per call) with the column match, then the
// rows as value lines appended to out. error gets "No matching parameter column found." when no
// column matched and it was empty.
void wxTableStage(Session& s, WxTableState& st, const std::string& reply, int16_t columnBase,
                  std::string& out, std::string& error);

// The retriever (roles of SourceCall: station, parameters, data type, LineText = the site data
// of ET and solar lines, Triples (base1 = the Synoptic token), HourShift, RetrievalText in and
// out, ValueColumns out, Error).
void GetWxStation(Session& s, SourceCall& c);

}  // namespace fw
