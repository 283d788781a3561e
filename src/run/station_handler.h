#pragma once
// Where every station line ends: its error is reported and counted, a runtime error raised in
// its work is reported through badvaluecheck (and the work goes on), the count line is written,
// the station closes and the run's limit of bad stations is applied.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/vb/date.h"
#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Reports and counts the station's error (a "Warning" as a warning, anything else as a bad
// station, a repeated site not again), writes the count line of a station without error, closes
// the station and applies the run's limit of bad stations. Gives Finish when the limit is passed,
// else nothing (the walk leaves the line).
std::optional<Move> stationHandler(Session& s, RunContext& ctx, LineState& line);

// What badvaluecheck is handed; the fields marked "in and out" come back changed.
struct BadValueCheckArgs {
  std::string Message;  // in and out: the error text and a line break
  std::string SiteName;
  std::string Dsid;
  std::string StationId;
  double Value = 0;  // in and out: the value being processed
  std::string UnitText;
  vb::VbDate ValueDate = 0;
  bool CheckOn = false;  // in and out: possible bad values are asked about
  double LastGoodValue = 0;
  int32_t DayIndex = 0;
  int32_t DayLimit = 0;
  int32_t MissingCount = 0;  // in and out
  int16_t ValueClass = 0;
  // The what-if run's switches (in and out): any error but a possible bad value ends it.
  int16_t Coefficient = 0;
  int16_t WriteMTables = 0;
  int16_t MonteType = 0;
  int16_t Stochastic = 0;
};

// The error number and text a possible bad value is raised with.
inline constexpr int32_t kBadPunchError = -2147220990;
inline constexpr const char* kBadPunchText = "Possible bad punch effecting Mean";

// Reports a runtime error of the station's work: a possible bad value ("bad punch" in the
// message) is asked about (Yes keeps it, No replaces it by the last good value and marks the day
// entries as edited, Cancel stops asking) and logged; any other error is logged as no data and
// ends a what-if run. Always true.
bool badvaluecheck(Session& s, BadValueCheckArgs& a);

// The arguments of badvaluecheck for the line's value in work, with `description` as message.
BadValueCheckArgs badValueArgs(const Session& s, const RunContext& ctx, const LineState& line,
                               const std::string& description);

// A runtime error raised in the station's work: counts it in StationErrorCount, reports it through
// badvaluecheck and takes back what that changed. The caller goes on after it.
void stationRuntimeError(Session& s, RunContext& ctx, LineState& line, const std::string& description);

// The text of a line whose retrieval brought fewer than four lines and no error text of its own:
// "No data: " and the line's own failed download, else "No data retrieved.".
std::string noDataText(const std::string& downloadError);
// A line that is not retrieved because the same service failed for the line before it.
inline constexpr const char* kServiceDownText =
    "Not retrieved: the service did not answer for the line before this one.";
// A line that is not retrieved because the same station's download had no data.
inline constexpr const char* kSameStationNoDataText =
    "No data: the download for the line before, of the same station, had none.";

// The texts a retrieval without a value column leaves: "Parameter Not Found" for an empty text,
// "Site number or parameter not found." for an HTML page, "Data not available." otherwise.
std::string noValueColumnText(const std::string& retrievalText);

}  // namespace fw
