#pragma once
// The series reader: one DSID's stored series between two times into UnitSeries.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;

// Reads the rows of table (runit, rhour, rday or a model-run twin; columns datatype_site_id,
// date_time, value, source) for the DSID from begin to end, both included, in time order, into
// UnitSeries from element 0 (zeroBased non-zero) or 1, never beyond its last element (the caller
// sizes it). count returns the index of the last element filled (-1 or 0 when none). modelRun
// non-zero reads by runId and trace too. extend non-zero carries a series of 4 values or more on
// at its last step, repeating the last value, up to end. With WhatIf.Stochastic on, the
// StochasticRain hook fills the array instead. Read errors go to the log pane and the error log;
// a row whose value, time or source cannot be read is stored as MissingValue, 0 and 0.
void GetHDB(Session& s, const std::string& dsid, const std::string& table, vb::VbDate begin, vb::VbDate end,
            int32_t& count, int16_t modelRun, int16_t runId, int16_t trace, int16_t zeroBased, int16_t extend);

// A DSID as it may go into SQL: an integer with an optional leading "-".
bool isDsid(const std::string& dsid);

}  // namespace fw
