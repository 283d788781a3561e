// Every way a connection to a server database can fail, as the program's own database and as a
// COMPUTE import's source, run by the flumewright executable in batch: the password appears in no
// output (error log, standard output and error, the stored last-run row), and each error the
// server library gives over several lines is one line of the error log.
#include <gtest/gtest.h>

#include "platform/vb/strings.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/postgres_cluster.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::PostgresCluster;
using testing::ProgramFolder;
using testing::runProgram;

const char* const kSecret = "Pg-s3cret-91";

struct Connection {
  const char* name;
  std::string text;
};

std::vector<Connection> failingConnections() {
  const std::string pw = kSecret;
  std::vector<Connection> all = {
      {"a URI libpq cannot parse", "postgresql://hydro:" + pw + "@[::1/hdb"},
      {"a bad percent escape", "postgresql://hydro:" + pw + "%zz@127.0.0.1/hdb"},
      {"a refused port (URI)", "postgresql://hydro:" + pw + "@127.0.0.1:1/hdb"},
      {"a refused port", "Provider=PostgreSQL;Data Source=127.0.0.1:1;Location=hdb;User Id=hydro;Password=" + pw + ";"},
      {"an unknown host", "postgresql://hydro:" + pw + "@no-such-host.invalid/hdb"},
  };
  if (PostgresCluster* c = PostgresCluster::get()) {
    const std::string database = c->makeDatabase();
    all.push_back({"a wrong password", c->connString(database, pw)});
    all.push_back({"a wrong password (URI)", std::string("postgresql://") + PostgresCluster::kUser + ":" + pw +
                                                 "@127.0.0.1:" + std::to_string(c->port()) + "/" + database});
  }
  return all;
}

// Every cell of the program folder's rupdate rows, as text.
std::string updateRows(const std::filesystem::path& hdb) {
  testing::TestConnection c(hdb);
  const db::QueryResult q = c.run("select * from rupdate");
  std::string text;
  for (const vb::Variant& cell : q.cells) text += cell.toString() + "\n";
  return text;
}

void expectNoSecretAndOneLinePerError(const std::string& log, const std::string& output) {
  EXPECT_EQ(log.find("s3cret"), std::string::npos) << log;
  EXPECT_EQ(output.find("s3cret"), std::string::npos) << output;
  for (const std::string& line : vb::Split(log, "\r\n")) {
    // libpq's second line ("Is the server running on that host ...?") stays with its first.
    EXPECT_NE(line.rfind("\t", 0), 0u) << log;
    if (line.find("Is the server running") != std::string::npos) {
      EXPECT_NE(line.find("failed: Connection refused"), std::string::npos) << log;
    }
  }
}

TEST(ConnectionSecrets, NoFailingConnectionShowsItsPasswordAnywhere) {
  for (const Connection& c : failingConnections()) {
    SCOPED_TRACE(c.name);
    // The program's own database: the run cannot start.
    {
      ProgramFolder p({}, {"IF; 0; Always; ; rday; -1; 1=1"});
      p.useConnection(c.text);
      const testing::ProgramResult r = runProgram(p.run({"BATCH"}));
      EXPECT_FALSE(r.timedOut);
      EXPECT_NE(r.status, 0) << p.log();
      EXPECT_NE(p.log().find("openHDB: "), std::string::npos) << p.log();
      expectNoSecretAndOneLinePerError(p.log(), r.output);
    }
    // A COMPUTE import's source: its line fails, the run goes on and writes its last-run row.
    {
      ProgramFolder p({"START DATE=06/05/2024 12:00", "Write Unit Values= True"},
                      {"COMPUTE-GET-HOUR; -4004; Flow; Imported; ; ; "});
      testing::execSql(p.hdb,
                       "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, "
                       "parameter_code, state) values ('4004', -4004, 'Imported', 1, 'cfs', 'req.txt', 'AZ')");
      testing::writeFile(p.folder / "req.txt", "Title: obs\r\nTable: rhour\r\nSource: " + c.text +
                                                    "\r\nQuery: select t, v from obs where t between #DAY1# and "
                                                    "#DAY2#\r\n");
      const testing::ProgramResult r = runProgram(p.run({"BATCH"}));
      EXPECT_FALSE(r.timedOut);
      EXPECT_EQ(r.status, 0) << p.log();
      EXPECT_NE(p.log().find("openHDB2: "), std::string::npos) << p.log();
      EXPECT_NE(p.log().find("F I N I S H E D"), std::string::npos) << p.log();
      expectNoSecretAndOneLinePerError(p.log(), r.output);
      const std::string stored = updateRows(p.hdb);
      EXPECT_NE(stored, "");
      EXPECT_EQ(stored.find("s3cret"), std::string::npos) << stored;
    }
  }
}

}  // namespace
}  // namespace fw
