#include "app/common_dialog.h"

#include "platform/vb/error.h"

namespace fw {

void showFileDialog(Ui& ui, CommonDialog& dialog, bool save) {
  FileDialogRequest request;
  request.save = save;
  request.title = dialog.DialogTitle;
  request.initialFolder = dialog.InitDir;
  request.fileName = dialog.FileName;
  request.filters = parseFileFilter(dialog.Filter);
  const std::optional<std::string> chosen = ui.fileDialog(request);
  if (!chosen || chosen->empty()) {
    if (dialog.CancelError) throw vb::Error(CommonDialog::kCancelError, "Cancel was selected.");
    return;
  }
  dialog.FileName = *chosen;
}

}  // namespace fw
