#pragma once
// The interpreter of routing files: scripts of GET, ROUTE, RELEASE, IF, COMBINE, SUBTRACT, ADD,
// DIVERSION, PUT, WRITE and END that build one hydrograph for a ROUTE station line.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {
struct Session;
struct SourceCall;
}  // namespace fw

namespace fw::compute {

// Runs the routing file and hands back the text of "Routein.txt":
//   restartDay       0 from the run, handed on to the reservoir routing;
//   c.Dsid           the output DSID, in and out (PUT replaces it);
//   c.StationId      sets the step and table ("ROUTE-unit", "ROUTE-15UNIT", "ROUTE-HOUR", "ROUTE-DAY");
//   c.Triples[1].base extra warm-up days (may be empty);
//   c.ParameterCode  the routing file name, or a comma list picked by ParamSelector (set back to 0);
//   c.FirstDay, c.LastDay the window in whole days, in and out (widened for the warm-up);
//   c.MrunLine, RunId, TraceNo read the model-run tables.
// On success c.RetrievalText holds the file's text (date field 1, value field 2) and c.Error is
// empty; on failure c.RetrievalText is empty, c.Error says which line failed and why, and the
// previous "Routein.txt" stays.
void hdbrouting(Session& s, int32_t restartDay, SourceCall& c);

}  // namespace fw::compute
