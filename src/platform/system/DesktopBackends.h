#pragma once

#include <string>

namespace vl {

// Chooses the system backends at start: with an X display ($DISPLAY, or `displayName` when given) the
// X11 pasteboard, workspace, key poster, hot keys and global event monitor are installed; otherwise,
// or when the display cannot be opened, the headless backends stay. Returns whether X11 is active.
// With X11 the toolkit's windows become X windows as well (ui::WindowServer).
bool installDesktopBackends(const std::string& displayName = {});

// The desktop's UI font description ("Cantarell 11", from the desktop settings); "" when headless or
// when the desktop names none.
std::string desktopFontDescription();

}  // namespace vl
