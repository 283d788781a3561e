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

std::optional<std::string> ScriptedUi::fileDialog(const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  if (files.empty()) return std::nullopt;
  std::optional<std::string> r = files.front();
  files.pop_front();
  return r;
}

std::vector<std::string> ScriptedUi::fileDialogFiles(const FileDialogRequest& request) {
  if (fileLists.empty()) return Ui::fileDialogFiles(request);
  fileDialogs.push_back(request);
  std::vector<std::string> r = fileLists.front();
  fileLists.pop_front();
  return r;
}

std::vector<std::pair<std::string, std::string>> parseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : filter) {
    if (c == '|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
    if (!parts[i + 1].empty()) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

}  // namespace fw
