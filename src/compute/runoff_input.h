#pragma once
// The forcing of a runoff station: its rain series and reference evapotranspiration laid out as
// one row per model step in "runoffIn.txt", which the run then reads like a retriever's text
// (date in field 1, rain in 2, ET in 3, the rain's source code in 4).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "store/store_state.h"

namespace fw {
struct Session;
struct SourceCall;
}  // namespace fw

namespace fw::compute {

// The rain table and step from the station id's text after its first "-": "UNIT" (n minutes when
// it starts with n > 1, else 5), "HOUR" (n hours, else 1), "DAY" (one day); 5 minutes from "RUNIT"
// otherwise. Later matches win.
struct RunoffInputStep {
  std::string table;      // "RUNIT", "RHOUR" or "RDAY"
  double stepDays = 0;    // the step as a fraction of a day
};
RunoffInputStep runoffInputStep(const std::string& stationId);

// The radar rain series of a runoff station: 30ddd gives 10ddd, -30ddd gives -10ddd.
std::string radarRainDsid(const std::string& stationDsid);

// The rain and ET series named by the station's parameter code: of a pair the smaller in
// magnitude is the rain; a single DSID above 26999 in magnitude is an ET series. 0 = none.
// "Overflow" for a DSID outside the 16-bit range.
struct RunoffInputDsids {
  int32_t rain = 0;
  int32_t et = 0;
};
RunoffInputDsids runoffInputDsids(const std::string& stationId, const std::string& inputDsids,
                                  const std::string& stationDsid);

// The seasonal reference ET ("Kansas") of a day, inches per day.
double seasonalEt(int32_t dayNumber);

// ET by day and hour (hour 0 only for daily steps), single precision as it is stored, filled from
// the seasonal curve; stored values overwrite it cell by cell.
class EtGrid {
 public:
  EtGrid(int32_t firstDay, int32_t lastDay, bool hourly, const double* hourFractions);
  // "Subscript out of range" outside the grid.
  float at(vb::VbDate when) const;
  void set(vb::VbDate when, float inchesValue);
  bool hourly() const { return hourly_; }

 private:
  size_t index(vb::VbDate when) const;
  int32_t first_ = 0, last_ = 0;
  bool hourly_ = true;
  std::vector<float> cells_;
};

// The rows after the title line: from `beginDay` 00:00 one row per step, each rain point
// (rain[1..count]) written at its own time, rows going on while before `end` + 0.0006 day.
// Rain is in inches (millimetres converted with `metric`).
std::string runoffInputRows(const std::vector<SeriesPoint>& rain, int32_t count, int32_t beginDay, double end,
                            double stepDays, const EtGrid& et, bool metric);

// The whole assembly for a runoff line: DSID choice, window, ET grid (stored series or curve),
// the rain through GetHDB, "runoffIn.txt" written and read back into c.RetrievalText; c.RainDsid
// is the rain series used. `modelRunRead` reads the rain from the model-run tables. A failure
// leaves c.RetrievalText empty and c.Error (and LastError) with its text.
void getrunoffinput(Session& s, SourceCall& c, bool modelRunRead, bool suppressMessages);

}  // namespace fw::compute
