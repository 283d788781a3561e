#include "app/show_source.h"

#include "app/image_list.h"
#include "app/session.h"
#include "app/tray.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

namespace fw {

void showsource(Session& s, const std::string& label, const std::string& iconKey,
                const std::string& context) {
  if (vb::InStr(context, label) == 0) {
    // The window would show no picture; the caller's own error handling takes the line.
    if (!imageListHolds(iconKey)) throw vb::Error(35601, "Element not found");
    s.form.Icon = iconKey;
    s.form.Caption = label;
    // The tip is a 64-character field ending in NUL.
    if (s.BatchMode && s.TrayState == kTrayShown) s.services.tray->modify(tray::trayTip(s.form.Caption));
  }
  s.ui.doEvents();
}

}  // namespace fw
