#pragma once
// Copies of a station line into table rsite: the editor's menu item "Copy to RSITE (right click)"
// and the right-click on a line in pick mode.
namespace fw {

struct Session;

void mnuPopupRsite_Click(Session& s);
void rsiteRightClickCopy(Session& s);

}  // namespace fw
