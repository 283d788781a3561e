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
// - a transfer is bounded as a whole: by a time limit from its open, by a low speed (fewer than
//   kLowSpeedBytesPerSecond over one time-out) once its reply has begun, and by a size limit on
//   the body as it arrives (after decoding); passing any of them is a read failure;
// - a body shorter than its Content-Length, a chunked body without its last chunk, or a
//   connection lost during the body is a read failure, never a clean end;
// - while a call waits, the wait callback runs at least every 100 ms (the window stays alive).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw::net {

inline constexpr uint32_t kOpenReload = 0x80000000u;      // fetch from the origin, never a cache
inline constexpr uint32_t kOpenPassiveFtp = 0x08000000u;  // FTP in passive mode
inline constexpr int32_t kDefaultTimeoutMs = 60000;
inline constexpr int32_t kDefaultTransferLimitMs = 300000;         // 5 minutes for a whole transfer
inline constexpr int64_t kDefaultSizeLimitBytes = 64LL * 1048576;  // 64 MB of body
inline constexpr int32_t kLowSpeedBytesPerSecond = 100;

// The bounds of one transfer as a whole.
struct TransferLimits {
  int32_t totalMs = kDefaultTransferLimitMs;  // from the open to the body's end
  int64_t maxBytes = kDefaultSizeLimitBytes;  // body bytes as the reader gets them
};

// Why a read failed.
enum class ReadFailure {
  None,
  CutShort,   // the body ended before its announced end, or the connection was lost during it
  Stalled,    // no byte came within the time-out
  TooSlow,    // fewer than kLowSpeedBytesPerSecond over one time-out
  TimeLimit,  // the transfer ran past its time limit
  TooLarge,   // the body grew past the size limit
};

struct ReadResult {
  bool ok = true;         // false: the transfer broke (see failure)
  std::size_t count = 0;  // bytes placed in the buffer; 0 with ok is the end of the body
  ReadFailure failure = ReadFailure::None;
};

// One open URL. read() hands out the body in order; after a failed read nothing more comes.
class UrlHandle {
 public:
  virtual ~UrlHandle() = default;
  virtual ReadResult read(char* buffer, std::size_t size) = 0;
  // False when the handle could not be closed cleanly.
  virtual bool close() = 0;
  // The final reply's HTTP status (0 for FTP or when none was seen).
  virtual long status() const { return 0; }
  // A header of the final reply by its name (any case), without the name and blanks; empty when
  // the reply had none.
  virtual std::string header(const std::string& name) const {
    (void)name;
    return {};
  }
};

// Request header lines ("Name: value") sent with one URL only.
using RequestHeaders = std::vector<std::string>;

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
  // For the URLs opened from now on.
  const TransferLimits& limits() const { return limits_; }
  void setLimits(const TransferLimits& limits) { limits_ = limits; }
  void setWaitCallback(std::function<void()> onWait) { onWait_ = std::move(onWait); }

  // Opens the URL and waits for its reply header (HTTP) or the start of the file (FTP).
  // nullptr is an open failure: connection refused, unknown host, a malformed URL or an unknown
  // scheme, a TLS failure, an FTP login refused or file missing, or no reply in time. Any other
  // failure raises vb::Error with libcurl's text. lastError() says why in either case.
  std::unique_ptr<UrlHandle> openUrl(const std::string& url, uint32_t flags, const RequestHeaders& headers = {});
  const std::string& lastError() const { return lastError_; }

  // Downloads side by side: with more than one, fetchAhead starts the URL's transfer in the
  // background (up to parallel − 1 at once beside the caller's own), and the openUrl of the same
  // URL, flags and headers takes its reply instead of fetching again, once it has arrived whole
  // and within the bounds in force when it was asked for. A transfer ahead that fails is fetched
  // again by that openUrl, which then says why as it always does. 1 (the default) fetches nothing
  // ahead.
  void setParallel(int downloads) { parallel_ = downloads > 1 ? downloads : 1; }
  int parallel() const { return parallel_; }
  void fetchAhead(const std::string& url, uint32_t flags = 0, const RequestHeaders& headers = {});
  // Drops the replies fetched ahead that no openUrl took.
  void dropFetchedAhead();

 private:
  struct Shared;
  std::string agent_;
  int32_t timeoutMs_;
  TransferLimits limits_;
  std::function<void()> onWait_;
  int parallel_ = 1;
  std::unique_ptr<Shared> shared_;
  std::string lastError_;
};

}  // namespace fw::net
