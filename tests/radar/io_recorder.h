#pragma once
// A RadarIo that records where each text went and answers downloads from a table of replies.
#include <map>
#include <string>
#include <vector>

#include "radar/radar_io.h"

namespace fw::testing {

struct IoRecorder {
  std::vector<std::string> boxes, errorLog, logPane, fetched;
  std::string lastError;
  std::map<std::string, std::vector<std::string>> replies;  // by URL, one per call; "" when none is left

  RadarIo io(bool batch = false) {
    RadarIo r;
    r.batch = batch;
    r.fetch = [this](const std::string& url) {
      fetched.push_back(url);
      auto it = replies.find(url);
      if (it == replies.end() || it->second.empty()) return std::string();
      std::string reply = it->second.front();
      it->second.erase(it->second.begin());
      return reply;
    };
    r.logPane = [this](const std::string& t) { logPane.push_back(t); };
    r.errorLog = [this](const std::string& t) { errorLog.push_back(t); };
    r.box = [this](const std::string& t) { boxes.push_back(t); };
    r.lastError = [this](const std::string& t) { lastError = t; };
    return r;
  }
};

}  // namespace fw::testing
