#include "app/error_log_ui.h"

namespace fw {

void ErrorLogUi::attach(ErrorLog& log, const LogPane& pane, std::ostream* echo) {
  log_ = &log;
  pane_ = &pane;
  echo_ = echo;
  echoed_ = pane.Text.size();
}

MsgResult ErrorLogUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) {
  if (log_) log_->writeLine(text);
  return HeadlessUi::msgBox(text, buttons, icon, title);
}

void ErrorLogUi::doEvents() {
  if (!pane_ || !echo_) return;
  const std::string& text = pane_->Text;
  if (text.size() < echoed_) echoed_ = 0;  // the pane was emptied (a new run) and filled again
  // Whole lines only, so a line is judged blank or not once; the pane keeps room above the run's
  // lines with empty lines, and a terminal needs at most one of them in a row.
  std::size_t end = text.rfind('\n');
  if (end == std::string::npos || end < echoed_) return;
  std::size_t pos = echoed_;
  while (pos <= end) {
    std::size_t next = text.find('\n', pos);
    std::string line = text.substr(pos, next - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool blank = line.find_first_not_of(' ') == std::string::npos;
    if (!blank || !lastBlank_) *echo_ << line << '\n';
    lastBlank_ = blank;
    pos = next + 1;
  }
  echo_->flush();
  echoed_ = end + 1;
}

}  // namespace fw
