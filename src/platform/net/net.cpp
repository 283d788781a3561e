#include "platform/net/net.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <initializer_list>

#include "platform/vb/error.h"

namespace fw::net {

namespace {

using Clock = std::chrono::steady_clock;

// Error numbers raised for failures that are neither an open nor a read failure: this base plus
// libcurl's own code.
constexpr int32_t kNetErrorBase = 12000;
// Bytes held for the reader before the transfer is paused until it reads them.
constexpr std::size_t kMaxBuffered = 1u << 20;
constexpr int kWaitSliceMs = 100;

bool oneOf(CURLcode code, std::initializer_list<CURLcode> codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The service could not be reached or refused the request before its reply began.
bool isOpenFailure(CURLcode code) {
  return oneOf(code, {CURLE_UNSUPPORTED_PROTOCOL,  CURLE_URL_MALFORMAT,        CURLE_COULDNT_RESOLVE_PROXY,
                      CURLE_COULDNT_RESOLVE_HOST,  CURLE_COULDNT_CONNECT,      CURLE_WEIRD_SERVER_REPLY,
                      CURLE_REMOTE_ACCESS_DENIED,  CURLE_FTP_ACCEPT_FAILED,    CURLE_FTP_WEIRD_PASS_REPLY,
                      CURLE_FTP_ACCEPT_TIMEOUT,    CURLE_FTP_WEIRD_PASV_REPLY, CURLE_FTP_WEIRD_227_FORMAT,
                      CURLE_FTP_CANT_GET_HOST,     CURLE_FTP_COULDNT_SET_TYPE, CURLE_FTP_COULDNT_RETR_FILE,
                      CURLE_FTP_PORT_FAILED,       CURLE_TOO_MANY_REDIRECTS,   CURLE_LOGIN_DENIED,
                      CURLE_REMOTE_FILE_NOT_FOUND, CURLE_SSL_CONNECT_ERROR,    CURLE_PEER_FAILED_VERIFICATION,
                      CURLE_SSL_CERTPROBLEM,       CURLE_SSL_CIPHER,           CURLE_SSL_CACERT_BADFILE,
                      CURLE_SSL_ENGINE_NOTFOUND,   CURLE_SSL_ENGINE_SETFAILED, CURLE_SSL_ENGINE_INITFAILED,
                      CURLE_SSL_CRL_BADFILE,       CURLE_SSL_ISSUER_ERROR,     CURLE_SSL_PINNEDPUBKEYNOTMATCH,
                      CURLE_SSL_INVALIDCERTSTATUS, CURLE_SSL_CLIENTCERT,       CURLE_USE_SSL_FAILED});
}

// The reply began but did not arrive whole.
bool isReadFailure(CURLcode code) {
  return oneOf(code, {CURLE_OPERATION_TIMEDOUT, CURLE_RECV_ERROR, CURLE_SEND_ERROR, CURLE_PARTIAL_FILE,
                      CURLE_GOT_NOTHING, CURLE_HTTP2, CURLE_HTTP2_STREAM, CURLE_BAD_CONTENT_ENCODING,
                      CURLE_HTTP3, CURLE_QUIC_CONNECT_ERROR});
}

bool startsWithNoCase(const char* text, std::size_t size, const char* prefix) {
  const std::size_t n = std::strlen(prefix);
  if (size < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// The URL's path (before any query or fragment) ends in ".gz".
bool pathEndsInGz(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  if (path.size() < 3) return false;
  std::string tail = path.substr(path.size() - 3);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".gz";
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isFtp(const std::string& url) {
  return startsWithNoCase(url.c_str(), url.size(), "ftp");
}

// One transfer, driven step by step from the caller's thread.
class CurlHandle final : public UrlHandle {
 public:
  CurlHandle(CURLSH* share, const std::string& agent, int32_t timeoutMs, const TransferLimits& limits,
             const std::function<void()>& onWait)
      : timeoutMs_(timeoutMs), limits_(limits), onWait_(onWait) {
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (!easy_ || !multi_)
      throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "the download could not be set up");
    curl_easy_setopt(easy_, CURLOPT_SHARE, share);
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlHandle::onBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlHandle::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  }
  ~CurlHandle() override { release(); }

  // Sets the URL and the request options, and waits for the reply to begin.
  bool open(const std::string& url, uint32_t flags, const RequestHeaders& extra, std::string& why) {
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    if (isFtp(url)) {
      // Passive mode is libcurl's own: no PORT address is ever set.
      curl_easy_setopt(easy_, CURLOPT_FTP_USE_EPSV, 1L);
    } else {
      if (pathEndsInGz(url)) {
        curl_easy_setopt(easy_, CURLOPT_HTTP_CONTENT_DECODING, 0L);
      } else {
        curl_easy_setopt(easy_, CURLOPT_ACCEPT_ENCODING, "");
      }
      if (flags & kOpenReload) {
        headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
        headers_ = curl_slist_append(headers_, "Pragma: no-cache");
      }
      for (const std::string& line : extra) headers_ = curl_slist_append(headers_, line.c_str());
      if (headers_) curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
    }
    curl_multi_add_handle(multi_, easy_);
    added_ = true;
    opened_ = lastByte_ = speedFrom_ = Clock::now();
    drive([this] { return replyBegun_ || pending() > 0 || done_; });
    // A body too large before its reply header ended (an FTP file) is the reader's to learn of.
    if (pending() > 0 || replyBegun_ || (done_ && result_ == CURLE_OK) || broken_ == ReadFailure::TooLarge)
      return true;
    if (broken_ != ReadFailure::None) {
      why = broken_ == ReadFailure::TimeLimit ? "the reply did not begin within the time limit" : "no reply in time";
      return false;
    }
    why = curl_easy_strerror(result_);
    if (isOpenFailure(result_) || isReadFailure(result_)) return false;
    throw vb::Error(kNetErrorBase + result_, why);
  }

  ReadResult read(char* buffer, std::size_t size) override {
    if (size == 0) return {true, 0};
    if (pending() == 0 && !done_ && broken_ == ReadFailure::None) {
      lastByte_ = Clock::now();
      resume();
      drive([this] { return pending() > 0 || done_; });
    }
    if (pending() > 0) {
      const std::size_t n = std::min(size, pending());
      std::memcpy(buffer, buffered_.data() + taken_, n);
      taken_ += n;
      if (taken_ == buffered_.size()) {
        buffered_.clear();
        taken_ = 0;
      }
      return {true, n};
    }
    if (broken_ != ReadFailure::None) return {false, 0, broken_};
    if (result_ == CURLE_OK) return {true, 0};
    if (isReadFailure(result_) || isOpenFailure(result_)) return {false, 0, ReadFailure::CutShort};
    throw vb::Error(kNetErrorBase + result_, curl_easy_strerror(result_));
  }

  bool close() override {
    release();
    return true;
  }

  long status() const override { return status_; }

  std::string header(const std::string& name) const override {
    const std::string wanted = lowerCase(name);
    for (const auto& [key, value] : replyHeaders_)
      if (key == wanted) return value;
    return {};
  }

 private:
  std::size_t pending() const { return buffered_.size() - taken_; }

  void resume() {
    if (!paused_) return;
    paused_ = false;
    // The time the reader kept the transfer paused is not the server's slowness.
    speedFrom_ = Clock::now();
    speedBytes_ = 0;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
  }

  // The transfer's bounds as a whole; a broken bound ends the transfer.
  bool boundsHold() {
    const auto now = Clock::now();
    if (now - opened_ > std::chrono::milliseconds(limits_.totalMs)) {
      broken_ = ReadFailure::TimeLimit;
    } else if (now - lastByte_ > std::chrono::milliseconds(timeoutMs_)) {
      broken_ = ReadFailure::Stalled;
    } else if (bodyBegun() && now - speedFrom_ >= std::chrono::milliseconds(timeoutMs_)) {
      const double seconds = std::chrono::duration<double>(now - speedFrom_).count();
      if (static_cast<double>(speedBytes_) < kLowSpeedBytesPerSecond * seconds) broken_ = ReadFailure::TooSlow;
      speedFrom_ = now;
      speedBytes_ = 0;
    }
    return broken_ == ReadFailure::None;
  }
  bool bodyBegun() const { return replyBegun_ || received_ > 0; }

  template <class Until>
  void drive(Until until) {
    while (true) {
      int running = 0;
      curl_multi_perform(multi_, &running);
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_) {
          done_ = true;
          result_ = msg->data.result;
        }
      }
      if (until() || paused_) return;
      if (!boundsHold()) return;
      curl_multi_poll(multi_, nullptr, 0, kWaitSliceMs, nullptr);
      if (onWait_) onWait_();
    }
  }

  static size_t onBody(char* data, size_t size, size_t count, void* self) {
    auto* h = static_cast<CurlHandle*>(self);
    const size_t n = size * count;
    if (h->pending() >= kMaxBuffered) {
      h->paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    if (h->received_ + static_cast<int64_t>(n) > h->limits_.maxBytes) {
      // Nothing past the limit is kept: the transfer stops here.
      h->broken_ = ReadFailure::TooLarge;
      return 0;
    }
    h->received_ += static_cast<int64_t>(n);
    h->speedBytes_ += static_cast<int64_t>(n);
    h->buffered_.append(data, n);
    h->lastByte_ = Clock::now();
    return n;
  }

  // Notes when the final reply's header is complete (a redirect's header is not: its target's
  // reply follows).
  static size_t onHeader(char* data, size_t size, size_t count, void* self) {
    auto* h = static_cast<CurlHandle*>(self);
    const size_t n = size * count;
    h->lastByte_ = Clock::now();
    if (!h->replyBegun_) h->speedFrom_ = h->lastByte_;
    if (startsWithNoCase(data, n, "http/")) {
      const char* blank = static_cast<const char*>(std::memchr(data, ' ', n));
      h->status_ = blank ? std::atol(blank + 1) : 0;
      h->redirect_ = false;
      h->replyHeaders_.clear();
    } else if (startsWithNoCase(data, n, "location:")) {
      h->redirect_ = true;
    } else if (const char* colon = static_cast<const char*>(std::memchr(data, ':', n))) {
      const char* const begin = data;
      std::string value(colon + 1, static_cast<std::size_t>(begin + n - (colon + 1)));
      const std::size_t from = value.find_first_not_of(" \t");
      const std::size_t to = value.find_last_not_of(" \t\r\n");
      value = from == std::string::npos ? std::string() : value.substr(from, to - from + 1);
      h->replyHeaders_.emplace_back(lowerCase(std::string(begin, static_cast<std::size_t>(colon - begin))), std::move(value));
    } else if ((n == 2 && data[0] == '\r') || (n == 1 && data[0] == '\n')) {
      const bool interim = h->status_ < 200 || (h->status_ >= 300 && h->status_ < 400 && h->redirect_);
      if (!interim) h->replyBegun_ = true;
    }
    return n;
  }

  void release() {
    if (multi_ && easy_ && added_) curl_multi_remove_handle(multi_, easy_);
    added_ = false;
    if (easy_) curl_easy_cleanup(easy_);
    if (multi_) curl_multi_cleanup(multi_);
    if (headers_) curl_slist_free_all(headers_);
    easy_ = nullptr;
    multi_ = nullptr;
    headers_ = nullptr;
  }

  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* headers_ = nullptr;
  bool added_ = false;
  int32_t timeoutMs_;
  TransferLimits limits_;
  std::function<void()> onWait_;
  std::string buffered_;
  std::size_t taken_ = 0;
  int64_t received_ = 0;    // body bytes so far
  int64_t speedBytes_ = 0;  // body bytes since speedFrom_
  bool paused_ = false;
  bool done_ = false;
  ReadFailure broken_ = ReadFailure::None;  // a bound the transfer broke
  bool replyBegun_ = false;
  bool redirect_ = false;
  long status_ = 0;
  std::vector<std::pair<std::string, std::string>> replyHeaders_;  // of the latest reply header
  CURLcode result_ = CURLE_OK;
  Clock::time_point opened_;
  Clock::time_point lastByte_;
  Clock::time_point speedFrom_;
};

}  // namespace

struct Session::Shared {
  CURLSH* share = nullptr;
  Shared() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "libcurl could not be initialised");
    share = curl_share_init();
    if (!share)
      throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "the download session could not be set up");
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  }
  ~Shared() { curl_share_cleanup(share); }
};

Session::Session(std::string agent, int32_t timeoutMs)
    : agent_(std::move(agent)),
      timeoutMs_(timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs),
      shared_(std::make_unique<Shared>()) {}

Session::~Session() = default;

std::unique_ptr<UrlHandle> Session::openUrl(const std::string& url, uint32_t flags, const RequestHeaders& headers) {
  lastError_.clear();
  auto handle = std::make_unique<CurlHandle>(shared_->share, agent_, timeoutMs_, limits_, onWait_);
  if (!handle->open(url, flags, headers, lastError_)) return nullptr;
  return handle;
}

}  // namespace fw::net
