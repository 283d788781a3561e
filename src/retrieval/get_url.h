#pragma once
// The one download routine every retriever (and the radar) uses.
#include <string>

namespace fw {

struct Session;

inline constexpr const char* kDownloadCopyName = "download.txt";

// Downloads the URL into a text, byte for byte, over the run's internet session (opened here when
// it is not). `reload` asks the origin, not a cache; FTP URLs are always passive.
//
// It never raises and never passes a transfer error on: a failure sets InternetFailed (cleared at
// every call), puts its text into LastError and the error log, and leaves an empty text, or
// what had arrived when the body broke off. An empty body is a clean empty result.
// With "Write download.txt" ticked the first download is copied to "download.txt" (URL, two
// line ends, the text), whatever happened, and the box is unticked.
std::string GetURL(Session& s, const std::string& url, bool reload);

}  // namespace fw
