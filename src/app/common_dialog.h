#pragma once
// The main window's shared file dialog shown through the Ui.
#include "app/main_form.h"
#include "platform/ui.h"

namespace fw {

// Shows the dialog for saving (save) or opening. The chosen name goes to FileName. A cancel
// leaves FileName as it was, or raises vb::Error 32755 "Cancel was selected." under CancelError.
void showFileDialog(Ui& ui, CommonDialog& dialog, bool save);

}  // namespace fw
