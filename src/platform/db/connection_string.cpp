#include "platform/db/connection_string.h"

#include <cctype>

#include "platform/db/error.h"
#include "platform/vb/strings.h"

namespace fw::db {

namespace {



std::string squeezeLower(const std::string& s) {
  std::string out;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool windowsPath(const std::string& p) {
  if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') return true;
  return p.find('\\') != std::string::npos || p.rfind("//", 0) == 0 || p.find('|') != std::string::npos;
}

[[noreturn]] void notFound(const std::string& text) { raise(err::EngineFailure, "Could not find file '" + text + "'."); }

}  // namespace

std::string connectionValue(const std::string& connectionString, const std::string& key) {
  const std::string want = squeezeLower(key);
  size_t start = 0;
  while (start <= connectionString.size()) {
    size_t end = connectionString.find(';', start);
    if (end == std::string::npos) end = connectionString.size();
    std::string part = connectionString.substr(start, end - start);
    size_t eq = part.find('=');
    if (eq != std::string::npos && squeezeLower(part.substr(0, eq)) == want) {
      std::string v = vb::Trim(part.substr(eq + 1));
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
      return v;
    }
    start = end + 1;
  }
  return "";
}

DataSourceSpec parseConnectionString(const std::string& connectionString) {
  DataSourceSpec spec;
  spec.provider = connectionValue(connectionString, "Provider");
  spec.dataSource = connectionValue(connectionString, "Data Source");
  if (vb::LCase(connectionString).find("excel") != std::string::npos) raise(err::EngineFailure, kWorkbookNotSupported);
  std::string p = vb::LCase(spec.provider);
  if (p.find("jet") != std::string::npos || p.find("ace.oledb") != std::string::npos || p.find("access") != std::string::npos) {
    spec.aposDates = false;
  } else if (p.find("sqlite") != std::string::npos) {
    spec.aposDates = true;
  } else {
    raise(err::UnknownProvider, "Provider cannot be found. It may not be properly installed.");
  }
  return spec;
}

std::filesystem::path resolveDataSource(const std::string& dataSource, const std::filesystem::path& programFolder) {
  std::string text = vb::Trim(dataSource);
  if (text.empty()) notFound(text);
  // The file system would end the path at the NUL and open some other file.
  if (text.find('\0') != std::string::npos)
    raise(err::EngineFailure, "The data source holds a NUL character; no file name can hold one: \"" +
                                  vb::Replace(text, std::string(1, '\0'), "\\0") + "\".");
  std::error_code ec;
  if (!windowsPath(text)) {
    std::filesystem::path p(text);
    if (p.is_relative() && !programFolder.empty()) p = programFolder / p;
    return p;
  }
  if (std::filesystem::exists(text, ec)) return text;
  size_t cut = text.find_last_of("\\/|:");
  std::string name = cut == std::string::npos ? text : text.substr(cut + 1);
  if (name.empty()) notFound(text);
  std::filesystem::path here = programFolder / name;
  if (std::filesystem::is_regular_file(here, ec)) return here;
  const std::string want = vb::LCase(name);
  for (std::filesystem::directory_iterator it(programFolder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && vb::LCase(it->path().filename().string()) == want) return it->path();
  }
  notFound(text);
}

}  // namespace fw::db
