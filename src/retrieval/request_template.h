#pragma once
// Request templates with placeholders ("MYGAGE", "KTS_ID", ...), filled in one pass.
#include <string>
#include <utility>
#include <vector>

namespace fw {

// Every occurrence of each placeholder (case-sensitive) is replaced by its value. The template is
// read once from left to right, so a substituted value is never scanned again: a password holding
// "PW" or a gauge holding "EDT" stays whole. Where two placeholders start at the same place, the
// one listed first wins.
std::string fillTemplate(const std::string& pattern,
                         const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace fw
