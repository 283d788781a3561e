#include "app/launch.h"

#include "app/session.h"
#include "app/startup.h"

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
  if (s.FolderBusy) return kExitFolderBusy;
  if (!s.SetupFault.empty()) return kExitSetupUnusable;
  if (!s.DatabaseFault.empty()) return kExitDatabaseUnopened;
  if (s.LastRunStopped) return kExitStopped;
  if (s.LastRunOutcome == RunOutcome::Cancelled) return kExitCancelled;
  if (!s.ProgramFault.empty() || s.errlog.failed()) return kExitWriteFailed;
  return kExitFinished;
}

InfoRequest infoRequest(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h" || a == "-?") return InfoRequest::Help;
    if (a == "--version" || a == "-V") return InfoRequest::Version;
  }
  return InfoRequest::None;
}

std::string versionText() { return versionCaption(); }

std::string usageText() {
  return versionCaption() +
         " - real-time hydrology: retrieves, stores and graphs the series of a station list.\n"
         "\n"
         "Usage:\n"
         "  flumewright                    the main window (needs a display)\n"
         "  flumewright BATCH              one unattended run over the station list, then it ends\n"
         "  flumewright Scheduled Batch    runs now and then every \"Minutes between retrievals\"\n"
         "  flumewright --help | --version\n"
         "\n"
         "\"BATCH\" may stand anywhere in the command line, in any case. Without a display a batch\n"
         "program shows no window: its messages go to the error log Flumewright_errlog.txt and the\n"
         "run's log pane is printed on standard output. SIGINT or SIGTERM stops it before the next\n"
         "station line.\n"
         "\n"
         "The program folder (setup file Flumewright_setup.txt, database, logs) is the folder named\n"
         "by the environment variable FLUMEWRIGHT_HOME, else the current directory.\n"
         "\n"
         "Exit status:\n"
         "  0  the run finished; its station lines were handled (bad stations within\n"
         "     \"Bad/Missing Stations Allowed\" included)\n"
         "  1  the run was cancelled: more bad stations than \"Bad/Missing Stations Allowed\"\n"
         "  2  the run finished, but a write failed (database rows, rupdate row 0, the error log)\n"
         "  3  the setup file could not be used (missing, unreadable, not read whole, cut off, a\n"
         "     START DATE that is no date)\n"
         "  4  the database could not be opened: the run did not start\n"
         "  5  another run holds the program folder: the run did not start\n"
         "  6  the run was stopped by SIGINT or SIGTERM\n"
         "  7  started without BATCH and without a display to show the window on\n";
}

}  // namespace fw
