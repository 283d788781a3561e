#pragma once
// The store's state for the program's lifetime: the main connection, the shared recordsets and
// the six series arrays.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/ado.h"
#include "platform/db/dao.h"
#include "platform/vb/date.h"

namespace fw {

struct Session;

// -999999 marks a missing value; such points (and points dated 2.0 or earlier) are never written.
inline constexpr double MissingValue = -999999.0;

struct SeriesPoint {
  vb::VbDate date = 0;  // days since 1899-12-30; a daily value carries the day at 00:00
  double value = 0;
  int16_t source = 0;   // 5 = edited and protected, 14 = radar; 0 = use the writer's default
  // A daily extreme's day when it is not the day of its time: the value at 00:00 that closes a
  // day is that day's extreme. 0 = the day of `date`.
  int32_t day = 0;
};

// The day a daily extreme belongs to.
inline vb::VbDate extremeDay(const SeriesPoint& e) {
  return e.day != 0 ? static_cast<vb::VbDate>(e.day) : vb::DateValue(e.date);
}

// The stochastic rain generator as the series reader calls it: DSID, begin, end, count (out),
// run_id, trace, a flag (the reader passes 0) and a one-element text list. It fills UnitSeries
// from element 1 and sets count to the index of the last element filled.
using StochasticRainFn = std::function<void(Session& s, const std::string& dsid, vb::VbDate begin, vb::VbDate end,
                                            int32_t& count, int16_t runId, int16_t trace, int16_t flag,
                                            std::vector<std::string>& texts)>;

// What the reader relies on when no generator is installed: count 0 and element 0 marked missing.
void noStochasticRain(Session& s, const std::string& dsid, vb::VbDate begin, vb::VbDate end, int32_t& count,
                      int16_t runId, int16_t trace, int16_t flag, std::vector<std::string>& texts);

struct StoreState {
  // The main connection and how its SQL is written (set by openHDB from the connection string).
  std::string HdbConnString;
  bool HdbUseDAO = false;
  bool HdbIsExcel = false;
  bool HdbAposDates = false;
  bool Hdb2AposDates = false;
  std::string HdbFile;  // the database file of a Jet string (DAO), as found on this machine

  // The one connection and recordset shared by every ADO routine, and the DAO pair. Each routine
  // closes the shared recordset when it is open and opens its own query on it.
  db::AdoConnection HdbCnn;
  db::AdoRecordset HdbRs;
  db::DaoDatabase HdbDb;
  db::DaoRecordset HdbDaoRs;
  bool HdbDaoRsOpen = false;
  std::optional<db::DaoEngine> DaoEngine;  // created on first use, kept for the program's life

  std::vector<SeriesPoint> UnitSeries;
  std::vector<SeriesPoint> HourSeries;
  std::vector<SeriesPoint> DaySeries;
  std::vector<SeriesPoint> DayMaxSeries;
  std::vector<SeriesPoint> DayMinSeries;
  std::vector<SeriesPoint> ShiftSeries;

  // The computations install the generator; the reader calls it when WhatIf.Stochastic is on.
  StochasticRainFn StochasticRain = noStochasticRain;
};

}  // namespace fw
