#include "app/session.h"

#include "app/main_options.h"

#include <cstdlib>

namespace fw {

Session::Session(Ui& u, Clock& c, std::filesystem::path folder)
    : ui(u), clock(c), programFolder(std::move(folder)), errlog(programFolder / kErrorLogName) {
  main_options::connect(*this);
}

std::filesystem::path defaultProgramFolder() {
  if (const char* home = std::getenv("FLUMEWRIGHT_HOME"); home && *home) return home;
  return std::filesystem::current_path();
}

MsgResult notify(Session& s, const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  if (s.BatchMode) {
    s.errlog.writeLine(text);
    return defaultAnswer(buttons);
  }
  return s.ui.msgBox(text, buttons, icon, title);
}

void logPaneLine(Session& s, const std::string& text) { s.form.Text1.appendLine(text); }

bool openViewer(Session& s, const std::vector<std::string>& argv, const std::string& target) {
  // xdg-open hands the file on within a moment; a failure to do so comes as its exit status.
  constexpr int kViewerGraceMs = 1500;
  std::string error = "nothing to start programs";
  if (s.processes && s.processes->startViewer(argv, error, kViewerGraceMs, [&s] { s.ui.doEvents(); }))
    return true;
  const std::string text = "Could not start " + (argv.empty() ? std::string("a viewer") : argv.front()) +
                           " on " + target + ": " + error;
  s.errlog.writeLine(text);
  if (!s.BatchMode) s.ui.msgBox(text, MsgButtons::OK, MsgIcon::Exclamation);
  return false;
}

}  // namespace fw
