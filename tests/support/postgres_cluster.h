#pragma once
// A throw-away PostgreSQL cluster for the tests: initdb in a temporary folder, the server on a
// free loopback port, password authentication, stopped and removed when the test program ends.
// The server refuses to run as root, so when the tests run as root the cluster belongs to the
// "postgres" system user (else "nobody") and its programs are started under that user.
#include <string>
#include <utility>
#include <vector>

namespace fw::testing {

class PostgresCluster {
 public:
  // The program's cluster, started on first use. Null when the server programs are not installed
  // (whyNot then says so); any other failure to start throws.
  static PostgresCluster* get(std::string* whyNot = nullptr);

  int port() const { return port_; }
  static constexpr const char* kUser = "fwtest";
  static constexpr const char* kPassword = "fw-secret-9Q";

  // A new database holding the HDB tables (example/hdb_schema_postgres.sql); returns its name.
  std::string makeDatabase();
  // "Provider=PostgreSQL;Data Source=127.0.0.1:<port>;Location=<db>;User Id=...;Password=...;"
  std::string connString(const std::string& database, const std::string& password = kPassword) const;
  // Runs SQL (several statements allowed, already in the server's dialect) on a database;
  // throws with the server's text on failure.
  void exec(const std::string& database, const std::string& sql) const;

  ~PostgresCluster();
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

 private:
  PostgresCluster() = default;
  void start(const std::string& binDir);

  std::string base_;  // the temporary folder
  int port_ = 0;
  int serverPid_ = 0;
  int databases_ = 0;
  int ownerPid_ = 0;
};

// Skips the current test, with the reason, when no PostgreSQL server can be started here.
#define FW_REQUIRE_POSTGRES()                                                         \
  do {                                                                                \
    std::string fwWhyNot_;                                                            \
    if (!::fw::testing::PostgresCluster::get(&fwWhyNot_)) GTEST_SKIP() << fwWhyNot_; \
  } while (0)

}  // namespace fw::testing
