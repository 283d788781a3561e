#pragma once
// Feeding the flood-alert tracker from the rows a writer adds.
#include "platform/vb/date.h"
#include "run/run_state.h"

namespace fw {

// Adds one written value. With AlertSumCount above 0, AlertValue is the running sum over the last
// AlertSumCount values fed (kept in AlertSumWindow; the one that drops out is subtracted, so a
// value that was never fed is never subtracted); otherwise AlertValue is the value itself. Then the levels
// are tested against AlertValue, crossings dated `when`: the level list when AlertLastLevel is not 0, else
// the single AlertLevel, which ends the alert. Levels count as crossed only when AlertValue is strictly above
// them. Level arrays must cover the indexes used ("Subscript out of range" if not).
void feedAlertSum(FloodAlertTracker& t, double value, vb::VbDate when);

// The level-list test alone: for k from AlertNextLevel to AlertLastLevel whose level is below
// AlertValue, Str(AlertValue) is appended to AlertTexts(k); a first crossing dates
// AlertCrossDates(k), moves AlertNextLevel to k + 1 and, at the last level, ends the alert.
void crossAlertLevelList(FloodAlertTracker& t, vb::VbDate when);

}  // namespace fw
