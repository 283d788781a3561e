#include "platform/stored_path.h"

#include <cctype>
#include <system_error>

namespace fw {

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The text after the last separator of either system (or a drive's ":", or "|").
std::string lastName(const std::string& text) {
  const std::size_t cut = text.find_last_of("\\/|:");
  return cut == std::string::npos ? text : text.substr(cut + 1);
}

}  // namespace

bool isWindowsPath(const std::string& p) {
  if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') return true;
  return p.find('\\') != std::string::npos || p.rfind("//", 0) == 0 || p.find('|') != std::string::npos;
}

std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder, const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::error_code ec;
  const std::filesystem::path here = folder / name;
  if (std::filesystem::is_regular_file(here, ec)) return here;
  const std::string wanted = lower(name);
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && lower(it->path().filename().string()) == wanted) return it->path();
  return std::nullopt;
}

std::optional<std::filesystem::path> findStoredFile(const std::string& text, const std::filesystem::path& folder) {
  if (text.empty()) return std::nullopt;
  std::error_code ec;
  if (!isWindowsPath(text)) {
    std::filesystem::path p(text);
    if (p.is_relative() && !folder.empty()) p = folder / p;
    if (std::filesystem::is_regular_file(p, ec)) return p;
    return std::nullopt;
  }
  if (std::filesystem::is_regular_file(text, ec)) return std::filesystem::path(text);
  return findInFolder(folder, lastName(text));
}

std::filesystem::path storedFolder(const std::string& text, const std::filesystem::path& folder) {
  std::error_code ec;
  if (text.empty()) return folder;
  if (std::filesystem::is_directory(text, ec) || !isWindowsPath(text)) return text;
  return folder;
}

}  // namespace fw
