#pragma once
// Downloads over HTTP(S) and FTP: one shared session and synchronous URL handles, over libcurl.
// Knows nothing of what is downloaded.
//
// What callers can rely on:
// - HTTP(S) redirects are followed and 4xx/5xx replies hand back their bodies like any other;
// - gzip-encoded replies are decoded, except that a URL whose path ends in ".gz" arrives
//   byte-exact (a compressed file is the content, not its transfer encoding);
// - FTP is passive; bytes stay bytes (no character-set decoding anywhere);
// - one time-out covers the connection and every wait for a byte, whether for the reply header
//   (an open failure) or for more of the body (a read failure);
// - while a call waits, the wait callback runs at least every 100 ms (the window stays alive).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw::net {

inline constexpr uint32_t kOpenReload = 0x80000000u;      // fetch from the origin, never a cache
inline constexpr uint32_t kOpenPassiveFtp = 0x08000000u;  // FTP in passive mode
inline constexpr int32_t kDefaultTimeoutMs = 60000;

struct ReadResult {
  bool ok = true;         // false: the transfer broke (no byte in time, connection lost, short body)
  std::size_t count = 0;  // bytes placed in the buffer; 0 with ok is the end of the body
};

// One open URL. read() hands out the body in order; after a failed read nothing more comes.
class UrlHandle {
 public:
  virtual ~UrlHandle() = default;
  virtual ReadResult read(char* buffer, std::size_t size) = 0;
  // False when the handle could not be closed cleanly.
  virtual bool close() = 0;
};

// The session all downloads share: the agent text, proxies from the environment (http_proxy,
// https_proxy, no_proxy), the system's certificate store, and the connection and name caches.
class Session {
 public:
  explicit Session(std::string agent, int32_t timeoutMs = kDefaultTimeoutMs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int32_t timeoutMs() const { return timeoutMs_; }
  void setTimeoutMs(int32_t ms) { timeoutMs_ = ms > 0 ? ms : kDefaultTimeoutMs; }
  void setWaitCallback(std::function<void()> onWait) { onWait_ = std::move(onWait); }

  // Opens the URL and waits for its reply header (HTTP) or the start of the file (FTP).
  // nullptr is an open failure: connection refused, unknown host, a malformed URL or an unknown
  // scheme, a TLS failure, an FTP login refused or file missing, or no reply in time. Any other
  // failure raises vb::Error with libcurl's text. lastError() says why in either case.
  std::unique_ptr<UrlHandle> openUrl(const std::string& url, uint32_t flags);
  const std::string& lastError() const { return lastError_; }

 private:
  struct Shared;
  std::string agent_;
  int32_t timeoutMs_;
  std::function<void()> onWait_;
  std::unique_ptr<Shared> shared_;
  std::string lastError_;
};

}  // namespace fw::net
