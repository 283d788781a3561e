#pragma once
// A ModelHost for the runner tests: a program folder of its own, a batch run on 5 January 2026,
// and everything the runner tells the program kept for the test to read.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "models/model_host.h"
#include "platform/process/process_runner.h"
#include "platform/vb/textfile.h"
#include "support/test_session.h"

namespace fw::models::testing {

// Records every run it is given and ends each as told, without starting anything.
class ScriptedRunner : public ProcessRunner {
 public:
  std::vector<Run> runs;
  Outcome outcome = Outcome::Exited;
  std::function<void(const Run&)> onRun;  // what "the program" does
  bool startDetached(const std::vector<std::string>&, std::string&) override { return true; }
  RunResult runToEnd(const Run& run) override {
    runs.push_back(run);
    if (onRun) onRun(run);
    RunResult r;
    r.outcome = outcome;
    r.exitCode = 0;
    return r;
  }
};

inline constexpr int32_t kBeginDay = 46027;  // 01/05/2026
inline constexpr int32_t kEndDay = 46029;    // 01/07/2026

struct TestHost {
  fw::testing::TempFolder folder;
  RecordingProcessRunner recorded;
  ScriptedRunner scripted;
  SpawnProcessRunner spawned;
  std::string log;  // the log pane
  std::vector<std::string> errors, boxes, captions;
  std::string lastError;
  ModelHost host;

  explicit TestHost(bool realPrograms = false) {
    host.processes = realPrograms ? static_cast<ProcessRunner*>(&spawned) : &recorded;
    host.programFolder = folder.path();
    host.BatchMode = true;
    host.RunDateTime = kBeginDay + 2 + 0.5;  // 07/01/2026 12:00
    host.now = [] { return kBeginDay + 2 + 0.5 + 1.0 / 1440; };
    host.log = [this](const std::string& t) { log += t; };
    host.errorLine = [this](const std::string& t) { errors.push_back(t); };
    host.setLastError = [this](const std::string& t) { lastError = t; };
    host.caption = [this](const std::string& t) { captions.push_back(t); };
    host.messageBox = [this](const std::string& t) { boxes.push_back(t); };
  }
  ShellArgs args(const std::string& command, const std::string& base1, const std::string& shift1,
                 const std::string& formula1) const {
    ShellArgs a;
    a.Command = command;
    a.BeginDay = kBeginDay;
    a.EndDay = kEndDay;
    a.base1 = base1;
    a.shift1 = shift1;
    a.formula1 = formula1;
    return a;
  }
  // A copy of a fixture of tests/fixtures/models in the folder.
  std::string fixture(const std::string& name, const std::string& as = "") const {
    const std::filesystem::path to =
        folder / (as.empty() ? std::filesystem::path(name).filename().string() : as);
    std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "models" / name, to,
                               std::filesystem::copy_options::overwrite_existing);
    return to.string();
  }
  std::string file(const std::string& name) const { return vb::readAllBytes(folder / name); }
  // A shell script in the folder that runs the given commands.
  std::string script(const std::string& name, const std::string& body) const {
    const std::filesystem::path p = folder / name;
    vb::writeAllBytes(p, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    return p.string();
  }
};

// The fixture's text with its lines joined by CR LF, as the runners write model files.
inline std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

}  // namespace fw::models::testing
