#include "platform/process/process_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace fw {

namespace {

// The argument vector as posix_spawn takes it; the strings must outlive it.
std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

// A thread of its own reaps the child when it ends, so no finished program lingers.
void reapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

bool SpawnProcessRunner::startDetached(const std::vector<std::string>& argv, std::string& error) {
  error.clear();
  if (argv.empty() || argv[0].empty()) {
    error = "no program given";
    return false;
  }
  std::vector<char*> args = argvPointers(argv);

  // The program runs in its own session, so no terminal signal of ours reaches it.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    error = std::strerror(rc);
    return false;
  }
  reapLater(pid);
  return true;
}

bool ProcessRunner::startViewer(const std::vector<std::string>& argv, std::string& error, int,
                                const std::function<void()>&) {
  return startDetached(argv, error);
}

bool SpawnProcessRunner::startViewer(const std::vector<std::string>& argv, std::string& error, int graceMs,
                                     const std::function<void()>& whileWaiting) {
  error.clear();
  if (argv.empty() || argv[0].empty()) {
    error = "no program given";
    return false;
  }
  std::vector<char*> args = argvPointers(argv);

  // Its standard error goes to a file of ours (unlinked at once), for the reason of a failure.
  char errorPath[] = "/tmp/flumewright-viewer-XXXXXX";
  const int errorFd = ::mkstemp(errorPath);
  if (errorFd >= 0) ::unlink(errorPath);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (errorFd >= 0) posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    if (errorFd >= 0) ::close(errorFd);
    error = std::strerror(rc);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      const bool failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
      if (failed) {
        std::string said;
        if (errorFd >= 0) {
          char buffer[512];
          const ssize_t n = ::pread(errorFd, buffer, sizeof buffer, 0);
          if (n > 0) said.assign(buffer, static_cast<size_t>(n));
          said = said.substr(0, said.find('\n'));
        }
        error = WIFEXITED(status) ? argv[0] + " ended with status " + std::to_string(WEXITSTATUS(status))
                                  : argv[0] + " was ended by signal " + std::to_string(WTERMSIG(status));
        if (!said.empty()) error += " (" + said + ")";
      }
      if (errorFd >= 0) ::close(errorFd);
      return !failed;
    }
    if (done < 0 && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) break;
    if (whileWaiting) whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Still running: it shows the file.
  if (errorFd >= 0) ::close(errorFd);
  reapLater(pid);
  return true;
}

ProcessRunner::RunResult ProcessRunner::runToEnd(const Run&) {
  RunResult r;
  r.error = "this runner starts no waited programs";
  return r;
}

ProcessRunner::RunResult SpawnProcessRunner::runToEnd(const Run& run) {
  RunResult result;
  if (run.argv.empty() || run.argv[0].empty()) {
    result.error = "no program given";
    return result;
  }
  std::vector<char*> args = argvPointers(run.argv);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string out = run.outputFile.empty() ? std::string("/dev/null") : run.outputFile.string();
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (!run.workFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, run.workFolder.c_str());
  // Its own process group, so a kill reaches whatever it started too.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    result.error = std::strerror(rc);
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(run.timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status)) {
        // 127 from the spawned child: the program named could not be executed.
        result.outcome = Outcome::Exited;
        result.exitCode = WEXITSTATUS(status);
      } else {
        result.outcome = Outcome::Killed;
      }
      return result;
    }
    if (done < 0 && errno != EINTR) {
      result.outcome = Outcome::Killed;
      result.error = std::strerror(errno);
      return result;
    }
    const bool late = std::chrono::steady_clock::now() >= deadline;
    if (late || (run.stopWhen && run.stopWhen())) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.outcome = late ? Outcome::TimedOut : Outcome::Stopped;
      return result;
    }
    if (run.whileWaiting) run.whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ProcessRunner::RunResult RecordingProcessRunner::runToEnd(const Run& run) {
  started.push_back(run.argv);
  RunResult r;
  if (!run.argv.empty() && std::find(failing.begin(), failing.end(), run.argv[0]) != failing.end()) {
    r.error = "No such file or directory";
    return r;
  }
  r.outcome = Outcome::Exited;
  r.exitCode = 0;
  return r;
}

bool RecordingProcessRunner::startDetached(const std::vector<std::string>& argv, std::string& error) {
  started.push_back(argv);
  if (!argv.empty() && std::find(failing.begin(), failing.end(), argv[0]) != failing.end()) {
    error = "No such file or directory";
    return false;
  }
  error.clear();
  return true;
}

std::shared_ptr<ProcessRunner> defaultProcessRunner() { return std::make_shared<SpawnProcessRunner>(); }

namespace {
std::vector<std::string> splitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}
}  // namespace

std::vector<std::string> textEditorCommand(const std::string& file) {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* value = std::getenv(name);
    if (value == nullptr) continue;
    std::vector<std::string> argv = splitAtBlanks(value);
    if (argv.empty()) continue;
    argv.push_back(file);
    return argv;
  }
  return {"xdg-open", file};
}

std::vector<std::string> openCommand(const std::string& target) { return {"xdg-open", target}; }

std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

}  // namespace fw
