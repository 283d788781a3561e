#include "platform/process/process_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace fw {

bool SpawnProcessRunner::startDetached(const std::vector<std::string>& argv, std::string& error) {
  error.clear();
  if (argv.empty() || argv[0].empty()) {
    error = "no program given";
    return false;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

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
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
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
