#include "common/paths.h"

namespace fw {
namespace {

constexpr const char* kSeparators = "\\/";

}  // namespace

std::string ParentFolder(const std::string& path) {
  if (const auto nul = path.find('\0'); nul != std::string::npos) {
    std::string folder = path.substr(0, nul);
    const bool windowsStyle = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
    return folder + (windowsStyle ? "\\" : "/");
  }
  const auto last = path.find_last_of(kSeparators);
  if (last == std::string::npos) return "";
  return path.substr(0, last + 1);
}

std::string FileNameOnly(const std::string& path) {
  const auto last = path.find_last_of(kSeparators);
  if (last == std::string::npos) return path;
  return path.substr(last + 1);
}

}  // namespace fw
