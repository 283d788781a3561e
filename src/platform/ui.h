#pragma once
// Message boxes, input boxes, DoEvents and the beep: the interactive side of the program.
// The Qt main window installs a real one; batch runs without a display use HeadlessUi; tests use
// ScriptedUi, which records every box and answers from a queue.
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fw {

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
// VB's vbOK ... vbNo values.
enum class MsgResult { OK = 1, Cancel = 2, Yes = 6, No = 7 };

// An open or save file dialog: the filter is given as (description, patterns) pairs, the
// patterns separated by ";" and matched in any case.
struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string initialFolder;
  std::string fileName;
  std::vector<std::pair<std::string, std::string>> filters;
  bool multiple = false;  // an open dialog that takes several files
};
// The pairs of a "Text (*.a)|*.a|All files (*.*)|*.*|" filter; a description without patterns
// is dropped.
std::vector<std::pair<std::string, std::string>> parseFileFilter(const std::string& filter);

class Ui {
 public:
  virtual ~Ui() = default;
  virtual MsgResult msgBox(const std::string& text, MsgButtons buttons = MsgButtons::OK,
                           MsgIcon icon = MsgIcon::None, const std::string& title = "") = 0;
  // The text the user typed; "" when cancelled.
  virtual std::string inputBox(const std::string& prompt, const std::string& title = "",
                               const std::string& defaultText = "") = 0;
  // Lets the window process pending events (VB's DoEvents).
  virtual void doEvents() {}
  virtual void beep() {}
  // The name a box falls back to when its title is empty.
  virtual bool hasDisplay() const { return false; }
  // The clipboard's text; false when it holds no text.
  virtual bool clipboardText(std::string& text) {
    text.clear();
    return false;
  }
  virtual void setClipboardText(const std::string&) {}
  // The chosen file's full name; nothing when the user cancelled (or nobody can answer).
  virtual std::optional<std::string> fileDialog(const FileDialogRequest&) { return std::nullopt; }
  // The chosen files' full names (an open dialog with `multiple`); none when cancelled.
  virtual std::vector<std::string> fileDialogFiles(const FileDialogRequest& request) {
    std::optional<std::string> one = fileDialog(request);
    return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
  }
  // A box that does not wait for its OK, so a run going on is not held by it.
  virtual void modelessBox(const std::string& text, MsgIcon icon, const std::string& title) {
    msgBox(text, MsgButtons::OK, icon, title);
  }
};

// No display: every box takes its default answer (OK, Yes for questions is never assumed:
// the first button) and input boxes return their default text.
class HeadlessUi : public Ui {
 public:
  MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
};

// For tests: records boxes and input prompts; answers from queues, else the default answer.
class ScriptedUi : public Ui {
 public:
  struct Box {
    std::string text, title;
    MsgButtons buttons;
    MsgIcon icon;
  };
  std::vector<Box> boxes;
  std::vector<std::string> prompts;
  std::deque<MsgResult> answers;
  std::deque<std::string> inputs;
  std::vector<FileDialogRequest> fileDialogs;
  std::deque<std::optional<std::string>> files;  // answers to file dialogs; empty: cancelled
  std::deque<std::vector<std::string>> fileLists;  // answers to dialogs of several files, before `files`
  int doEventsCalls = 0;
  int beeps = 0;

  MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void doEvents() override { ++doEventsCalls; }
  void beep() override { ++beeps; }
  bool hasClipboardText = false;
  std::string clipboard;
  bool clipboardText(std::string& text) override {
    text = clipboard;
    return hasClipboardText;
  }
  void setClipboardText(const std::string& text) override {
    clipboard = text;
    hasClipboardText = true;
  }
  std::optional<std::string> fileDialog(const FileDialogRequest& request) override;
  std::vector<std::string> fileDialogFiles(const FileDialogRequest& request) override;
};

// The answer a box gives when nobody can click it: the first button (OK, or Yes).
MsgResult defaultAnswer(MsgButtons buttons);

}  // namespace fw
