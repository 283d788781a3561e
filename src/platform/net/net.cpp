#include "platform/net/net.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <initializer_list>
#include <map>
#include <mutex>
#include <thread>

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

// The options every transfer of the session has, whoever drives it.
void configureTransfer(CURL* easy, CURLSH* share, const std::string& agent, int32_t timeoutMs) {
  curl_easy_setopt(easy, CURLOPT_SHARE, share);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
}

// The URL and the options that follow from it and the flags; the header list returned belongs to
// the caller, who frees it after the transfer.
curl_slist* configureRequest(CURL* easy, const std::string& url, uint32_t flags, const RequestHeaders& extra) {
  curl_slist* headers = nullptr;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  if (isFtp(url)) {
    // Passive mode is libcurl's own: no PORT address is ever set.
    curl_easy_setopt(easy, CURLOPT_FTP_USE_EPSV, 1L);
    return headers;
  }
  if (pathEndsInGz(url)) {
    curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  } else {
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  }
  if (flags & kOpenReload) {
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
  }
  for (const std::string& line : extra) headers = curl_slist_append(headers, line.c_str());
  if (headers) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  return headers;
}

// The header lines of a reply as they arrive: the final reply's status and headers (a redirect's
// are not kept: its target's reply follows), and whether that reply's header is complete.
struct ReplyHeaders {
  long status = 0;
  bool redirect = false;
  bool begun = false;
  std::vector<std::pair<std::string, std::string>> lines;  // names in lower case

  void add(const char* data, size_t n) {
    if (startsWithNoCase(data, n, "http/")) {
      const char* blank = static_cast<const char*>(std::memchr(data, ' ', n));
      status = blank ? std::atol(blank + 1) : 0;
      redirect = false;
      lines.clear();
    } else if (startsWithNoCase(data, n, "location:")) {
      redirect = true;
    } else if (const char* colon = static_cast<const char*>(std::memchr(data, ':', n))) {
      std::string value(colon + 1, static_cast<std::size_t>(data + n - (colon + 1)));
      const std::size_t from = value.find_first_not_of(" \t");
      const std::size_t to = value.find_last_not_of(" \t\r\n");
      value = from == std::string::npos ? std::string() : value.substr(from, to - from + 1);
      lines.emplace_back(lowerCase(std::string(data, static_cast<std::size_t>(colon - data))), std::move(value));
    } else if ((n == 2 && data[0] == '\r') || (n == 1 && data[0] == '\n')) {
      const bool interim = status < 200 || (status >= 300 && status < 400 && redirect);
      if (!interim) begun = true;
    }
  }

  std::string find(const std::string& name) const {
    const std::string wanted = lowerCase(name);
    for (const auto& [key, value] : lines)
      if (key == wanted) return value;
    return {};
  }
};

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
    configureTransfer(easy_, share, agent, timeoutMs);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlHandle::onBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlHandle::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  }
  ~CurlHandle() override { release(); }

  // Sets the URL and the request options, and waits for the reply to begin.
  bool open(const std::string& url, uint32_t flags, const RequestHeaders& extra, std::string& why) {
    headers_ = configureRequest(easy_, url, flags, extra);
    curl_multi_add_handle(multi_, easy_);
    added_ = true;
    opened_ = lastByte_ = speedFrom_ = Clock::now();
    drive([this] { return reply_.begun || pending() > 0 || done_; });
    // A body too large before its reply header ended (an FTP file) is the reader's to learn of.
    if (pending() > 0 || reply_.begun || (done_ && result_ == CURLE_OK) || broken_ == ReadFailure::TooLarge)
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

  long status() const override { return reply_.status; }
  std::string header(const std::string& name) const override { return reply_.find(name); }

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
  bool bodyBegun() const { return reply_.begun || received_ > 0; }

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
    if (!h->reply_.begun) h->speedFrom_ = h->lastByte_;
    h->reply_.add(data, n);
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
  ReplyHeaders reply_;
  CURLcode result_ = CURLE_OK;
  Clock::time_point opened_;
  Clock::time_point lastByte_;
  Clock::time_point speedFrom_;
};

// A reply fetched whole before it was asked for, handed out like a live transfer.
class HeldReply final : public UrlHandle {
 public:
  HeldReply(std::string body, ReplyHeaders reply) : body_(std::move(body)), reply_(std::move(reply)) {}
  ReadResult read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, body_.size() - taken_);
    std::memcpy(buffer, body_.data() + taken_, n);
    taken_ += n;
    return {true, n};
  }
  bool close() override { return true; }
  long status() const override { return reply_.status; }
  std::string header(const std::string& name) const override { return reply_.find(name); }

 private:
  std::string body_;
  std::size_t taken_ = 0;
  ReplyHeaders reply_;
};

// Transfers fetched ahead, side by side on one thread of their own, over the session's share (its
// connections, names and TLS sessions). A transfer that fails in any way, or breaks a bound, is
// dropped: the caller then fetches it as it would have without any fetching ahead, and learns why.
class Prefetcher {
 public:
  Prefetcher(CURLSH* share, std::string agent) : share_(share), agent_(std::move(agent)) {
    multi_ = curl_multi_init();
    if (!multi_) throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "the downloads ahead could not be set up");
    thread_ = std::thread([this] { loop(); });
  }
  ~Prefetcher() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    for (auto& [key, item] : items_) finish(*item);
    for (auto& item : dropping_) finish(*item);
    curl_multi_cleanup(multi_);
  }
  Prefetcher(const Prefetcher&) = delete;
  Prefetcher& operator=(const Prefetcher&) = delete;

  void add(const std::string& key, const std::string& url, uint32_t flags, const RequestHeaders& headers,
           int32_t timeoutMs, const TransferLimits& limits, int parallel) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (items_.count(key) > 0 || items_.size() >= kMaxHeld) return;
      auto item = std::make_unique<Item>();
      item->url = url;
      item->flags = flags;
      item->headers = headers;
      item->timeoutMs = timeoutMs;
      item->limits = limits;
      parallel_ = std::max(1, parallel);
      queue_.push_back(item.get());
      items_.emplace(key, std::move(item));
    }
    curl_multi_wakeup(multi_);
  }

  // The reply fetched ahead for the key, once its transfer has ended (onWait runs while it
  // waits); nothing when it was not fetched ahead or did not arrive whole.
  std::unique_ptr<UrlHandle> take(const std::string& key, const std::function<void()>& onWait) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = items_.find(key);
    if (it == items_.end()) return nullptr;
    Item* item = it->second.get();
    while (!item->done) {
      ended_.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs));
      if (item->done) break;
      if (onWait) {
        lock.unlock();
        onWait();
        lock.lock();
      }
    }
    std::unique_ptr<Item> held = std::move(it->second);
    items_.erase(it);
    lock.unlock();
    if (!held->ok) return nullptr;
    return std::make_unique<HeldReply>(std::move(held->body), std::move(held->reply));
  }

  // Drops every reply not taken (a transfer still running stops).
  void clear() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // The transfers still running end on the thread that drives them.
      for (auto& [key, item] : items_) dropping_.push_back(std::move(item));
      items_.clear();
      queue_.clear();
    }
    curl_multi_wakeup(multi_);
  }

 private:
  static constexpr std::size_t kMaxHeld = 64;

  struct Item {
    std::string url;
    uint32_t flags = 0;
    RequestHeaders headers;
    int32_t timeoutMs = kDefaultTimeoutMs;
    TransferLimits limits;
    CURL* easy = nullptr;
    curl_slist* list = nullptr;
    ReplyHeaders reply;
    std::string body;
    bool tooLarge = false;
    bool done = false;
    bool ok = false;
  };

  static size_t onBody(char* data, size_t size, size_t count, void* self) {
    auto* item = static_cast<Item*>(self);
    const size_t n = size * count;
    if (static_cast<int64_t>(item->body.size() + n) > item->limits.maxBytes) {
      item->tooLarge = true;
      return 0;
    }
    item->body.append(data, n);
    return n;
  }
  static size_t onHeader(char* data, size_t size, size_t count, void* self) {
    static_cast<Item*>(self)->reply.add(data, size * count);
    return size * count;
  }

  void start(Item& item) {
    item.easy = curl_easy_init();
    if (!item.easy) {
      item.done = true;
      return;
    }
    configureTransfer(item.easy, share_, agent_, item.timeoutMs);
    item.list = configureRequest(item.easy, item.url, item.flags, item.headers);
    // The bounds of a live transfer, as libcurl keeps them: any of them broken drops the reply.
    curl_easy_setopt(item.easy, CURLOPT_TIMEOUT_MS, static_cast<long>(item.limits.totalMs));
    curl_easy_setopt(item.easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(kLowSpeedBytesPerSecond));
    curl_easy_setopt(item.easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(item.timeoutMs / 1000)));
    curl_easy_setopt(item.easy, CURLOPT_WRITEFUNCTION, &Prefetcher::onBody);
    curl_easy_setopt(item.easy, CURLOPT_WRITEDATA, &item);
    curl_easy_setopt(item.easy, CURLOPT_HEADERFUNCTION, &Prefetcher::onHeader);
    curl_easy_setopt(item.easy, CURLOPT_HEADERDATA, &item);
    curl_easy_setopt(item.easy, CURLOPT_PRIVATE, &item);
    curl_multi_add_handle(multi_, item.easy);
    ++running_;
  }

  void finish(Item& item) {
    if (item.easy) {
      curl_multi_remove_handle(multi_, item.easy);
      curl_easy_cleanup(item.easy);
      --running_;
    }
    if (item.list) curl_slist_free_all(item.list);
    item.easy = nullptr;
    item.list = nullptr;
  }

  void loop() {
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        for (auto& item : dropping_) finish(*item);
        dropping_.clear();
        while (!queue_.empty() && running_ < parallel_) {
          Item* item = queue_.front();
          queue_.erase(queue_.begin());
          start(*item);
          if (item->done) ended_.notify_all();
        }
      }
      int active = 0;
      curl_multi_perform(multi_, &active);
      int left = 0;
      bool any = false;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        void* self = nullptr;
        curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &self);
        Item* item = static_cast<Item*>(self);
        const CURLcode result = msg->data.result;
        std::lock_guard<std::mutex> lock(mutex_);
        finish(*item);
        // An FTP reply has no header to wait for; an HTTP one must have had its final header.
        item->ok = result == CURLE_OK && !item->tooLarge && (item->reply.begun || isFtp(item->url));
        item->done = true;
        any = true;
      }
      if (any) ended_.notify_all();
      curl_multi_poll(multi_, nullptr, 0, kWaitSliceMs, nullptr);
    }
  }

  CURLSH* share_;
  std::string agent_;
  CURLM* multi_ = nullptr;
  std::mutex mutex_;
  std::condition_variable ended_;
  std::map<std::string, std::unique_ptr<Item>> items_;
  std::vector<Item*> queue_;
  int running_ = 0;
  int parallel_ = 1;
  std::vector<std::unique_ptr<Item>> dropping_;
  bool stop_ = false;
  std::thread thread_;
};

// What a request is known by: the same URL with other flags or headers is another request.
std::string requestKey(const std::string& url, uint32_t flags, const RequestHeaders& headers) {
  std::string key = std::to_string(flags) + "\n" + url;
  for (const std::string& h : headers) key += "\n" + h;
  return key;
}

}  // namespace

struct Session::Shared {
  CURLSH* share = nullptr;
  // The share is used from the caller's thread and the thread that fetches ahead.
  std::mutex locks[CURL_LOCK_DATA_LAST];
  std::unique_ptr<Prefetcher> ahead;
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<Shared*>(self)->locks[data].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* self) { static_cast<Shared*>(self)->locks[data].unlock(); }
  Shared() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "libcurl could not be initialised");
    share = curl_share_init();
    if (!share)
      throw vb::Error(kNetErrorBase + CURLE_FAILED_INIT, "the download session could not be set up");
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Shared::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Shared::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  }
  ~Shared() {
    ahead.reset();  // its transfers use the share
    curl_share_cleanup(share);
  }
};

Session::Session(std::string agent, int32_t timeoutMs)
    : agent_(std::move(agent)),
      timeoutMs_(timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs),
      shared_(std::make_unique<Shared>()) {}

Session::~Session() = default;

void Session::fetchAhead(const std::string& url, uint32_t flags, const RequestHeaders& headers) {
  if (parallel_ <= 1) return;
  if (!shared_->ahead) shared_->ahead = std::make_unique<Prefetcher>(shared_->share, agent_);
  shared_->ahead->add(requestKey(url, flags, headers), url, flags, headers, timeoutMs_, limits_, parallel_ - 1);
}

void Session::dropFetchedAhead() {
  if (shared_->ahead) shared_->ahead->clear();
}

std::unique_ptr<UrlHandle> Session::openUrl(const std::string& url, uint32_t flags, const RequestHeaders& headers) {
  lastError_.clear();
  if (shared_->ahead)
    if (auto held = shared_->ahead->take(requestKey(url, flags, headers), onWait_)) return held;
  auto handle = std::make_unique<CurlHandle>(shared_->share, agent_, timeoutMs_, limits_, onWait_);
  if (!handle->open(url, flags, headers, lastError_)) return nullptr;
  return handle;
}

}  // namespace fw::net
