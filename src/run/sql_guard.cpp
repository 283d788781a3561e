#include "run/sql_guard.h"

#include <array>
#include <string_view>

#include "platform/vb/strings.h"

namespace fw {

bool isSeriesTable(const std::string& name) {
  static constexpr std::array<std::string_view, 11> kTables = {"rday",    "rdaymax",    "rdaymin", "rhour",
                                                               "runit",   "runitshift", "mday",    "mdaymax",
                                                               "mdaymin", "mhour",      "munit"};
  const std::string lower = vb::LCase(name);
  for (std::string_view t : kTables)
    if (lower == t) return true;
  return false;
}

bool isIntegerDsid(const std::string& text) {
  size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (i >= text.size() || text.size() - i > 18) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace fw
