#pragma once
// "Save Edit" of the forecast page: the edited hours written back into the hourly series and,
// divided evenly, into the twelve 5-minute values of each hour, for the line the wizard was opened
// on, the latest model run of a "RUN-F" line, and with "Write to all forecasts" the forecast lines
// directly below it.
#include <string>
#include <vector>

namespace fw {

struct Session;

// The hour of day the first edit line belongs to: the first hourly row's hour minus 1 (an hourly
// row stamped hh:00 covers the hour before it), 23 for a row at hour 0.
int firstEditHour(int firstRowHour);
// The edit line of a row of the given hour of day, counted from the window's first hour.
int editLineOfHour(int hourOfDay, int firstHour);

// One walk over the recordset's rows per table. The rows written before a failure stay written;
// the message then names them.
void saveForecastEdit(Session& s);

}  // namespace fw
