#pragma once
// The status display of the source in work: the window's icon and caption, and in batch runs
// the tray icon's tip.
#include <string>

namespace fw {

struct Session;

// Shows `label` with the icon `iconKey`, unless `context` (the caption just read) already holds
// the label; in batch mode with the tray icon shown the tip follows the caption (63 characters).
// Yields to the window once.
void showsource(Session& s, const std::string& label, const std::string& iconKey, const std::string& context);

}  // namespace fw
