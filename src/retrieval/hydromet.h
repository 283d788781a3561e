#pragma once
// USBR Hydromet reports of a region: instantaneous and daily values of one or more parameters of
// a site in one request. Station codes "USBRLC..." go to the Lower Colorado reports.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kHydrometTitle = "Hydromet USBR Pacific Northwest Region";
inline constexpr const char* kHydrometNoData = "No data found.";

// How the reply's rows are read.
struct HydrometRead {
  bool WindRows = false;    // the wind-direction line: direction (in degrees, as received) and speed
  bool WholeHours = false;  // a 60-minute interval keeps rows at whole hours only
  bool FiveMinute = false;  // rows rebuilt at a 5-minute step
  vb::VbDate StopAt = 0;    // not 0: reading stops after the first row dated exactly then
  // ET lines: the row's last field becomes this value (fields date first); its solar region 0
  // has the field of value column `DailyColumn` times 24.
  std::function<double(const std::vector<std::string>& fields)> EtValue;
  int16_t DailyColumn = 0;
};

struct HydrometText {
  std::string text;
  bool HasData = false;  // a row with a value came
};

// The reply (LF lines, TAB fields; data from line 3 to the fifth-last) turned into retrieval
// text: the title, then "Z" and the row's fields. A last field without a number reads "-99".
HydrometText hydrometTransform(const std::string& reply, const HydrometRead& read);

// The retriever: "USBRpn-SITE" (a "," asks for the 5-minute step) and "[minutes-]CODE" or a
// parameter list; "WD" brings the wind speed along and reads the direction. Fills RetrievalText,
// ValueColumns and Error ("No data found.  " when no row came).
void GetHydromet(Session& s, SourceCall& c);

}  // namespace fw
