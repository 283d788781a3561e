#pragma once
// StartupLinks that record what the handlers asked for, without a setup file or a database.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace fw::testing {

class FakeLinks : public StartupLinks {
 public:
  std::vector<std::string> calls;
  std::vector<vb::VbDate> runStarts;  // the clock at each run
  std::optional<vb::VbDate> lastRun;
  std::string compactError;  // LastError a compaction leaves
  bool timerOnAtCompaction = false;
  std::string captionAtCompaction;
  std::function<void(Session&)> duringRun;  // what happens while a run is going

  void setupdata(Session&) override { calls.push_back("setupdata"); }
  void runstations(Session& s) override {
    calls.push_back("runstations");
    runStarts.push_back(s.clock.now());
    s.RunActive = true;
    if (duringRun) duringRun(s);
    s.RunActive = false;
  }
  std::optional<vb::VbDate> lastRunTime(Session&) override {
    calls.push_back("lastRunTime");
    return lastRun;
  }
  void CompactRepair(Session& s) override {
    calls.push_back("CompactRepair");
    timerOnAtCompaction = s.form.Timer1.Enabled;
    captionAtCompaction = s.form.Caption;
    s.LastError = compactError;
  }
  void releaseDatabase(Session&) override { calls.push_back("releaseDatabase"); }

  int count(const std::string& name) const {
    int n = 0;
    for (const std::string& c : calls) n += c == name;
    return n;
  }
};

}  // namespace fw::testing
