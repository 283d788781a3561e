#pragma once
// The hourly writer: HourSeries into rhour (mhour during a model run), and the review chart of
// the graph window, which it alone fills.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;

// Writes elements f..l of HourSeries for the DSID with their time of day, f the first present
// value dated after 2.0 and l the last one not earlier than f; values of -99999 or less, and a
// value not later than the one before it, are left out. Rows are written only while "Write
// Hourly Avg" (Check3) is ticked and, during a What-If run, when its traces are to be saved; the
// chart and caption are drawn all the same.
//
// The chart is drawn while the graph window is shown and noGraph is 0: the hourly values as one
// column (added beside the shown ones, or over the last one, by GraphAdd and GraphOverwrite), the
// Y scale from the daily extremes 1..dailyCount of DayMaxSeries and DayMinSeries, and a caption
// summary: captionTime as " m/d h:mm ampm" (or whatIfCaption alone in a What-If run) and, for
// flows (value codes 1 and 30), ", Max <peak> @ <time>, <volume> acft". defaultSource,
// secondCode and valueCode decide the style: running totals for rainfall, the chart's automatic
// scale for rainfall, wind direction and second code 27. GraphWait is clear whenever the writer
// returns.
//
// hdbhourlyDAO first lowers lastIndex to the last element of HourSeries; the caller sees it.
void hdbhourly(Session& s, const std::string& dsid, int32_t dailyCount, int16_t defaultSource,
               int16_t secondCode, int32_t& lastIndex, int16_t valueCode, const std::string& whatIfCaption,
               int16_t noGraph, vb::VbDate captionTime);
void hdbhourlyDAO(Session& s, const std::string& dsid, int32_t dailyCount, int16_t defaultSource,
                  int16_t secondCode, int32_t& lastIndex, int16_t valueCode, const std::string& whatIfCaption,
                  int16_t noGraph, vb::VbDate captionTime);

}  // namespace fw
