#include "retrieval/get_url.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "app/session.h"
#include "platform/net/net.h"
#include "platform/vb/format.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

const char* const kAgent = "Mozilla/5.0 (Windows NT)";
constexpr std::size_t kChunkBytes = 31000;
constexpr int32_t kCloseRetryMs = 5000;

void fail(Session& s, const std::string& text) {
  s.InternetFailed = true;
  s.LastError = text;
  s.errlog.writeLine(text);
}

std::string brokenReplyText(Session& s, net::ReadFailure why, const std::string& url) {
  const std::string where = ": " + vb::Left(url, 20);
  switch (why) {
    case net::ReadFailure::Stalled:
      return "Internet reply was cut short, no more of it came within the time-out" + where;
    case net::ReadFailure::TooSlow:
      return "Internet download was too slow (under " + std::to_string(net::kLowSpeedBytesPerSecond) +
             " bytes a second) and was stopped" + where;
    case net::ReadFailure::TimeLimit:
      return "Internet download passed the download time limit of " + vb::CStr(downloadLimits(s).totalMs / 1000.0) +
             " s and was stopped" + where;
    case net::ReadFailure::TooLarge:
      return "Internet reply is larger than the download size limit of " + sizeLimitText(s) + where;
    default:
      return "Internet reply was cut short" + where;
  }
}

// A reply that began but did not arrive whole or within the limits: nothing of it is used, and
// the station line it was fetched for fails with the text. The service answered, so it is not
// taken for down.
void brokenReply(Session& s, const std::string& text) {
  s.LastError = text;
  s.BrokenDownload = text;
  s.errlog.writeLine(text);
}

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

bool closeHandle(net::UrlHandle& handle) {
  try {
    return handle.close();
  } catch (const std::exception&) {
    return false;
  }
}

void copyForTheUser(Session& s, const std::string& url, const std::string& text) {
  if (!s.form.chkdownloadtxt.ticked() || downloadCopyExempt(s, url)) return;
  s.form.chkdownloadtxt.Value = 0;
  try {
    vb::writeScratchBytes(s.inProgramFolder(kDownloadCopyName), url + "\r\n\r\n" + text);
  } catch (const std::exception& e) {
    notify(s, std::string(kDownloadCopyName) + " was not written: " + describe(e));
    return;
  }
  notify(s, "Internet retrieval saved to download.txt");
}

}  // namespace

net::TransferLimits downloadLimits(const Session& s) {
  net::TransferLimits limits;
  if (s.DownloadTimeLimitSeconds > 0)
    limits.totalMs = static_cast<int32_t>(std::min(s.DownloadTimeLimitSeconds, 86400.0) * 1000);
  if (s.DownloadSizeLimitMegabytes > 0)
    limits.maxBytes = static_cast<int64_t>(std::min(s.DownloadSizeLimitMegabytes, 1048576.0) * kBytesPerMegabyte);
  return limits;
}

std::string sizeLimitText(const Session& s) {
  return vb::CStr(static_cast<double>(downloadLimits(s).maxBytes) / kBytesPerMegabyte) + " MB";
}

namespace {

uint32_t openFlags(const std::string& url, bool reload) {
  return vb::LCase(vb::Left(url, 3)) == "ftp" ? net::kOpenPassiveFtp : reload ? net::kOpenReload : 0u;
}

// The session the run downloads over, opened when it is not; false when none can be had.
bool openSession(Session& s, InternetSession& internet) {
  if (internet.isOpen() || internet.open(kAgent)) return true;
  s.ui.doEvents();
  return internet.open(kAgent);
}

}  // namespace

void fetchURLAhead(Session& s, const std::string& url, bool reload) {
  InternetSession& internet = *s.services.internet;
  if (s.parallelDownloads() <= 1) return;
  if (!internet.isOpen() && !internet.open(kAgent)) return;
  internet.setParallel(s.parallelDownloads());
  internet.setTransferLimits(downloadLimits(s));
  internet.fetchAhead(url, openFlags(url, reload));
}

std::string GetURL(Session& s, const std::string& url, bool reload) {
  return GetURLReply(s, url, reload).text;
}

UrlReply GetURLReply(Session& s, const std::string& url, bool reload, const net::RequestHeaders& headers) {
  UrlReply reply;
  s.InternetFailed = false;
  InternetSession& internet = *s.services.internet;
  if (!openSession(s, internet)) {
    s.LastError = "No internet connection...";
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
    return reply;
  }
  s.ui.doEvents();
  const uint32_t flags = openFlags(url, reload);
  std::string text;
  std::unique_ptr<net::UrlHandle> handle;
  bool received = true;
  std::string receiveError;
  try {
    internet.setTransferLimits(downloadLimits(s));
    handle = headers.empty() ? internet.openUrl(url, flags) : internet.openUrlWith(url, flags, headers);
    s.ui.doEvents();
    if (!handle) {
      fail(s, "Internet open fail, service provider down: " + vb::Left(url, 20));
    } else {
      reply.status = handle->status();
      reply.retryAfter = handle->header("Retry-After");
      std::vector<char> chunk(kChunkBytes);
      while (true) {
        const net::ReadResult r = handle->read(chunk.data(), chunk.size());
        s.ui.doEvents();
        if (!r.ok) {
          text.clear();
          text.shrink_to_fit();
          brokenReply(s, brokenReplyText(s, r.failure, url));
          break;
        }
        if (r.count == 0) break;
        text.append(chunk.data(), r.count);
      }
    }
  } catch (const std::exception& e) {
    received = false;
    receiveError = describe(e);
    text.clear();
  }
  if (handle) {
    s.ui.doEvents();
    if (!closeHandle(*handle)) {
      s.clock.sleepMs(kCloseRetryMs);
      s.ui.doEvents();
      if (!closeHandle(*handle)) received = false;
    }
  }
  if (!received) {
    fail(s, "Internet recieve timed out. " + receiveError);
    internet.close();
  }
  copyForTheUser(s, url, text);
  reply.text = std::move(text);
  return reply;
}

}  // namespace fw
