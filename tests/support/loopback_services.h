#pragma once
// Services the download tests talk to instead of the internet: an HTTP server and an FTP server
// on 127.0.0.1, each on a free port, serving small fixtures in the services' own formats.
//
// The HTTP server answers a request by its path (the query is not looked at):
// 1. a route a test added (route / routeText), else
// 2. one of the built-in cases below, else
// 3. the file of that path under tests/fixtures/ (a path ending in "/" serves its "index"), else 404.
// Built-in cases, for the transport's edge cases:
//   /redirect/<path>   302 to /<path>               /status/<code>  that status, with a body
//   /empty             200 with an empty body       /gzip           a text sent gzip-encoded
//   /archive.gz        gzip bytes that must arrive as they are (sent with Content-Encoding: gzip)
//   /bytes/<n>         n bytes of a known pattern (bytesPattern)
//   /stall             a header for 1000 bytes, 100 of them, then nothing
//   /short             a header for 1000 bytes, 500 of them, then the connection closes
//   /silent            accepts the request and never answers
// A hostile route (routeHostile) serves a fixture the way a broken or hostile server would.
// Every request is recorded as received (path and query, undecoded).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace fw::testing {

// The folder of the fixtures in the checkout.
std::filesystem::path fixturesFolder();
// The first n bytes of the /bytes/<n> pattern.
std::string bytesPattern(std::size_t n);
// The text that /gzip and /archive.gz hold (uncompressed), and a text's gzip bytes.
std::string gzipPlainText();
std::string gzipOf(const std::string& plain);
// Keeps 127.0.0.1 and localhost off any proxy the environment names.
void keepLoopbackOffProxies();

// How a hostile route misbehaves with its fixture.
enum class Hostile {
  CutBody,          // a Content-Length for the whole fixture; the connection closes 3 bytes short of it
  ChunkWithoutEnd,  // chunked: every byte of the fixture, but never the last (empty) chunk
  Drip,             // a Content-Length for the whole fixture; one byte every 50 ms
  GzipBomb,         // gzip-encoded: the fixture and `extra` line ends once decoded
  Oversized,        // the fixture and `extra` line ends
};

struct RecordedRequest {
  std::string target;  // path and query as sent
  std::map<std::string, std::string> headers;
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // Requests for `path` get the fixture file (relative to tests/fixtures/).
  void route(const std::string& path, const std::string& fixture);
  // Requests for `path` get this body.
  void routeText(const std::string& path, const std::string& body, int status = 200);
  // Requests for `path` whose query holds `queryPart` get the fixture; such routes come first,
  // the one added last before the others.
  void routeQuery(const std::string& path, const std::string& queryPart, const std::string& fixture);
  // The same with this body.
  void routeQueryText(const std::string& path, const std::string& queryPart, std::string body);
  // The next request for `path` alone gets this answer, with these reply headers; later ones get
  // what the path's other routes give.
  void routeOnce(const std::string& path, const std::string& body, int status,
                 const std::map<std::string, std::string>& headers = {});
  // Requests for `path` get one of the built-in cases ("/stall", "/silent", "/status/500", ...).
  void routeCase(const std::string& path, const std::string& builtIn);
  // Requests for `path` get the fixture (relative to tests/fixtures/) as `how` says.
  void routeHostile(const std::string& path, const std::string& fixture, Hostile how, std::size_t extra = 0);

  // Every reply waits this long before it is sent (a service far away).
  void delayReplies(std::chrono::milliseconds delay) { delayMs_ = delay.count(); }

  std::vector<RecordedRequest> requests() const;
  std::vector<std::string> targets() const;
  void clearRequests();

 private:
  struct Reply {
    std::string body;
    int status = 200;
    std::map<std::string, std::string> headers;
  };
  struct QueryRoute {
    std::string path;
    std::string queryPart;
    std::string body;
  };
  std::vector<QueryRoute> queryRoutes_;
  std::map<std::string, std::vector<Reply>> once_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopping_;
  bool stop_ = false;
  struct HostileReply {
    std::string body;  // as sent (a gzip bomb's compressed bytes)
    Hostile how;
  };
  std::map<std::string, Reply> routes_;
  std::map<std::string, HostileReply> hostile_;
  std::map<std::string, std::string> cases_;
  std::vector<RecordedRequest> requests_;
  std::atomic<long long> delayMs_{0};
};

// pyftpdlib over tests/fixtures/ftp/ or another folder (anonymous read access, and user "fw" with
// password "secret"), started as a process from an argument vector and stopped by its process id.
class LoopbackFtpServer {
 public:
  LoopbackFtpServer();
  explicit LoopbackFtpServer(const std::filesystem::path& root);
  ~LoopbackFtpServer();
  LoopbackFtpServer(const LoopbackFtpServer&) = delete;
  LoopbackFtpServer& operator=(const LoopbackFtpServer&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  std::string base() const { return "ftp://127.0.0.1:" + std::to_string(port_); }

 private:
  int pid_ = -1;
  int port_ = 0;
};

}  // namespace fw::testing
