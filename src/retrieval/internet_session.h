#pragma once
// The program's internet session: the run's InternetSession over the libcurl layer.
#include <functional>
#include <memory>
#include <string>

#include "platform/net/net.h"
#include "run/run_services.h"

namespace fw {

class NetInternetSession : public InternetSession {
 public:
  // `timeoutMs` bounds every connect and every wait for a byte (tests give less than a minute);
  // `onWait` runs while a download waits (the window's DoEvents).
  explicit NetInternetSession(std::function<void()> onWait = {}, int32_t timeoutMs = net::kDefaultTimeoutMs);

  bool open(const std::string& agent) override;
  // The run asks for its receive time-out at every start; the shorter of it and the session's
  // own is used.
  void setReceiveTimeout(int32_t milliseconds) override;
  void setTransferLimits(const net::TransferLimits& limits) override;
  void close() override;
  std::unique_ptr<net::UrlHandle> openUrl(const std::string& url, uint32_t flags) override;
  std::unique_ptr<net::UrlHandle> openUrlWith(const std::string& url, uint32_t flags,
                                              const net::RequestHeaders& headers) override;
  std::string lastOpenError() const override { return lastError_; }
  void setParallel(int downloads) override;
  void fetchAhead(const std::string& url, uint32_t flags) override;
  void dropFetchedAhead() override;

 private:
  int parallel_ = 1;
  std::function<void()> onWait_;
  int32_t ownTimeoutMs_;
  std::unique_ptr<net::Session> net_;
  std::string lastError_;
};

}  // namespace fw
