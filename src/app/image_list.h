#pragma once
// The main window's icons, one per data-source key. The window and the tray icon draw the picture
// of the key the run last showed; a key the list does not hold is a fault of the caller.
#include <span>
#include <string>
#include <string_view>

namespace fw {

// Every key the list holds, "Flumewr" (the program's own icon) first.
std::span<const std::string_view> imageListKeys();
bool imageListHolds(std::string_view key);

}  // namespace fw
