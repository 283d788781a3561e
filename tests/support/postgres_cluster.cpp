#include "support/postgres_cluster.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/vb/textfile.h"

namespace fw::testing {

namespace {

namespace fs = std::filesystem;

struct RunAs {
  bool switchUser = false;
  uid_t uid = 0;
  gid_t gid = 0;
};

// The server will not run as root: then its programs run as the "postgres" system user (made by
// the postgresql package), else as "nobody".
RunAs runAs() {
  RunAs r;
  if (geteuid() != 0) return r;
  for (const char* name : {"postgres", "nobody"}) {
    if (const passwd* pw = getpwnam(name)) {
      r.switchUser = true;
      r.uid = pw->pw_uid;
      r.gid = pw->pw_gid;
      return r;
    }
  }
  throw std::runtime_error("PostgresCluster: running as root and neither a postgres nor a nobody user exists");
}

std::string findBinDir() {
  if (const char* env = std::getenv("FW_PG_BIN")) return env;
  std::string best;
  std::error_code ec;
  for (fs::directory_iterator it("/usr/lib/postgresql", ec), end; !ec && it != end; it.increment(ec)) {
    fs::path bin = it->path() / "bin";
    if (fs::exists(bin / "initdb", ec) && fs::exists(bin / "postgres", ec)) {
      // The newest version: directory names are version numbers.
      if (best.empty() || std::atoi(it->path().filename().c_str()) > std::atoi(fs::path(best).parent_path().filename().c_str()))
        best = bin.string();
    }
  }
  return best;
}

// Starts a program with an argument vector under the cluster's user, its output going to logFile.
// dieWithParent: the server ends when the test program does, even when it crashes.
pid_t spawn(const std::vector<std::string>& argv, const RunAs& as, const std::string& logFile, bool dieWithParent) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("PostgresCluster: fork failed");
  if (pid == 0) {
    int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) {
      dup2(devnull, 0);
      close(devnull);
    }
    if (as.switchUser) {
      if (setgroups(0, nullptr) != 0 || setgid(as.gid) != 0 || setuid(as.uid) != 0) _exit(126);
    }
    // Set after the change of user, which clears it.
    if (dieWithParent) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(0);
    }
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

int waitExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int freePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error("PostgresCluster: no free loopback port");
  }
  close(fd);
  return ntohs(a.sin_port);
}

std::string readText(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void giveTo(const fs::path& p, const RunAs& as) {
  if (as.switchUser && chown(p.c_str(), as.uid, as.gid) != 0)
    throw std::runtime_error("PostgresCluster: cannot hand " + p.string() + " to the server's user");
}

std::string conninfo(int port, const std::string& db) {
  return "host=127.0.0.1 port=" + std::to_string(port) + " dbname=" + db + " user=" + PostgresCluster::kUser +
         " password=" + PostgresCluster::kPassword + " connect_timeout=10";
}

struct ConnCloser {
  void operator()(PGconn* c) const { PQfinish(c); }
};

}  // namespace

PostgresCluster* PostgresCluster::get(std::string* whyNot) {
  static std::unique_ptr<PostgresCluster> cluster;
  static std::string missing;
  static bool tried = false;
  if (!tried) {
    tried = true;
    std::string bin = findBinDir();
    if (bin.empty()) {
      missing = "PostgreSQL server programs (initdb, postgres) not found under /usr/lib/postgresql/*/bin; "
                "scripts/setup.sh installs them (package postgresql)";
    } else {
      cluster.reset(new PostgresCluster());
      cluster->start(bin);
    }
  }
  if (!cluster && whyNot) *whyNot = missing;
  return cluster.get();
}

namespace {

std::string makeTempFolder(const RunAs& as) {
  char pattern[] = "/tmp/fw-pg-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("PostgresCluster: cannot make a temporary folder");
  giveTo(pattern, as);
  return pattern;
}

// Starts the server on the cluster in base/data; returns its process id once it answers.
pid_t startServer(const std::string& binDir, const RunAs& as, const std::string& base, int port) {
  const std::string serverLog = base + "/server.log";
  pid_t pid = spawn({binDir + "/postgres", "-D", base + "/data", "-p", std::to_string(port), "-h", "127.0.0.1", "-k",
                     base, "-c", "fsync=off", "-c", "synchronous_commit=off", "-c", "full_page_writes=off", "-c",
                     "max_connections=40", "-c", "shared_buffers=16MB", "-c", "dynamic_shared_memory_type=mmap",
                     "-c", "log_min_messages=warning"},
                    as, serverLog, true);
  const std::string info = conninfo(port, "postgres");
  for (int i = 0;; ++i) {
    if (PQping(info.c_str()) == PQPING_OK) return pid;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      throw std::runtime_error("PostgresCluster: the server stopped at its start:\n" + readText(serverLog));
    if (i > 600) {
      kill(pid, SIGINT);
      waitExit(pid);
      throw std::runtime_error("PostgresCluster: the server did not answer:\n" + readText(serverLog));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void stopServer(pid_t pid) {
  kill(pid, SIGINT);  // fast shutdown
  waitExit(pid);
}

uint64_t fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

// initdb and the schema take seconds, and every test program (every test, under ctest) starts a
// cluster: the first one builds a template cluster once, kept in /tmp by the server version,
// user and schema, and each program starts on a copy of it.
void PostgresCluster::start(const std::string& binDir) {
  const RunAs as = runAs();
  const std::string schema =
      vb::readAllBytes(fs::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / "hdb_schema_postgres.sql");
  char key[32];
  std::snprintf(key, sizeof key, "%016llx",
                static_cast<unsigned long long>(fnv1a(binDir + "\n" + std::to_string(as.uid) + "\n" + schema)));
  const std::string templ = std::string("/tmp/fw-pg-template-") + key;
  {
    const std::string lockFile = templ + ".lock";
    int lock = open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) throw std::runtime_error("PostgresCluster: cannot lock " + lockFile);
    struct Unlock {
      int fd;
      ~Unlock() { close(fd); }
    } unlock{lock};
    std::error_code ec;
    if (!fs::exists(templ + "/ready", ec)) {
      fs::remove_all(templ, ec);
      const std::string build = makeTempFolder(as);
      {
        std::ofstream pw(build + "/pw");
        pw << kPassword << "\n";
      }
      giveTo(build + "/pw", as);
      const std::string initLog = build + "/initdb.log";
      pid_t init = spawn({binDir + "/initdb", "-D", build + "/data", "-U", kUser, "--pwfile=" + build + "/pw", "-A",
                          "scram-sha-256", "-E", "UTF8", "--locale=C", "--no-sync", "--no-instructions"},
                         as, initLog, false);
      if (waitExit(init) != 0) throw std::runtime_error("PostgresCluster: initdb failed:\n" + readText(initLog));
      port_ = freePort();
      pid_t server = startServer(binDir, as, build, port_);
      try {
        exec("postgres", "CREATE DATABASE hdb_template");
        exec("hdb_template", schema);
      } catch (...) {
        stopServer(server);
        throw;
      }
      stopServer(server);
      fs::rename(build, templ);
      std::ofstream(templ + "/ready") << "ready\n";
    }
  }
  ownerPid_ = getpid();
  base_ = makeTempFolder(as);
  const std::string copyLog = base_ + "/copy.log";
  if (waitExit(spawn({"/bin/cp", "-a", templ + "/data", base_ + "/data"}, as, copyLog, false)) != 0)
    throw std::runtime_error("PostgresCluster: cannot copy the template cluster:\n" + readText(copyLog));
  port_ = freePort();
  serverPid_ = startServer(binDir, as, base_, port_);
}

PostgresCluster::~PostgresCluster() {
  // A forked child that ends through exit() must not stop its parent's server.
  if (getpid() != ownerPid_) return;
  if (serverPid_ > 0) {
    kill(serverPid_, SIGINT);  // fast shutdown
    waitExit(serverPid_);
  }
  std::error_code ec;
  if (!base_.empty()) fs::remove_all(base_, ec);
}

std::string PostgresCluster::makeDatabase() {
  std::string name = "hdb_" + std::to_string(++databases_);
  exec("postgres", "CREATE DATABASE " + name + " TEMPLATE hdb_template");
  return name;
}

std::string PostgresCluster::connString(const std::string& database, const std::string& password) const {
  return "Provider=PostgreSQL;Data Source=127.0.0.1:" + std::to_string(port_) + ";Location=" + database +
         ";User Id=" + kUser + ";Password=" + password + ";";
}

void PostgresCluster::exec(const std::string& database, const std::string& sql) const {
  // The last database's connection is kept: a test seeds its rows one statement at a time, and
  // each new connection costs a password exchange. Only one is kept, as every test has a
  // database of its own and the server takes a few dozen connections.
  static std::unique_ptr<PGconn, ConnCloser> c;
  static std::string connectedTo;
  const std::string target = std::to_string(port_) + "/" + database;
  if (connectedTo != target) c.reset();
  if (!c || PQstatus(c.get()) != CONNECTION_OK) {
    connectedTo = target;
    c.reset(PQconnectdb(conninfo(port_, database).c_str()));
    if (PQstatus(c.get()) != CONNECTION_OK) {
      std::string err = PQerrorMessage(c.get());
      c.reset();
      throw std::runtime_error("PostgresCluster: " + err);
    }
    PQsetNoticeProcessor(c.get(), [](void*, const char*) {}, nullptr);
  }
  PGresult* r = PQexec(c.get(), sql.c_str());
  ExecStatusType st = PQresultStatus(r);
  std::string err = PQresultErrorMessage(r);
  PQclear(r);
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
    throw std::runtime_error("PostgresCluster: " + err + " in: " + sql);
}

}  // namespace fw::testing
