#include "app/stop_signals.h"

#include <csignal>

namespace fw {

namespace {

// A handler can reach nothing but a global; storing to a lock-free atomic is safe in it.
std::atomic<std::atomic<bool>*> routedFlag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::atomic<bool>*>::is_always_lock_free);

extern "C" void askToStop(int sig) {
  if (std::atomic<bool>* flag = routedFlag.load())
    flag->store(true);
  else
    std::raise(sig);  // no session to stop (before it starts or after it ended): the default action
}

}  // namespace

void installStopSignals() {
  struct sigaction action {};
  action.sa_handler = askToStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void routeStopSignals(std::atomic<bool>* flag) {
  routedFlag.store(flag);
}

}  // namespace fw
