#include "retrieval/internet_session.h"

#include <algorithm>

#include "platform/vb/error.h"

namespace fw {

NetInternetSession::NetInternetSession(std::function<void()> onWait, int32_t timeoutMs)
    : onWait_(std::move(onWait)), ownTimeoutMs_(timeoutMs > 0 ? timeoutMs : net::kDefaultTimeoutMs) {}

bool NetInternetSession::open(const std::string& agent) {
  try {
    net_ = std::make_unique<net::Session>(agent, ownTimeoutMs_);
  } catch (const vb::Error& e) {
    lastError_ = e.description();
    net_.reset();
    open_ = false;
    return false;
  }
  net_->setWaitCallback(onWait_);
  net_->setLimits(limits_);
  net_->setParallel(parallel_);
  agent_ = agent;
  timeoutMs_ = ownTimeoutMs_;
  open_ = true;
  return true;
}

void NetInternetSession::setReceiveTimeout(int32_t milliseconds) {
  timeoutMs_ = milliseconds > 0 ? std::min(milliseconds, ownTimeoutMs_) : ownTimeoutMs_;
  if (net_) net_->setTimeoutMs(timeoutMs_);
}

void NetInternetSession::setTransferLimits(const net::TransferLimits& limits) {
  limits_ = limits;
  if (net_) net_->setLimits(limits);
}

void NetInternetSession::close() {
  net_.reset();
  open_ = false;
}

std::unique_ptr<net::UrlHandle> NetInternetSession::openUrl(const std::string& url, uint32_t flags) {
  return openUrlWith(url, flags, {});
}

std::unique_ptr<net::UrlHandle> NetInternetSession::openUrlWith(const std::string& url, uint32_t flags,
                                                                const net::RequestHeaders& headers) {
  if (!net_) {
    lastError_ = "the internet session is not open";
    return nullptr;
  }
  auto handle = net_->openUrl(url, flags, headers);
  lastError_ = net_->lastError();
  return handle;
}

void NetInternetSession::setParallel(int downloads) {
  parallel_ = downloads;
  if (net_) net_->setParallel(downloads);
}

void NetInternetSession::fetchAhead(const std::string& url, uint32_t flags) {
  if (net_) net_->fetchAhead(url, flags);
}

void NetInternetSession::dropFetchedAhead() {
  if (net_) net_->dropFetchedAhead();
}

}  // namespace fw
