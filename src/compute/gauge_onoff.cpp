#include "compute/gauge_onoff.h"

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::compute {

GaugeOnOff readGaugeOnOff(Session& s) {
  GaugeOnOff list;
  std::filesystem::path file;
  if (!s.GageAvgFolder.empty()) {
    list.path = s.GageAvgFolder + "Plotwerks_OnOff.txt";
    file = list.path;
    list.logText = "OnOff Dir: Setup";
  } else {
    std::filesystem::path folder = s.programFolder;
    if (!folder.has_filename()) folder = folder.parent_path();
    file = folder.parent_path() / "Plotwerks" / "Plotwerks_OnOff.txt";
    list.path = file.string();
    list.logText = "OnOff Dir: Plotwerks";
  }
  if (!vb::fileExists(file)) {
    list.logText = "gage avg file Plotwerks_OnOff.txt: Not Found";
    s.errlog.writeLine("Warning " + list.logText);
    return list;
  }
  for (const std::string& line : vb::readLines(file)) {
    const std::vector<std::string> items = vb::Split(line, ",");
    const std::string first = vb::Trim(items.empty() ? std::string() : items[0]);
    if (first.empty() || !vb::IsNumeric(first)) continue;
    list.joined += vb::CStr(static_cast<int32_t>(vb::Val(first))) + ",";
  }
  return list;
}

}  // namespace fw::compute
