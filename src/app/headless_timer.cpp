#include "app/headless_timer.h"

#include <algorithm>

#include "app/session.h"
#include "app/startup.h"

namespace fw {

void runHeadlessTimer(Session& s, int sliceMs) {
  sliceMs = std::max(sliceMs, 1);
  while (!s.StopRequested && !s.ExitRequested) {
    const int interval = std::max(s.form.Timer1.Interval, 1);
    for (int waited = 0; waited < interval && !s.StopRequested; waited += sliceMs)
      s.clock.sleepMs(std::min(sliceMs, interval - waited));
    if (s.StopRequested) break;
    if (s.form.Timer1.Enabled) Timer1_Timer(s);
    s.ui.doEvents();
  }
}

}  // namespace fw
