#pragma once
// Message boxes, input boxes, DoEvents and the beep of the windowed program. In batch mode no box
// is shown, so an unattended run never waits for a click: the text goes to the error log and the
// box's default answer is taken.
#include <functional>

#include "platform/ui.h"

class QWidget;

namespace fw {

struct Session;

namespace gui {

class QtUi : public Ui {
 public:
  // The session whose BatchMode and error log the boxes consult, the window that owns the boxes,
  // and what brings the window up to date with its model before events are processed.
  void attach(Session& s, QWidget* parent, std::function<void()> refresh);

  MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  void doEvents() override;
  void beep() override;
  bool hasDisplay() const override { return true; }
  bool clipboardText(std::string& text) override;
  void setClipboardText(const std::string& text) override;
  // Qt's own file dialog (so tests can drive it); batch runs ask nobody and get no file.
  std::optional<std::string> fileDialog(const FileDialogRequest& request) override;
  std::vector<std::string> fileDialogFiles(const FileDialogRequest& request) override;
  // A box that stays up while the program goes on; it deletes itself when closed.
  void modelessBox(const std::string& text, MsgIcon icon, const std::string& title) override;

 private:
  std::vector<std::string> runFileDialog(const FileDialogRequest& request);
  Session* session_ = nullptr;
  QWidget* parent_ = nullptr;
  std::function<void()> refresh_;
};

}  // namespace gui
}  // namespace fw
