#include "app/error_log_ui.h"

namespace fw {

MsgResult ErrorLogUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) {
  if (log_) log_->writeLine(text);
  return HeadlessUi::msgBox(text, buttons, icon, title);
}

}  // namespace fw
