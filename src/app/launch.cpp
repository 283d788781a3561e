#include "app/launch.h"

#include "app/session.h"

namespace fw {

std::string joinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

bool displayAvailable(const std::function<const char*(const char*)>& env) {
  auto set = [&](const char* name) {
    const char* v = env(name);
    return v != nullptr && *v != '\0';
  };
  if (const char* platform = env("QT_QPA_PLATFORM");
      platform && std::string(platform).starts_with("offscreen"))
    return false;
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

int exitStatus(const Session& s) {
  if (s.LastRunOutcome == RunOutcome::Cancelled || s.LastRunStopped) return kExitNotFinished;
  if (!s.ProgramFault.empty() || s.errlog.failed()) return kExitFault;
  return kExitFinished;
}

}  // namespace fw
