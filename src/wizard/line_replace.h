#pragma once
// A rebuilt station line written back into the editor row the wizard was opened on, then the
// setup file saved through the editor and the wizard closed.
#include <string>

namespace fw {

struct Session;

// Writes `line` field by field (trimmed) into the wizard's row, empties base2 first, saves the
// setup file and closes the wizard. Refused with a message, nothing written, when the row no longer
// holds the station and DSID the wizard was opened on (the list was edited or reordered since).
// False when nothing was written or the save failed.
bool ReplaceSetupLine(Session& s, const std::string& line);

}  // namespace fw
