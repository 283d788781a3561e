#pragma once
// Rating-table lookup: a stored series converted through a two-column rating file (x TAB y),
// linear or logarithmic in either column, handed back through "LookupIn.txt".
#include <cstdint>
#include <string>
#include <vector>

#include "run/run_services.h"

namespace fw::compute {

// Interpolation kinds: which columns are taken as natural logarithms.
enum class RatingKind : int16_t { Linear = 0, LinearLog = 1, LogLinear = 2, LogLog = 3 };

// A rating read from its file: x and y from entry 1 (entry 0 unused), logarithms already taken
// where the kind asks.
struct LookupRating {
  std::vector<double> x{0.0}, y{0.0};
  int32_t rows = 0;
};

// Table and kind of a LOOKUP station identifier (upper-cased by the run). The identifier comes
// back without blanks and with "," as "-".
struct LookupStation {
  std::string table = "RUNIT";
  RatingKind kind = RatingKind::Linear;
};
LookupStation parseLookupStation(std::string& stationId);

// Reads the rating file (header line skipped; rows "x TAB y"; any line end). Raises a vb::Error
// naming the file for a missing file, more than 2000 rows, fewer than two rows, or an x that
// does not rise.
LookupRating readLookupRating(const std::string& path, RatingKind kind);

// y for one value x (in the value's units: the logarithm is taken here for kinds 2 and 3).
double lookupValue(const LookupRating& r, RatingKind kind, double value);

// The LOOKUP source: station id, parameter code "dsid, rating file", window (in and out), model
// flags; RetrievalText or Error ("Lookup: " and the description).
void Lookup(Session& s, SourceCall& c);

}  // namespace fw::compute
