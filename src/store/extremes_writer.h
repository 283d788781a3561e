#pragma once
// The daily extremes writers: DayMaxSeries into rdaymax (mdaymax during a model run) and
// DayMinSeries into rdaymin (mdaymin), one row per day holding the day and the time the extreme
// was reached.
#include <cstdint>
#include <string>

namespace fw {

struct Session;

// Writes elements 1..lastIndex (element 0 is never written), the first element of each day only;
// when the first and the last value fall on one day, only the last is written. For value codes 1
// and 30 (flows) the maximum writer keeps the run's largest daily maximum in PeakFlow and
// PeakFlowTime, and it feeds a "DAYMAX" flood alert. On a workbook the day of today is never
// written: the write stops there.
void hdbdmax(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
             int16_t valueCode);
void hdbdmaxDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                int16_t valueCode);
void hdbdmin(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource);
void hdbdminDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource);

}  // namespace fw
