#pragma once
// Station-line text that goes into SQL is checked first: a table name must be one of the HDB
// series tables and a DSID an integer.
#include <string>

namespace fw {

// The HDB series tables and their model-run twins, in any case ("RDAY" is rday).
bool isSeriesTable(const std::string& name);
// Digits with an optional leading "-": the only DSID text put into SQL.
bool isIntegerDsid(const std::string& text);

}  // namespace fw
