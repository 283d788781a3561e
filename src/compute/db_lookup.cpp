#include "compute/db_lookup.h"

#include "app/session.h"
#include "store/connection.h"

namespace fw::compute {

LookupRow lookupRow(Session& s, std::string sql) {
  LookupRow row;
  bool atEnd = true;
  double largest = 0;
  GetCurrentCNNsql(s, sql, atEnd, row.first, largest, row.second);
  CloseCNNrs(s);
  row.found = !atEnd;
  return row;
}

}  // namespace fw::compute
