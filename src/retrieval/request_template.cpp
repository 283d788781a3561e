#include "retrieval/request_template.h"

namespace fw {

std::string fillTemplate(const std::string& pattern,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  std::string out;
  out.reserve(pattern.size() + 64);
  std::size_t i = 0;
  while (i < pattern.size()) {
    bool replaced = false;
    for (const auto& [placeholder, value] : values) {
      if (!placeholder.empty() && pattern.compare(i, placeholder.size(), placeholder) == 0) {
        out += value;
        i += placeholder.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += pattern[i++];
  }
  return out;
}

}  // namespace fw
