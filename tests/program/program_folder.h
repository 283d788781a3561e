#pragma once
// A program folder for the program tests, as a user keeps one.
#include <filesystem>
#include <string>
#include <vector>

#include "app/error_log.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::testing {

// A program folder as a user keeps one: the setup file, the radar tables of the example folder
// and a database made from the schema, named relative to the folder.
struct ProgramFolder {
  TempFolder folder;
  std::filesystem::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");

  explicit ProgramFolder(const std::vector<std::string>& settings, const std::vector<std::string>& stations) {
    for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table,
                                 folder / table);
    std::string text = "Write Dailys= True\r\n";
    for (const std::string& line : settings) text += line + "\r\n";
    text += "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n";
    text += "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n";
    for (const std::string& line : stations) text += line + "\r\n";
    text += "END\r\n";
    testing::writeFile(folder / "Flumewright_setup.txt", text);
  }
  // Points the setup file's database line at another database.
  void useConnection(const std::string& connString) const {
    const auto setup = folder / "Flumewright_setup.txt";
    std::string text = readFile(setup);
    const std::string key = "Database Connection String=";
    const size_t at = text.find(key) + key.size();
    text.replace(at, text.find("\r\n", at) - at, connString);
    writeFile(setup, text);
  }
  std::string log() const { return readFile(folder / kErrorLogName); }
  int count(const std::string& text) const {
    const std::string l = log();
    int n = 0;
    for (size_t at = l.find(text); at != std::string::npos; at = l.find(text, at + 1)) ++n;
    return n;
  }
  ProgramRun run(std::vector<std::string> args) const {
    ProgramRun r;
    r.args = std::move(args);
    r.workingFolder = folder.path();
    return r;
  }
};

}  // namespace fw::testing
