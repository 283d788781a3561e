#include "run/alert_setup.h"

#include <algorithm>
#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {

bool alertSetUp(FloodAlertTracker& t, int16_t& emailSetting, const std::string& datatypeName,
                vb::VbDate lastRunStart, double alertStartTime) {
  const int p = vb::InStr(datatypeName, ">");
  t.AlertActive = 0;
  // A crossing count left by a line whose pass skipped the alert step must not be reported for
  // this one.
  t.AlertNextLevel = 0;
  t.AlertSumCount = 0;
  t.AlertValue = 0;
  t.AlertSumWindow.clear();
  if (p == 0) return false;

  t.AlertLastLevel = 0;
  // A line without a level list, prefix or table word must not take the last alert line's.
  t.AlertTexts.clear();
  t.AlertPrefix.clear();
  t.AlertTableWord.clear();
  t.AlertFromTime = lastRunStart + alertStartTime / 24;
  const std::string text = vb::UCase(vb::Mid(datatypeName, p + 1));
  const int d = vb::InStr(datatypeName, "-");
  if (d != 0) {
    if (vb::InStr(text, "EMAIL") > 0) {
      if (emailSetting == 0) emailSetting = -1;
      if (const int e = vb::InStr(text, "EMAILTO"); e > 0) {
        const int16_t k = vb::CInt(vb::Val(vb::Mid(text, e + 7, 1)));
        if (k <= 1) {
          if (emailSetting < 1) emailSetting = 1;
        } else {
          emailSetting = k;
        }
      }
    }
    t.AlertPrefix = vb::UCase(vb::Left(datatypeName, d - 1));
    const std::vector<std::string> parts = vb::Split(text, "-");
    const int n = vb::UBound(parts);
    if (n >= 0) t.AlertLevel = vb::Val(parts[0]);
    if (n >= 1) t.AlertTableWord = vb::UCase(vb::Trim(parts[1]));
    std::string levelList;
    if (n >= 2) {
      levelList = parts[static_cast<size_t>(n)];
      if (vb::InStr(parts[2], "SUM") > 0) {
        t.AlertSumCount = vb::CInt(vb::Val(parts[2]));
        t.AlertFromTime = lastRunStart + (alertStartTime - t.AlertSumCount) / 24;
      }
      if ((n == 2 && vb::InStr(parts[2], "EMAIL") > 0) || (n == 3 && vb::InStr(parts[3], "EMAIL") > 0))
        levelList.clear();
    }
    if (!levelList.empty()) {
      t.AlertTexts = vb::Split(levelList, ",");
      t.AlertLastLevel = static_cast<int16_t>(std::max(0, vb::UBound(t.AlertTexts)));
    }
  }
  const size_t levels = static_cast<size_t>(t.AlertLastLevel) + 1;
  t.AlertCrossDates.assign(levels, 0);
  t.AlertLevels.assign(levels, 0);
  if (t.AlertLastLevel != 0)
    for (size_t i = 0; i < levels; ++i) t.AlertLevels[i] = vb::Val(t.AlertTexts[i]);
  return true;
}

int16_t alertTableKind(const std::string& tableWord) {
  const std::string w = vb::UCase(vb::Trim(tableWord));
  if (w == "DAY") return 1;
  if (w == "HOUR") return 2;
  if (w == "UNIT") return 3;
  if (w == "DAYMAX") return 4;
  return 0;
}

}  // namespace fw
