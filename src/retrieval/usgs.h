#pragma once
// Stream gauges of the USGS water information system: instantaneous and daily values in the
// RDB tab-separated format, and the legacy unit-values page once the web service has failed us.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kUsgsCopyName = "USGSin.txt";

// A reply turned into retrieval text: "USGS" becomes "Z", so data rows are value lines with the
// date in field 2, and ValueField is where the value is.
struct UsgsText {
  std::string text;
  int16_t ValueField = 0;
  // Unit-value rows stamped at or before a clock time already read (the hour repeated when
  // daylight time ends), which the run does not store, and the day ("yyyy-mm-dd") of the first.
  int32_t RepeatedReadings = 0;
  std::string RepeatedDay;
};

// The 5-minute rebuild of unit values: each row's value is written at every 5-minute step since
// the previous row (at most 13 steps; after a longer gap the next row's steps start from this
// row), with the step's date ("mm-dd-yyyy hh:mm") in the row's date field. The first row only
// sets the start.
class FiveMinuteSteps {
 public:
  // `fields` is a value line split at TAB; its date is fields[dateField].
  void add(const std::vector<std::string>& fields, std::size_t dateField, std::string& out);
  // The same with the row's date already read from fields[dateField].
  void add(const std::vector<std::string>& fields, std::size_t dateField, vb::VbDate when, std::string& out);

 private:
  bool started_ = false;
  int64_t expected_ = 0;  // the last step written, in whole seconds
};

// The address of a gauge line's first request in a real-time run, as GetUSGS will ask it; empty
// when that is not known before the call (history runs, the Water Data road).
std::string usgsRequestAddress(const Session& s, const SourceCall& c);

// The reply's rows for the gauge line. `beginDay` (a whole day) empties earlier unit-value rows;
// `daily` replies have their value in field 3; `fiveMinute` rebuilds unit values at a 5-minute
// step, each row's value written at every step since the previous row ("mm-dd-yyyy hh:mm").
// The value field of unit values is the header's column of `parameterCode` (five digits).
// Raises vb::Error for a row whose date cannot be read.
UsgsText usgsTransform(const std::string& reply, int32_t beginDay, bool daily, bool fiveMinute,
                       const std::string& parameterCode = "");

// The retriever: station code "site" or "site,anything" (the comma asks for the 5-minute step),
// parameter code(s) "60,65", the window from the run. Fills RetrievalText, D, V and Error and
// copies the result to "USGSin.txt".
void GetUSGS(Session& s, SourceCall& c);

}  // namespace fw
