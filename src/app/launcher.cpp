#include "app/launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

extern char** environ;

namespace fw {

bool SpawnLauncher::startDetached(const std::vector<std::string>& argv, std::string& error) {
  if (argv.empty() || argv[0].empty()) {
    error = "no program to start";
    return false;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
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

std::vector<std::string> editorCommand(const std::string& file) {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    std::vector<std::string> argv;
    std::istringstream words(value);
    for (std::string w; words >> w;) argv.push_back(w);
    if (argv.empty()) continue;
    argv.push_back(file);
    return argv;
  }
  return {"xdg-open", file};
}

}  // namespace fw
