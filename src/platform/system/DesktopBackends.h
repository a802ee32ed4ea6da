#pragma once

#include <string>

namespace vl {

// Chooses the system backends at start: with an X display ($DISPLAY, or `displayName` when given) the
// X11 pasteboard, workspace, key poster, hot keys and global event monitor are installed, with icons
// from the user's icon theme and sounds through libcanberra; otherwise, or when the display cannot be
// opened, the headless backends stay. Returns whether X11 is active.
bool installDesktopBackends(const std::string& displayName = {});

}  // namespace vl
