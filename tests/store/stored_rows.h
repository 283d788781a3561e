#pragma once
// Reading and seeding series rows for the writer tests, on connections of their own.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/format.h"
#include "support/test_hdb.h"

namespace fw::testing {

struct Stored {
  vb::VbDate date;  // date_time (for the extremes: the day in column date, see storedExtremes)
  double value;
  int source;
  bool operator==(const Stored&) const = default;
};

inline std::ostream& operator<<(std::ostream& o, const Stored& r) {
  return o << "{" << vb::Format(r.date, "mm/dd/yyyy hh:mm:ss") << ", " << r.value << ", " << r.source << "}";
}

// Rows of DSID 1001 in time order; extra is more of the where clause (" and trace=3").
inline std::vector<Stored> storedRows(const std::filesystem::path& file, const std::string& table,
                                      const std::string& extra = "") {
  testing::TestConnection b(file);
  db::QueryResult r = b.run("select date_time, value, source from " + table + " where datatype_site_id=1001" +
                            extra + " order by date_time");
  std::vector<Stored> out;
  for (size_t i = 0; i < r.rowCount(); ++i)
    out.push_back({r.cells[i * 3].toDate(), r.cells[i * 3 + 1].toDouble(),
                   static_cast<int>(r.cells[i * 3 + 2].toInteger())});
  return out;
}

inline void storeRow(const std::filesystem::path& file, const std::string& table, vb::VbDate when,
                     double value, int source) {
  execSql(file, "insert into " + table + " (datatype_site_id, date_time, value, source) values (1001, " +
                    testing::dateSql(when) + ", " + vb::CStr(value) + ", " + std::to_string(source) + ");");
}

}  // namespace fw::testing
