#pragma once
// One-row lookups of the computations on the shared recordset.
#include <string>

#include "platform/vb/variant.h"

namespace fw {
struct Session;
}

namespace fw::compute {

struct LookupRow {
  bool found = false;  // a row came
  vb::Variant first, second;
};

// Runs the select (Access dialect, # dates) through GetCurrentCNNsql and closes the shared
// recordset again; second is the second column when the select names exactly two.
LookupRow lookupRow(Session& s, std::string sql);

// A stored value that is really there: a row whose first column is not Null.
inline bool hasValue(const LookupRow& r) {
  return r.found && !r.first.isNull() && !r.first.isEmpty();
}

}  // namespace fw::compute
