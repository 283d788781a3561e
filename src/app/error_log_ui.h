#pragma once
// The Ui of a program without a window: nobody can read a box, so its text goes to the error log
// and the box's default answer is taken; an input box gives its default text.
#include "app/error_log.h"
#include "platform/ui.h"

namespace fw {

class ErrorLogUi : public HeadlessUi {
 public:
  // The log is the session's error log; attach it once the session exists.
  void attach(ErrorLog& log) { log_ = &log; }
  MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;

 private:
  ErrorLog* log_ = nullptr;
};

}  // namespace fw
