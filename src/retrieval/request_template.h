#pragma once
// Request templates with placeholders ("SITEID", "ZZ", "YYYYMMDD", ...), filled in one pass.
#include <string>
#include <utility>
#include <vector>

namespace fw {

// Replaces every occurrence of each placeholder, case-sensitively, scanning the template once
// from the left: a substituted value is never scanned again, so a value that holds another
// placeholder's name stays whole. Where two placeholders start at one place the one listed
// first wins. Values are used as given (encode them first where they go into a query).
std::string fillTemplate(const std::string& text,
                         const std::vector<std::pair<std::string, std::string>>& placeholders);

}  // namespace fw
