#pragma once
// Model-run destinations: a station id beginning "RUN-" or "MRUN-" sends the line's series to the
// model-run tables (munit, mhour, mday, ...) under a run id and trace, given in the id
// ("RUN-12-3-09380000") or taken from the run date, optionally only at listed save hours of a
// scheduled run ("MRUN-6,18-09380000").
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
#include "run/run_context.h"

namespace fw {

struct Session;

// Per line: resets the model-run state and, for a destination prefix, parses it and strips it
// from the line's station id, so that the classification sees the plain id.
void modelRunDestination(Session& s, LineState& line);

// Parses and removes the destination of `id`; sets RunId, TraceNo, ModelRunWrite and MrunLine.
// A run id or trace above 32767 raises Overflow (the line fails).
void mruncheck(Session& s, std::string& id, vb::VbDate runDateTime, int32_t lineIndex);

// Removes the hour list from `id` ("MRUN-6,18-X" becomes "MRUN-X"); true when the line saves now:
// always outside batch mode, else once in each listed hour.
bool SaveRunTime(Session& s, std::string& id, int32_t lineIndex);

}  // namespace fw
