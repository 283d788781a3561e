#pragma once
// The one download routine every retriever (and the radar) uses.
#include <string>

#include "platform/net/net.h"

namespace fw {

struct Session;

inline constexpr const char* kDownloadCopyName = "download.txt";

inline constexpr double kBytesPerMegabyte = 1048576;

// The bounds of every download: "Download Time Limit=" (seconds, default 300) for the whole
// transfer and "Download Size Limit=" (megabytes, default 64) for the reply after decoding.
net::TransferLimits downloadLimits(const Session& s);
// The size limit as a text ("64 MB").
std::string sizeLimitText(const Session& s);

// Downloads the URL into a text, byte for byte, over the run's internet session (opened here when
// it is not). `reload` asks the origin, not a cache; FTP URLs are always passive.
//
// It never raises and never passes a transfer error on: a failure puts its text into LastError
// and the error log and leaves an empty text. A URL that cannot be opened, or a session error,
// sets InternetFailed (cleared at every call). A reply that began but did not arrive whole (cut
// short, stalled, too slow, past the time limit, larger than the size limit) is dropped entirely
// and its text goes into BrokenDownload as well, which fails the station line it was fetched for.
// An empty body is a clean empty result.
// With "Write download.txt" ticked the first download is copied to "download.txt" (URL, two
// line ends, the text), whatever happened, and the box is unticked.
std::string GetURL(Session& s, const std::string& url, bool reload);

// What GetURL hands back, with the reply's HTTP status (0 when none came) and its Retry-After
// header. `headers` go with this request alone and are never copied or logged.
struct UrlReply {
  std::string text;
  long status = 0;
  std::string retryAfter;
};
UrlReply GetURLReply(Session& s, const std::string& url, bool reload, const net::RequestHeaders& headers = {});

// Starts the download of a URL a later GetURL will ask for with the same `reload`, in the
// background beside the run ("Parallel Downloads=", default 8; 1 fetches nothing ahead). That
// GetURL then takes the reply when it arrived whole; everything else it does is as without.
void fetchURLAhead(Session& s, const std::string& url, bool reload);

}  // namespace fw
