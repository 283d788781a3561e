#include "platform/ui.h"

namespace fw {

MsgResult defaultAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgResult::Yes;
    case MsgButtons::OK:
    case MsgButtons::OKCancel:
      break;
  }
  return MsgResult::OK;
}

MsgResult HeadlessUi::msgBox(const std::string&, MsgButtons buttons, MsgIcon, const std::string&) {
  return defaultAnswer(buttons);
}

std::string HeadlessUi::inputBox(const std::string&, const std::string&, const std::string& defaultText) {
  return defaultText;
}

MsgResult ScriptedUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  boxes.push_back({text, title, buttons, icon});
  if (answers.empty()) return defaultAnswer(buttons);
  MsgResult r = answers.front();
  answers.pop_front();
  return r;
}

std::string ScriptedUi::inputBox(const std::string& prompt, const std::string&, const std::string& defaultText) {
  prompts.push_back(prompt);
  if (inputs.empty()) return defaultText;
  std::string r = inputs.front();
  inputs.pop_front();
  return r;
}

}  // namespace fw
