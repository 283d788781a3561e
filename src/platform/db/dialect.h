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
#include <string>

#include "platform/vb/date.h"

namespace fw::db {

std::string translateAccessSql(const std::string& sql, bool aposDates);

// The numeric literal of a day number as the translation writes it: rounded to whole seconds
// and printed so that it reads back as exactly the same double.
std::string dayLiteral(vb::VbDate d);

}  // namespace fw::db
