#pragma once
// After the nowcast images of a radar pass: how many 5-minute nowcast values of each basin reach
// 0.05 in the three parts (thirds) of the nowcast period, how those counts compare with the
// previous run's, the damping of a weakening storm's nowcast, and the storm-count log line.
//
// Adjust types (the number after "E" in a line's NOWCAST option): 1 averages each nowcast value
// with the one an hour later (and moves the window one hour on); 2 damps only the last part when
// it holds 4 or more rainy values; 3 also damps the first and middle parts of a weakening storm.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;

// Values at or above this (inches per 5 minutes) count as rainy.
inline constexpr double kStormCountThreshold = 0.05;
// A part is weakening when its count fell by this much or more since the previous run.
inline constexpr int32_t kStormDiffCheck = -4;
inline constexpr const char* kStormCountLog = "Flumewright_StormCount.txt";
inline constexpr int32_t kStormCountLogLimit = 32000;  // bytes the storm-count log is kept below

// The counts one basin row keeps between runs: the middle part's and the last part's.
struct StormCountEntry {
  int32_t Middle = 0;
  int32_t Last = 0;
};

// One basin row of the pass: its adjust type and its values and times (image index from 0; the
// nowcast values from index A to B of the window).
struct NowcastAdjustRow {
  int16_t AdjustType = 0;  // 0: the row takes no part
  std::vector<double>* Values = nullptr;
  const std::vector<vb::VbDate>* Times = nullptr;
};

struct NowcastWindow {
  int32_t A = 0;  // first nowcast image index
  int32_t B = 0;  // last nowcast image index
};

// What the first row (the calling line) gave, for the log pane, the window and the log.
struct NowcastSummary {
  bool Made = false;  // the first row has an adjust type
  int16_t AdjustType = 0;
  int32_t K1 = 0, K2 = 0, K3 = 0;
  int32_t D1 = 0, D2 = 0;
  std::string Marks = "NNN";  // "Y" for each part that was damped
  // K1 K2 K3 marks " Diff: " D2 ", " D1.
  std::string text() const;
};

// Counts, compares and damps every row with an adjust type, in row order. `window` is the first
// row's nowcast window; a type-1 row moves it (and so the window of the rows after it).
// `counts` holds the previous run's counts per row and gets this run's; it grows to the rows.
// `imagesPerHour` = 60 / the image interval; `whatIfRain` the What-If rain factor (0 for none).
// A value one hour ahead is read only while it lies within the row's stored values.
NowcastSummary adjustNowcasts(std::vector<NowcastAdjustRow>& rows, NowcastWindow window, double imagesPerHour,
                              vb::VbDate runTime, double whatIfRain, std::vector<StormCountEntry>& counts);

// The window's caption "Adj Type E Count 5-min>0.05 by Hour: X".
std::string adjustTypeCaption(const NowcastSummary& summary);
// The storm-count log line: X, the run time, the site, the first row's DSID, the diff check and
// the batch interval ("0" outside batch runs).
std::string stormCountLine(const NowcastSummary& summary, vb::VbDate runTime, const std::string& site,
                           const std::string& dsid, const std::string& batchInterval);

// The log pane lines, the window's caption (kept in AdjustTypeCaption) and the storm-count log
// line (the log kept below its limit first) of a summary that was made.
void reportNowcastSummary(Session& s, const NowcastSummary& summary, const std::string& site,
                          const std::string& dsid);

}  // namespace fw
