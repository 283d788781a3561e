#include "app/show_source.h"

#include "app/session.h"
#include "app/tray.h"
#include "platform/vb/strings.h"

namespace fw {

void showsource(Session& s, const std::string& label, const std::string& iconKey, const std::string& context) {
  if (vb::InStr(context, label) == 0) {
    s.form.Icon = iconKey;
    s.form.Caption = label;
    // The tip is a 64-character field ending in NUL.
    if (s.BatchMode && s.TrayState == kTrayShown) s.services.tray->modify(tray::trayTip(s.form.Caption));
  }
  s.ui.doEvents();
}

}  // namespace fw
