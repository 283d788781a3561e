#pragma once
// The tray icon's mouse events and its menu, for batch runs that live in the system tray.
#include <cstdint>
#include <functional>
#include <string>

namespace fw {

struct Session;

namespace tray {

inline constexpr int32_t kLeftButtonDown = 513;
inline constexpr int32_t kRightButtonDown = 516;

inline constexpr const char* kMenuItems[] = {"&Restore",
                                             "&Info",
                                             "&View radar",
                                             "View Storm &Count",
                                             "View &Tracking",
                                             "Edit Winds Aloft",
                                             "Edit Nowcast Expires",
                                             "View &Alerts",
                                             "View &Graphs",
                                             "View &Nexrad",
                                             "Open &Folder",
                                             "View &Error Log",
                                             "&Quit"};
inline constexpr int kMenuItemCount = 13;

// A tray mouse event. Only while the icon is shown (TrayState 1): a left button restores the
// window; a right button pops the menu through popMenu, which returns the chosen item's index
// (-1 for none), and the item runs before this returns.
void MyMouseMove(Session& s, int32_t lParam, const std::function<int()>& popMenu);

// Runs menu item index (0 "&Restore" ... 12 "&Quit").
void menuItem_Click(Session& s, int index);

// The "&Info" box's text; reading it empties the alert and error texts.
std::string trayInfoText(Session& s);

// The caption cut to the tip's 63 bytes, never in the middle of a UTF-8 character.
std::string trayTip(const std::string& caption);

}  // namespace tray
}  // namespace fw
