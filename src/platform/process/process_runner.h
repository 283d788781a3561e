#pragma once
// Starting other programs: always from an argument vector, never through a shell, so blanks,
// quotes and "$(...)" in an argument reach the program as written.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Starts argv[0] (looked up in PATH when it holds no "/") with the rest as its arguments and
  // does not wait for it. False with the system's reason in error when it cannot start.
  virtual bool startDetached(const std::vector<std::string>& argv, std::string& error) = 0;
  // A viewer (an editor, xdg-open): started as startDetached, then watched for graceMs. One that
  // ends within it with a non-zero status failed to show the file: false, with its status and
  // the first line it wrote to standard error in error. One still running, or ended with 0, has
  // shown it. whileWaiting is called between looks. This default only starts it.
  virtual bool startViewer(const std::vector<std::string>& argv, std::string& error, int graceMs,
                           const std::function<void()>& whileWaiting);

  // A program run to its end: started from argv in workFolder (never a chdir of ours), standard
  // input /dev/null, standard output and error to outputFile (empty: /dev/null). A program still
  // running after timeoutMs is killed. whileWaiting is called between looks at the program; a
  // stopWhen that returns true there kills it too (Stopped).
  struct Run {
    std::vector<std::string> argv;
    std::filesystem::path workFolder;
    std::filesystem::path outputFile;
    int timeoutMs = 0;
    std::function<void()> whileWaiting;
    std::function<bool()> stopWhen;
  };
  enum class Outcome { Exited, NotStarted, TimedOut, Killed, Stopped };
  struct RunResult {
    Outcome outcome = Outcome::NotStarted;
    int exitCode = -1;  // when Exited
    std::string error;  // the system's reason when NotStarted
  };
  virtual RunResult runToEnd(const Run& run);
};

// The real one: posix_spawn in a new session, not waited for; a thread of its own reaps each
// child when it ends, so no finished program lingers.
class SpawnProcessRunner : public ProcessRunner {
 public:
  bool startDetached(const std::vector<std::string>& argv, std::string& error) override;
  bool startViewer(const std::vector<std::string>& argv, std::string& error, int graceMs,
                   const std::function<void()>& whileWaiting) override;
  RunResult runToEnd(const Run& run) override;
};

// For tests: records every start; fails the ones whose program is in failing.
class RecordingProcessRunner : public ProcessRunner {
 public:
  std::vector<std::vector<std::string>> started;
  std::vector<std::string> failing;
  bool startDetached(const std::vector<std::string>& argv, std::string& error) override;
  // Records the run; a failing program does not start, any other exits with 0.
  RunResult runToEnd(const Run& run) override;
};

std::shared_ptr<ProcessRunner> defaultProcessRunner();

// The user's text editor on a file: $VISUAL, else $EDITOR (each split at blanks), else xdg-open.
std::vector<std::string> textEditorCommand(const std::string& file);
// The desktop's handler for an address or file: xdg-open.
std::vector<std::string> openCommand(const std::string& target);

// Splits a command line at blanks; double quotes group blanks into one word and are dropped.
std::vector<std::string> splitCommandLine(const std::string& line);

}  // namespace fw
