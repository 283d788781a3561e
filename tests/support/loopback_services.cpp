#include "support/loopback_services.h"

#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fw::testing {

namespace {

std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

std::string gzipOf(const std::string& plain) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(compressBound(static_cast<uLong>(plain.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

namespace {

void addToList(const char* name, const std::string& hosts) {
  const char* old = std::getenv(name);
  std::string value = old && *old ? std::string(old) + "," + hosts : hosts;
  setenv(name, value.c_str(), 1);
}

// Serves a hostile route's body (a copy: the route may change while it is sent).
template <typename Wait>
void serveHostile(std::string body, Hostile how, httplib::Response& res, Wait waitForStop) {
  const auto shared = std::make_shared<std::string>(std::move(body));
  switch (how) {
    case Hostile::CutBody:
      res.set_content_provider(shared->size(), "text/plain",
                               [shared](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0 || shared->size() < 3) return false;
                                 sink.write(shared->data(), shared->size() - 3);
                                 return true;
                               });
      break;
    case Hostile::ChunkWithoutEnd:
      res.set_chunked_content_provider("text/plain", [shared, sent = false](size_t, httplib::DataSink& sink) mutable {
        if (sent) return false;  // no last chunk: the connection just ends
        sink.write(shared->data(), shared->size());
        sent = true;
        return true;
      });
      break;
    case Hostile::Drip:
      res.set_content_provider(shared->size(), "text/plain",
                               [shared, waitForStop](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (!sink.is_writable()) return false;
                                 sink.write(shared->data() + offset, 1);
                                 return !waitForStop(std::chrono::milliseconds(50));
                               });
      break;
    case Hostile::GzipBomb:
      res.set_header("Content-Encoding", "gzip");
      res.set_content(*shared, "text/plain");
      break;
    case Hostile::Oversized:
      res.set_content(*shared, "text/plain");
      break;
  }
}

}  // namespace

std::filesystem::path fixturesFolder() {
  return std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "tests" / "fixtures";
}

std::string bytesPattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = i % 64 == 63 ? '\n' : static_cast<char>('A' + (i * 7) % 26);
  return s;
}

std::string gzipPlainText() {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\tof the compressed reply\n";
  return text;
}

void keepLoopbackOffProxies() {
  static const bool done = [] {
    addToList("no_proxy", "127.0.0.1,localhost");
    addToList("NO_PROXY", "127.0.0.1,localhost");
    return true;
  }();
  (void)done;
}

LoopbackHttpServer::LoopbackHttpServer() : server_(std::make_unique<httplib::Server>()) {
  keepLoopbackOffProxies();
  // A kept-alive connection holds its thread: downloads side by side need more than the default.
  server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
  // True when the server is stopping.
  auto waitForStop = [this](std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> lock(mutex_);
    return stopping_.wait_for(lock, most, [this] { return stop_; });
  };
  server_->Get(".*", [this, waitForStop](const httplib::Request& req, httplib::Response& res) {
    if (const auto delay = std::chrono::milliseconds(delayMs_.load()); delay.count() > 0) waitForStop(delay);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      RecordedRequest r;
      r.target = req.target;
      for (const auto& [k, v] : req.headers) r.headers[k] = v;
      requests_.push_back(std::move(r));
      if (auto it = once_.find(req.path); it != once_.end() && !it->second.empty()) {
        const Reply reply = it->second.front();
        it->second.erase(it->second.begin());
        res.status = reply.status;
        for (const auto& [k, v] : reply.headers) res.set_header(k, v);
        res.set_content(reply.body, "text/plain");
        return;
      }
      const std::string query = req.target.substr(std::min(req.target.size(), req.target.find('?')));
      // The route added last wins.
      for (auto q = queryRoutes_.rbegin(); q != queryRoutes_.rend(); ++q)
        if (q->path == req.path && query.find(q->queryPart) != std::string::npos) {
          res.set_content(q->body, "application/geo+json");
          return;
        }
      if (auto it = routes_.find(req.path); it != routes_.end()) {
        res.status = it->second.status;
        res.set_content(it->second.body, "text/plain");
        return;
      }
      if (auto it = hostile_.find(req.path); it != hostile_.end()) {
        serveHostile(it->second.body, it->second.how, res, waitForStop);
        return;
      }
    }
    std::string path = req.path;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (auto it = cases_.find(path); it != cases_.end()) path = it->second;
    }
    if (path.rfind("/redirect/", 0) == 0) {
      res.set_redirect(path.substr(9), 302);
    } else if (path.rfind("/status/", 0) == 0) {
      res.status = std::atoi(path.c_str() + 8);
      res.set_content("status " + path.substr(8) + " body", "text/html");
    } else if (path == "/empty") {
      res.set_content("", "text/plain");
    } else if (path == "/gzip") {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(gzipOf(gzipPlainText()), "application/octet-stream");
    } else if (path == "/archive.gz") {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(gzipOf(gzipPlainText()), "application/gzip");
    } else if (path.rfind("/bytes/", 0) == 0) {
      res.set_content(bytesPattern(std::strtoul(path.c_str() + 7, nullptr, 10)), "text/plain");
    } else if (path == "/stall" || path == "/short") {
      const bool stall = path == "/stall";
      res.set_content_provider(1000, "text/plain",
                               [stall, waitForStop](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset == 0) {
                                   const std::string part = bytesPattern(stall ? 100 : 500);
                                   sink.write(part.data(), part.size());
                                   return true;
                                 }
                                 if (stall) waitForStop(std::chrono::seconds(30));
                                 return false;  // the connection ends short of the promised length
                               });
    } else if (path == "/silent") {
      waitForStop(std::chrono::seconds(30));
      res.status = 500;
    } else {
      std::filesystem::path file = fixturesFolder() / path.substr(1);
      if (!path.empty() && path.back() == '/') file /= "index";
      if (path.find("..") == std::string::npos && std::filesystem::is_regular_file(file)) {
        res.set_content(readBytes(file), "text/plain");
      } else {
        res.status = 404;
        res.set_content("not found: " + path, "text/plain");
      }
    }
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the loopback HTTP server found no free port");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Until the thread runs the accept loop, stop() would not reach it.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackHttpServer::~LoopbackHttpServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  stopping_.notify_all();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void LoopbackHttpServer::route(const std::string& path, const std::string& fixture) {
  const std::filesystem::path file = fixturesFolder() / fixture;
  if (!std::filesystem::is_regular_file(file)) throw std::runtime_error("no fixture " + file.string());
  routeText(path, readBytes(file));
}

void LoopbackHttpServer::routeText(const std::string& path, const std::string& body, int status) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[path] = Reply{body, status, {}};
}

void LoopbackHttpServer::routeQuery(const std::string& path, const std::string& queryPart,
                                    const std::string& fixture) {
  const std::filesystem::path file = fixturesFolder() / fixture;
  if (!std::filesystem::is_regular_file(file)) throw std::runtime_error("no fixture " + file.string());
  routeQueryText(path, queryPart, readBytes(file));
}

void LoopbackHttpServer::routeQueryText(const std::string& path, const std::string& queryPart, std::string body) {
  std::lock_guard<std::mutex> lock(mutex_);
  queryRoutes_.push_back(QueryRoute{path, queryPart, std::move(body)});
}

void LoopbackHttpServer::routeOnce(const std::string& path, const std::string& body, int status,
                                   const std::map<std::string, std::string>& headers) {
  std::lock_guard<std::mutex> lock(mutex_);
  once_[path].push_back(Reply{body, status, headers});
}

void LoopbackHttpServer::routeHostile(const std::string& path, const std::string& fixture, Hostile how,
                                      std::size_t extra) {
  const std::filesystem::path file = fixturesFolder() / fixture;
  if (!std::filesystem::is_regular_file(file)) throw std::runtime_error("no fixture " + file.string());
  std::string body = readBytes(file);
  if (how == Hostile::GzipBomb || how == Hostile::Oversized) body += std::string(extra, '\n');
  if (how == Hostile::GzipBomb) body = gzipOf(body);
  std::lock_guard<std::mutex> lock(mutex_);
  hostile_[path] = HostileReply{std::move(body), how};
}

void LoopbackHttpServer::routeCase(const std::string& path, const std::string& builtIn) {
  std::lock_guard<std::mutex> lock(mutex_);
  cases_[path] = builtIn;
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::vector<std::string> LoopbackHttpServer::targets() const {
  std::vector<std::string> out;
  for (const RecordedRequest& r : requests()) out.push_back(r.target);
  return out;
}

void LoopbackHttpServer::clearRequests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

LoopbackFtpServer::LoopbackFtpServer() : LoopbackFtpServer(fixturesFolder() / "ftp") {}

LoopbackFtpServer::LoopbackFtpServer(const std::filesystem::path& folder) {
  keepLoopbackOffProxies();
  const std::string script = std::string(FLUMEWRIGHT_SOURCE_DIR) + "/tests/support/ftp_server.py";
  const std::string root = folder.string();
  int out[2];
  if (pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // The Debian package installs pyftpdlib for the system's python3, which a python3 earlier on
  // PATH may not see.
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  std::vector<std::string> args = {python, script, root};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return;
  }
  pid_ = pid;
  // The script prints its port once it listens.
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  port_ = std::atoi(line.c_str());
}

LoopbackFtpServer::~LoopbackFtpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

}  // namespace fw::testing
