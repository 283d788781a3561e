#pragma once
// Weather-model point forecasts from the SpotWx model tables: one model's rows for a latitude and
// longitude, in local time, converted to °F, mph and inches unless metric units are set, and
// expanded to the line's output step.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kSpotwxCopyName = "Spotwx.txt";  // in the program folder

struct SpotwxModel {
  const char* fileKey = "";  // the request's model key; empty for a model the service table lacks
  const char* header = "";   // line 0 of the result
  char cycle = 0;            // 'A' or 'B': the next-cycle time a download sets; 0 none
  int cycleMinutes = 0;      // that time is the run time plus this
  bool threeHour = false;    // rows three hours apart: rain is spread over three hours
};
SpotwxModel spotwxModel(const std::string& name);

// The result field of a data type for the model; 0 when the model does not serve it.
int16_t spotwxValueField(const std::string& model, int16_t dataType);

// The table's rows after runTime: local "yyyy-mm-dd hh:mm", values of fields 3 on, cumulative rain
// turned into rain per output step, units converted unless metric. Rows at or before runTime only
// carry their cumulative rain on; rows more than kForecastEdgeDays after endDay + 1 are dropped.
std::string spotwxRows(const std::string& reply, const std::string& model, int stepMinutes,
                       vb::VbDate runTime, int32_t endDay, bool metric);
// The rows expanded to the step: each row copied back to the step after the previous one; rows
// stop after the first one on or after endDay + 1. A row at or before runTime, or more than
// kForecastEdgeDays after endDay + 1, is dropped before it is expanded.
std::string spotwxExpand(const std::string& rows, const std::string& header, int stepMinutes,
                         vb::VbDate runTime, int32_t endDay);

// The retriever: StationId "FORECAST-<model>[-<step>]", location "lat,lon" in shift1, a page file
// in LineText, DatatypeCode, LastDay. Sets ValueFieldIndex; an empty text ends the line quietly.
void Spotwx(Session& s, SourceCall& c);

}  // namespace fw
