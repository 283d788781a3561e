#pragma once
// An alert line: its Datatype_Name holds ">" followed by the alert text, "-"-separated: the level,
// the table word ("DAY", "HOUR", "UNIT", "DAYMAX"), an optional rain sum ("6SUM"), "EMAIL" or
// "EMAILTO<n>" and the named levels ("4000 ACTION,5000 MINOR"). The text is parsed once per
// line into the flood-alert tracker that the writers then feed.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
#include "run/run_state.h"

namespace fw {

// Resets the tracker for the line and, for an alert line, fills it from `datatypeName`. The
// window starts `alertStartTime` hours (less the sum hours) after `lastRunStart`. `emailSetting`
// is only changed by a line that asks for e-mail: -1 "EMAIL", 1 to 9 the digit after "EMAILTO".
// True for an alert line.
bool alertSetUp(FloodAlertTracker& t, int16_t& emailSetting, const std::string& datatypeName,
                vb::VbDate lastRunStart, double alertStartTime);

// The tracker's table kind from the line's table word: "DAY" 1, "HOUR" 2, "UNIT" 3, "DAYMAX" 4,
// anything else 0.
int16_t alertTableKind(const std::string& tableWord);

}  // namespace fw
