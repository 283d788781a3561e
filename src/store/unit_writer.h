#pragma once
// The unit writers: UnitSeries into runit (munit during a model run), each value at its own time
// stamp, and the rating shifts of ShiftSeries into runitshift.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;

// Writes UnitSeries for the DSID from its first present value to element lastIndex, with the time
// of day, in place of the period's stored rows (a row the engine still refuses as a duplicate is
// logged as " RUNIT skip dublicate "). count, the run's number of daily values of the line, is
// accepted and not used. written is cleared on entry
// and set when a pass appended its rows without being stopped by an error. midnightOnly writes
// only the values stamped exactly 00:00. The value code is accepted as by every writer.
// hdbunitDAO first lowers lastIndex to the last element of UnitSeries.
void hdbunit(Session& s, const std::string& dsid, int32_t count, int16_t defaultSource, int16_t valueCode,
             int32_t& lastIndex, bool& written, bool midnightOnly);
void hdbunitDAO(Session& s, const std::string& dsid, int32_t count, int16_t defaultSource, int16_t valueCode,
                int32_t& lastIndex, bool& written, bool midnightOnly);

// Writes ShiftSeries from its first present value to element lastIndex, each row with the
// element's own source. The period runs from the UnitSeries time of that first element (the two
// series share index and time step) to periodEnd. A stored row with source 5 keeps the shift
// element of its time out of the write. The second argument is accepted and not used.
void hdbunitshift(Session& s, const std::string& dsid, int32_t unused, int32_t lastIndex,
                  vb::VbDate periodEnd);
void hdbunitshiftDAO(Session& s, const std::string& dsid, int32_t unused, int32_t lastIndex,
                     vb::VbDate periodEnd);

}  // namespace fw
