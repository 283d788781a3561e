#pragma once
// The gauge on/off list of the companion graphing program ("Plotwerks_OnOff.txt"): gauges listed
// there are left out of an average line.
#include <string>

namespace fw {
struct Session;
}

namespace fw::compute {

struct GaugeOnOff {
  std::string path;     // the list file looked for
  std::string joined;   // every listed DSID followed by ","; empty when none or no file
  std::string logText;  // "OnOff Dir: Setup", "OnOff Dir: Plotwerks" or the not-found text
};

// Reads the list from the gauge-average folder setting, else from the Plotwerks folder beside the
// program folder. A missing file is a warning in the error log; every input is then used.
GaugeOnOff readGaugeOnOff(Session& s);

}  // namespace fw::compute
