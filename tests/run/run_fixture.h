#pragma once
// A program folder for headless runs: a setup file with settings and station lines, an HDB made
// from the schema, the site list, and fake retrievers that answer by station id.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/setup_data.h"
#include "platform/vb/textfile.h"
#include "platform/vb/strings.h"
#include "run/line_kinds.h"
#include "run/runstations.h"
#include "run/service_fakes.h"
#include "store/connection.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::testing {

// One row of the site list: DSID, data type number, unit, parameter code.
struct SiteRow {
  std::string dsid;
  int datatype = 1;
  std::string unit = "cfs";
  std::string parameter = "00060";
};

class RunFixture : public ::testing::Test {
 protected:
  // Writes the setup file (the settings, the connection line, a header and the station lines),
  // writes `sites` into rsite and reads it all with setupdata.
  void setUp(const std::vector<std::string>& settings, const std::vector<std::string>& stations,
             const std::vector<SiteRow>& sites = {}, HdbEngine engine = HdbEngine::AdoSqlite) {
    hdb = makeHdb(t.folder.path());
    std::string text;
    for (const std::string& line : settings) text += line + "\r\n";
    text += "Database Connection String=" +
            (engine == HdbEngine::Dao ? jetConnString(hdb) : sqliteConnString(hdb)) + "\r\n";
    text += "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n";
    for (const std::string& line : stations) text += line + "\r\n";
    text += "END\r\nnotes\r\n";
    writeFile(t.folder / "Flumewright_setup.txt", text);
    for (const SiteRow& site : sites)
      execSql(hdb, "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code) "
                   "values ('" + site.dsid.substr(site.dsid.size() - 3) + "', " + site.dsid + ", 'Site', " +
                       std::to_string(site.datatype) + ", '" + site.unit + "', '" + site.parameter + "')");
    setupdata(s);  // reads the setup file and loads the site list from rsite
    t.ui.boxes.clear();  // what the setup read said about missing companion files
  }

  // A station line as the walk reads it, from its ";"-separated text, with its head read.
  static LineState stationLine(const std::string& text) {
    LineState line;
    line.fields = {""};
    for (const std::string& part : vb::Split(text, ";")) line.fields.push_back(vb::Trim(part));
    for (int n = 1; n <= 5; ++n)
      line.Triples[static_cast<size_t>(n)] = {line.field(3 * n + 2), line.field(3 * n + 3), line.field(3 * n + 4)};
    readLineHead(line);
    return line;
  }

  // The error log's lines as the run left them in the file.
  std::vector<std::string> log() const {
    return vb::splitLines(readFile(t.folder / "Flumewright_errlog.txt"));
  }
  bool logHas(const std::string& line) const {
    for (const std::string& l : log())
      if (l == line) return true;
    return false;
  }

  TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb;
  std::shared_ptr<FakeSources> sources = installFakeSources(s.services);
  std::shared_ptr<FakeInternet> internet = [this] {
    auto i = std::make_shared<FakeInternet>();
    s.services.internet = i;
    return i;
  }();
};

}  // namespace fw::testing
