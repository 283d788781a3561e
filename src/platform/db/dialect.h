#pragma once
// The Access dialect the program writes its SQL in, translated for the engines, which store every
// date as a REAL day number (days since 1899-12-30) rounded to whole seconds:
//   #mm/dd/yyyy#, #mm/dd/yyyy hh:mm#, #mm/dd/yyyy  hh:mm# (and any other date text between #)
//       become numeric day literals, rounded to whole seconds;
//   '...' literals of the same month-first forms become day literals too, but only on a
//       connection that writes its dates between apostrophes;
//   [name$] (a workbook's sheet name) becomes name;
// anything else, plain day serials included, passes unchanged. A # literal that is not a date is
// left as it is, so the engine refuses the statement as a faulty command.
//
// For a PostgreSQL server, whose dates are timestamp columns, the date literals become
// TIMESTAMP 'yyyy-mm-dd hh:mm:ss' instead, [name] becomes "name", & between texts becomes ||,
// and "select top n ..." becomes "select ... limit n". A statement it cannot carry over whole (a #
// literal that is not a date) raises FaultyCommand rather than reaching the server half changed.
#include <string>

#include "platform/vb/date.h"

namespace fw::db {

enum class SqlTarget { Sqlite, Postgres };

std::string translateAccessSql(const std::string& sql, bool aposDates, SqlTarget target = SqlTarget::Sqlite);

// A date as the server's timestamp text, "yyyy-mm-dd hh:mm:ss", rounded to whole seconds.
std::string timestampText(vb::VbDate d);

// The numeric literal of a day number as the translation writes it: rounded to whole seconds
// and printed so that it reads back as exactly the same double.
std::string dayLiteral(vb::VbDate d);

}  // namespace fw::db
