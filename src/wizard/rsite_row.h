#pragma once
// The rsite rows the wizard's pages build (values joined by "; ", value i for column i) and the
// writer that puts one into table rsite after asking.
#include <string>

namespace fw {

struct Session;

// "; " digit "; " state "; 0": the digit is the first of the DSID box's last three characters.
std::string rsiteRowTail(const std::string& dsid, const std::string& state);

// Asks, then replaces the rsite record of `dsid` with the row's values (or adds one). A DSID that
// is not a whole number is refused with a message before any query. True when the record was
// written.
bool ReplaceRsite(Session& s, const std::string& dsid, const std::string& row);

}  // namespace fw
