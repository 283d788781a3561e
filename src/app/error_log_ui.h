#pragma once
// The Ui of a program without a window: nobody can read a box, so its text goes to the error log
// and the box's default answer is taken; an input box gives its default text. What the run writes
// into the log pane is echoed to an output stream (standard output), so a batch run started from
// a terminal shows its progress.
#include <ostream>

#include "app/error_log.h"
#include "app/main_form.h"
#include "platform/ui.h"

namespace fw {

class ErrorLogUi : public HeadlessUi {
 public:
  // The session's error log and log pane; attach them once the session exists.
  void attach(ErrorLog& log, const LogPane& pane, std::ostream* echo = nullptr);
  MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;
  // Writes the log pane's new whole lines to the echo stream.
  void doEvents() override;

 private:
  ErrorLog* log_ = nullptr;
  const LogPane* pane_ = nullptr;
  std::ostream* echo_ = nullptr;
  std::size_t echoed_ = 0;  // bytes of the pane's text already written
  bool lastBlank_ = true;   // the last line written was empty
};

}  // namespace fw
