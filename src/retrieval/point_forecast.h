#pragma once
// Point weather forecasts of the national weather service in their digital DWML form: one column
// per forecast parameter at a 5-minute step, forecast rain spread by qpf_pattern.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
#include "retrieval/qpf_pattern.h"

namespace fw {

struct Session;
struct SourceCall;

struct DwmlText {
  std::string text;   // the result: header line, rows, 26 empty lines, joined by CR LF
  std::string error;  // "Point forecast is unavailable for the requested location."
  int capped = 0;     // rain shares cut to the cap
};

// The document read by its text rules: creation stamps, the first start-valid-time, parameter
// lines cut at "<value". A nil value repeats the value before it on the same line; a nil first
// value is "-99"; blank lines carry no parameter. Hours that begin more than kForecastEdgeDays
// after windowEnd (the end of the line's last forecast day) are not expanded.
DwmlText dwmlTransform(const std::string& reply, int stormType, bool metric, const QpfTable* table,
                       int startPosition, vb::VbDate windowEnd);

// The column (field index) of the data type in a result's header line; 0 when none. `downloaded`
// chooses the wind-speed key ("sust" after a download, "ustain" on a kept text).
int16_t dwmlValueField(const std::string& headerLine, int16_t dataType, bool downloaded);

// The retriever: location "lat,lon[,storm type]" in ShiftAside, DatatypeCode, a kept
// RetrievalText to reuse. Sets ValueFieldIndex and the wind flags; copies to "forcast.txt".
void GetNWSForecast(Session& s, SourceCall& c);

}  // namespace fw
