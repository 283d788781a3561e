#include "radar/radar_io.h"

#include "app/session.h"
#include "retrieval/get_url.h"

namespace fw {

RadarIo radarIo(Session& s) {
  RadarIo io;
  io.batch = s.BatchMode;
  io.fetch = [&s](const std::string& url) { return GetURL(s, url, false); };
  io.logPane = [&s](const std::string& text) { logPaneLine(s, text); };
  io.errorLog = [&s](const std::string& text) { s.errlog.writeLine(text); };
  io.box = [&s](const std::string& text) { s.ui.msgBox(text); };
  io.lastError = [&s](const std::string& text) { s.LastError = text; };
  return io;
}

void radarNotice(const RadarIo& io, const std::string& text) {
  if (io.batch) {
    if (io.errorLog) io.errorLog(text);
  } else if (io.box) {
    io.box(text);
  }
}

void radarFailure(const RadarIo& io, const std::string& text) {
  if (io.lastError) io.lastError(text);
  if (io.errorLog) io.errorLog(text);
  if (!io.batch && io.box) io.box(text);
}

}  // namespace fw
