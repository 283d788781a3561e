// The example's station list run twice by the program over each kind of database: an SQLite
// file (the example's own connection string), a PostgreSQL server and a workbook (the README's
// connection strings). Every table holds the same rows on every engine, and the runs log the
// same lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/postgres_cluster.h"
#include "support/test_hdb.h"
#include "support/test_workbook.h"

namespace fw {
namespace {

namespace fs = std::filesystem;

const fs::path kExample = fs::path(FLUMEWRIGHT_SOURCE_DIR) / "example";
constexpr const char* kWorkbookString =
    "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=Flumewright_HDB.xlsx;Extended Properties=Excel 12.0;";

// A cell as all three engines can be compared: numbers (dates too, as day numbers) to six
// decimals, texts as they are, nothing for a blank or null cell.
std::string cellNumber(double x) {
  char out[64];
  std::snprintf(out, sizeof out, "%.6f", std::round(x * 1e6) / 1e6 + 0.0);
  return out;
}
std::string cellText(const std::string& text) {
  if (text.empty()) return "";
  char* end = nullptr;
  const double x = std::strtod(text.c_str(), &end);
  return end && *end == '\0' ? cellNumber(x) : text;
}
std::string cellText(const vb::Variant& v) {
  if (v.isNull() || v.isEmpty()) return "";
  if (v.isNumeric()) return cellNumber(v.toDouble());
  return cellText(v.toString());
}

// The example's tables (those of the schema).
std::vector<std::string> schemaTables() {
  std::vector<std::string> tables;
  const std::string schema = testing::hdbSchema();
  for (size_t at = schema.find("CREATE TABLE "); at != std::string::npos;
       at = schema.find("CREATE TABLE ", at + 1)) {
    const size_t from = at + 13;
    tables.push_back(schema.substr(from, schema.find_first_of(" (", from) - from));
  }
  return tables;
}

using Tables = std::map<std::string, std::multiset<std::string>>;

// The rows one side has and the other has not, each marked with its side; empty when they agree.
std::string difference(const std::multiset<std::string>& got, const std::multiset<std::string>& expected) {
  std::vector<std::string> extra, missing;
  std::set_difference(got.begin(), got.end(), expected.begin(), expected.end(), std::back_inserter(extra));
  std::set_difference(expected.begin(), expected.end(), got.begin(), got.end(), std::back_inserter(missing));
  std::string out;
  for (const std::string& r : extra) out += "+ " + r + "\n";
  for (const std::string& r : missing) out += "- " + r + "\n";
  return out;
}

// Every row of every table, as "cell|cell|...".
Tables databaseRows(const fs::path& db) {
  Tables t;
  testing::TestConnection c(db);
  for (const std::string& table : schemaTables()) {
    const db::QueryResult r = c.run("select * from " + table);
    const size_t width = r.columns.size();
    for (size_t row = 0; width > 0 && row < r.rowCount(); ++row) {
      std::string line;
      for (size_t k = 0; k < width; ++k) line += (k ? "|" : "") + cellText(r.cells[row * width + k]);
      t[table].insert(line);
    }
  }
  return t;
}

Tables workbookRows(const fs::path& book) {
  Tables t;
  std::map<std::string, size_t> widths;
  std::set<std::string> headerSeen;
  for (const std::string& line : testing::readWorkbookWithPython(book)) {
    std::vector<std::string> cells = vb::Split(line, "|");
    const std::string sheet = cells[0];
    cells.erase(cells.begin());
    if (headerSeen.insert(sheet).second) {  // the column names
      widths[sheet] = cells.size();
      continue;
    }
    cells.resize(widths[sheet]);
    std::string row;
    for (size_t k = 0; k < cells.size(); ++k) row += (k ? "|" : "") + cellText(cells[k]);
    t[sheet].insert(row);
  }
  return t;
}

// The error log's lines, without what differs by engine or by the moment: the line that names the
// database interface of a connection, and the finish line's clock time.
std::vector<std::string> logLines(const std::string& log) {
  std::vector<std::string> out;
  for (std::string line : vb::splitLines(log)) {
    if (line.rfind("Database connect using ", 0) == 0) continue;
    if (line.rfind("F I N I S H E D", 0) == 0) line = "F I N I S H E D";
    out.push_back(line);
  }
  return out;
}

// A copy of the example folder with its services on local servers and the database named.
struct ExampleFolder {
  testing::TempFolder folder;
  testing::LoopbackHttpServer& http;
  testing::LoopbackFtpServer& ftp;

  ExampleFolder(testing::LoopbackHttpServer& h, testing::LoopbackFtpServer& f, const std::string& connString)
      : http(h), ftp(f) {
    for (const auto& e : fs::directory_iterator(kExample)) {
      const std::string name = e.path().filename().string();
      if (name == "services" || name.rfind("hdb_", 0) == 0 || e.path().extension() == ".db") continue;
      fs::copy(e.path(), folder / name, fs::copy_options::recursive);
    }
    std::string setup = testing::readFile(folder / "Flumewright_setup.txt");
    setup = vb::Replace(setup, "http://127.0.0.1:8080", http.base());
    setup = vb::Replace(setup, "ftp://127.0.0.1:2121", ftp.base());
    const std::string key = "Database Connection String=";
    const size_t at = setup.find(key) + key.size();
    setup.replace(at, setup.find("\r\n", at) - at, connString);
    testing::writeFile(folder / "Flumewright_setup.txt", setup);
  }
  std::string sites() const {
    return vb::Replace(testing::readFile(kExample / "hdb_sites.sql"), "http://127.0.0.1:8080", http.base());
  }
  testing::ProgramResult run() const {
    testing::ProgramRun r;
    r.args = {"BATCH"};
    r.workingFolder = folder.path();
    return testing::runProgram(r);
  }
  std::string log() const { return testing::readFile(folder / kErrorLogName); }
};

// Every file under example/services, at its request path; a folder's "index" file at the folder.
void serveExampleServices(testing::LoopbackHttpServer& http) {
  const fs::path root = kExample / "services";
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const std::string path = "/" + fs::relative(e.path(), root).generic_string();
    const std::string body = vb::readAllBytes(e.path());
    http.routeText(path, body);
    if (e.path().stem() == "index") http.routeText(path.substr(0, path.rfind('/') + 1), body);
  }
}

TEST(ExampleEngines, TheExampleStoresTheSameRowsAndLogsTheSameLinesOnEveryEngine) {
  testing::LoopbackFtpServer ftp(kExample / "services");
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  testing::LoopbackHttpServer http;
  serveExampleServices(http);

  // SQLite, as the example keeps it.
  ExampleFolder sqlite(
      http, ftp, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;User Id=admin;Password=;");
  const fs::path file = testing::makeHdb(sqlite.folder.path(), "Flumewright_HDB.db");
  testing::execSql(file, sqlite.sites());

  // A workbook with a sheet for each table, its column names first, the sites in rsite.
  ExampleFolder workbook(http, ftp, kWorkbookString);
  const fs::path book = workbook.folder / "Flumewright_HDB.xlsx";
  {
    std::vector<testing::SheetContent> sheets;
    db::SqliteBackend b(file, true);
    for (const std::string& table : schemaTables()) {
      const db::QueryResult r = b.run("select * from " + table);
      testing::SheetContent sheet{table, {}, {}};
      for (const db::ColumnInfo& c : r.columns) sheet.header.push_back(c.name);
      for (size_t row = 0; row < r.rowCount(); ++row)
        sheet.rows.emplace_back(r.cells.begin() + static_cast<std::ptrdiff_t>(row * r.columns.size()),
                                r.cells.begin() + static_cast<std::ptrdiff_t>((row + 1) * r.columns.size()));
      sheets.push_back(std::move(sheet));
    }
    testing::makeWorkbook(book, sheets);
  }

  // PostgreSQL, the schema loaded as the README says, when a server can be started here.
  std::string whyNot;
  testing::PostgresCluster* cluster = testing::PostgresCluster::get(&whyNot);
  std::optional<ExampleFolder> postgres;
  fs::path server;
  if (cluster) {
    const std::string database = cluster->makeDatabase();
    postgres.emplace(http, ftp, cluster->connString(database));
    server = "postgresql:" + database;
    testing::execSql(server, vb::Replace(postgres->sites(), "INSERT OR REPLACE INTO", "INSERT INTO"));
  }

  for (int pass = 1; pass <= 2; ++pass) {
    SCOPED_TRACE("run " + std::to_string(pass));
    std::vector<const ExampleFolder*> folders = {&sqlite, &workbook};
    if (postgres) folders.push_back(&*postgres);
    for (const ExampleFolder* f : folders) {
      const testing::ProgramResult r = f->run();
      ASSERT_FALSE(r.timedOut);
      EXPECT_EQ(r.status, 0) << f->log() << r.output;
    }
    const Tables expected = databaseRows(file);
    const Tables inBook = workbookRows(book);
    const Tables onServer = postgres ? databaseRows(server) : Tables{};
    const auto rows = [](const Tables& t, const std::string& table) {
      const auto it = t.find(table);
      return it == t.end() ? std::multiset<std::string>{} : it->second;
    };
    for (const char* table : {"runit", "rhour", "rday", "rdaymax", "rdaymin", "rupdate", "rsite"})
      EXPECT_FALSE(rows(expected, table).empty()) << table;
    for (const std::string& table : schemaTables()) {
      EXPECT_EQ(difference(rows(inBook, table), rows(expected, table)), "") << table << " in the workbook";
      if (postgres) {
        EXPECT_EQ(difference(rows(onServer, table), rows(expected, table)), "") << table << " on PostgreSQL";
      }
    }
    EXPECT_EQ(logLines(workbook.log()), logLines(sqlite.log())) << workbook.log();
    if (postgres) {
      EXPECT_EQ(logLines(postgres->log()), logLines(sqlite.log())) << postgres->log();
    }
  }
  if (!cluster) GTEST_SKIP() << "the workbook agrees; PostgreSQL was not compared: " << whyNot;
}

// Every file a run leaves in its folder but the database, the error log and the setup file (which
// differs by the setting compared), by name.
std::map<std::string, std::string> runFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    const std::string name = fs::relative(e.path(), folder).generic_string();
    if (name.rfind("Flumewright_HDB", 0) == 0 || name == kErrorLogName || name == "Flumewright_setup.txt") continue;
    files[name] = vb::readAllBytes(e.path());
  }
  return files;
}

// Downloads side by side change nothing a run does with them: the same rows, the same log lines,
// the same files, and no address is asked for twice.
TEST(ExampleEngines, DownloadsSideBySideStoreTheSameRowsLogsAndFilesAsOneAfterAnother) {
  testing::LoopbackFtpServer ftp(kExample / "services");
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  testing::LoopbackHttpServer http;
  serveExampleServices(http);
  const std::string connString =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;User Id=admin;Password=;";
  struct Side {
    int downloads;
    std::unique_ptr<ExampleFolder> folder;
    std::vector<std::string> targets;
  } sides[] = {{1, nullptr, {}}, {8, nullptr, {}}};
  for (Side& side : sides) {
    side.folder = std::make_unique<ExampleFolder>(http, ftp, connString);
    const fs::path setup = side.folder->folder / "Flumewright_setup.txt";
    std::string text = testing::readFile(setup);
    const std::string key = "Database Connection String=";
    text.insert(text.find(key), "Parallel Downloads=" + std::to_string(side.downloads) + "\r\n");
    testing::writeFile(setup, text);
    testing::execSql(testing::makeHdb(side.folder->folder.path(), "Flumewright_HDB.db"), side.folder->sites());
    http.clearRequests();
    const testing::ProgramResult r = side.folder->run();
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << side.folder->log() << r.output;
    side.targets = http.targets();
    std::sort(side.targets.begin(), side.targets.end());
  }
  const ExampleFolder& one = *sides[0].folder;
  const ExampleFolder& eight = *sides[1].folder;
  const Tables expected = databaseRows(one.folder / "Flumewright_HDB.db");
  const Tables got = databaseRows(eight.folder / "Flumewright_HDB.db");
  EXPECT_FALSE(expected.at("runit").empty());
  for (const std::string& table : schemaTables()) {
    const auto rows = [&](const Tables& t) {
      const auto it = t.find(table);
      return it == t.end() ? std::multiset<std::string>{} : it->second;
    };
    EXPECT_EQ(difference(rows(got), rows(expected)), "") << table;
  }
  EXPECT_EQ(logLines(eight.log()), logLines(one.log()));
  EXPECT_EQ(runFiles(eight.folder.path()), runFiles(one.folder.path()));
  EXPECT_EQ(sides[1].targets, sides[0].targets);
}

}  // namespace
}  // namespace fw
