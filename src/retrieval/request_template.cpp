#include "retrieval/request_template.h"

namespace fw {

std::string fillTemplate(const std::string& text,
                         const std::vector<std::pair<std::string, std::string>>& placeholders) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    bool replaced = false;
    for (const auto& [name, value] : placeholders) {
      if (!name.empty() && text.compare(at, name.size(), name) == 0) {
        out += value;
        at += name.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[at++];
  }
  return out;
}

}  // namespace fw
