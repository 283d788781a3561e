#pragma once
// The daily writer: DaySeries into rday (mday during a model run), and the recomputation of one
// day's value from its stored unit values.
#include <cstdint>
#include <string>

#include "app/session.h"

namespace fw {

// Writes elements 0..lastIndex of DaySeries for the DSID, one row per day at 00:00. The default
// source is stored for elements whose source is 0; the value code is accepted as by every writer.
// The caller has the main connection open for writing; hdbdailyDAO when HdbUseDAO is set.
void hdbdaily(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
              int16_t valueCode);
void hdbdailyDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                 int16_t valueCode);

// Recomputes the daily value of `day` (a day number) from the day's unit values in runit, once the
// next day already has a daily row: the total for value code 10 (rainfall), else the mean, of the
// values after the first (the first is the one at 00:00, which belongs to the day before). A total
// of exactly 0 writes nothing. The value goes through RoundValue and the daily writer.
void RedoCurrentday(Session& s, const std::string& dsid, int32_t day, int16_t defaultSource,
                    int16_t valueCode);

}  // namespace fw
