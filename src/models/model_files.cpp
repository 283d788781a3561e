#include "models/model_files.h"

#include <system_error>

#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace fs = std::filesystem;

fs::path findCaseBlind(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  const fs::path folder = path.parent_path();
  const std::string wanted = vb::UCase(path.filename().string());
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const fs::path name = it->path().filename();
    if (vb::UCase(name.string()) == wanted) return folder / name;
  }
  return path;
}

bool removeCaseBlind(const fs::path& path) {
  std::error_code ec;
  return fs::remove(findCaseBlind(path), ec) && !ec;
}

std::vector<fs::path> filesWithExtension(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> found;
  const std::string wanted = vb::UCase(extension);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && vb::UCase(it->path().extension().string()) == wanted)
      found.push_back(it->path());
  }
  return found;
}

std::vector<std::string> readModelLines(const fs::path& path) {
  return vb::readLines(path);
}

void writeModelLines(const fs::path& path, const std::vector<std::string>& lines) {
  vb::writeLines(path, lines);
}

std::vector<std::string> optionItems(const std::string& text) {
  std::vector<std::string> items;
  if (vb::Trim(text).empty()) return items;
  for (const std::string& item : vb::Split(text, ",")) items.push_back(vb::UCase(vb::Trim(item)));
  return items;
}

}  // namespace fw::models
