#pragma once
// Shared helpers of the setup tests: a session over a temporary program folder and a few small
// setup files.
#include <filesystem>
#include <string>
#include <vector>

#include "app/setup_state.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::testing {

inline std::filesystem::path setupFixture(const std::string& name) {
  return std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "setup" / name;
}

// Joins lines with CR LF, each line ended by one.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

inline constexpr const char* kJetConnection =
    "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/hdb.mdb;User "
    "Id=admin;Password=;";

struct SetupSession : TestSession {
  std::filesystem::path setupPath() const { return folder / kSetupFileName; }
  void writeSetup(const std::string& bytes) const { writeFile(setupPath(), bytes); }
  void writeSetupLines(const std::vector<std::string>& lines) const { writeSetup(crlf(lines)); }
  void copyFixture(const std::string& name, const std::string& as) const {
    std::filesystem::copy_file(setupFixture(name), folder / as,
                               std::filesystem::copy_options::overwrite_existing);
  }
  // The database the sample setup file names (a Windows path, found by its name in the program folder).
  std::filesystem::path makeFixtureHdb() const { return makeHdb(folder.path(), "TablewiseHDB.mdb"); }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : ui.boxes) texts.push_back(b.text);
    return texts;
  }
};

}  // namespace fw::testing
