#include "retrieval/get_url.h"

#include <exception>
#include <memory>
#include <vector>

#include "app/session.h"
#include "platform/net/net.h"
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
    vb::writeAllBytes(s.inProgramFolder(kDownloadCopyName), url + "\r\n\r\n" + text);
  } catch (const std::exception& e) {
    notify(s, std::string(kDownloadCopyName) + " was not written: " + describe(e));
    return;
  }
  notify(s, "Internet retrieval saved to download.txt");
}

}  // namespace

std::string GetURL(Session& s, const std::string& url, bool reload) {
  s.InternetFailed = false;
  InternetSession& internet = *s.services.internet;
  if (!internet.isOpen() && !internet.open(kAgent)) {
    s.ui.doEvents();
    if (!internet.open(kAgent)) {
      s.LastError = "No internet connection...";
      s.errlog.writeLine(s.LastError);
      if (!s.BatchMode) s.ui.msgBox(s.LastError);
      return "";
    }
  }
  s.ui.doEvents();
  const uint32_t flags = vb::LCase(vb::Left(url, 3)) == "ftp" ? net::kOpenPassiveFtp
                         : reload                             ? net::kOpenReload
                                                              : 0u;
  std::string text;
  std::unique_ptr<net::UrlHandle> handle;
  bool received = true;
  std::string receiveError;
  try {
    handle = internet.openUrl(url, flags);
    s.ui.doEvents();
    if (!handle) {
      fail(s, "Internet open fail, service provider down: " + vb::Left(url, 20));
    } else {
      std::vector<char> chunk(kChunkBytes);
      while (true) {
        const net::ReadResult r = handle->read(chunk.data(), chunk.size());
        s.ui.doEvents();
        if (!r.ok) {
          // Whatever broke the body off, the text is incomplete: say so, keep what came.
          fail(s, "Internet url open timed out: " + vb::Left(url, 20));
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
  return text;
}

}  // namespace fw
