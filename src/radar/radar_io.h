#pragma once
// What the radar routines ask of the rest of the program, as a few plain functions: a download
// and the places a message goes. The routines take this (not the whole session), so they can be
// driven and watched in tests; radarIo() joins them to a session.
#include <functional>
#include <string>

namespace fw {

struct Session;

struct RadarIo {
  bool batch = false;  // no one can click a box
  // Downloads a URL into its bytes (never converted to text); "" when the download failed.
  std::function<std::string(const std::string& url)> fetch;
  std::function<void(const std::string&)> logPane;    // a line of the main window's log pane
  std::function<void(const std::string&)> errorLog;   // a line of the error log
  std::function<void(const std::string&)> box;        // a message box
  std::function<void(const std::string&)> lastError;  // sets LastError
};

// Through the session: GetURL, the log pane, the error log, its Ui and LastError.
RadarIo radarIo(Session& s);

// A message the user must read: a box, or in batch the error log.
void radarNotice(const RadarIo& io, const std::string& text);
// A failure the run must know of: LastError and the error log, and a box unless in batch.
void radarFailure(const RadarIo& io, const std::string& text);

}  // namespace fw
