#include "run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fw::testing {

ProgramResult runProgram(const ProgramRun& run) {
  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e) {
    std::string kv = *e;
    std::string key = kv.substr(0, kv.find('='));
    if (key == "DISPLAY" || key == "WAYLAND_DISPLAY" || key == "FLUMEWRIGHT_HOME" ||
        key == "QT_QPA_PLATFORM" || run.env.count(key))
      continue;
    envText.push_back(kv);
  }
  for (const auto& [k, v] : run.env) envText.push_back(k + "=" + v);

  std::vector<std::string> argText{run.program.empty() ? std::string(FLUMEWRIGHT_EXE) : run.program};
  argText.insert(argText.end(), run.args.begin(), run.args.end());
  std::vector<char*> argv, envp;
  for (std::string& a : argText) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  ProgramResult result;
  // What the program prints goes to a file of its own, read back at the end.
  std::string outputPath = (std::filesystem::temp_directory_path() / "fw_program_XXXXXX").string();
  int outputFd = mkstemp(outputPath.data());
  if (outputFd < 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outputFd, 1);
    dup2(outputFd, 2);
    if (chdir(run.workingFolder.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(outputFd);
  auto readOutput = [&] {
    std::ifstream in(outputPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    result.output = ss.str();
    std::filesystem::remove(outputPath);
  };
  if (pid < 0) {
    readOutput();
    return result;
  }

  const auto deadline = std::chrono::steady_clock::now() + run.timeout;
  int wstatus = 0;
  for (;;) {
    pid_t done = waitpid(pid, &wstatus, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      result.timedOut = true;
      readOutput();
      return result;
    }
    if (run.whileRunning) run.whileRunning(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
  readOutput();
  return result;
}

}  // namespace fw::testing
