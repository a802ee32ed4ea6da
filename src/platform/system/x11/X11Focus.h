#pragma once

#include <X11/Xlib.h>

#include "platform/system/x11/X11Display.h"

namespace vl::x11 {

// The window that was active before one of ours took the keyboard focus. The window server notes it
// when it takes the focus; the workspace gives the focus back to it before a paste chord. Its own leaf
// lock; safe from any thread.
void rememberFocusBeforeOurs(::Window window);
::Window focusBeforeOurs();

// The active window: _NET_ACTIVE_WINDOW when a window manager publishes it, else the input focus;
// None for the root or nothing.
::Window activeWindow(X11Display& x);
// The window holding the keyboard focus; None for the root or nothing.
::Window inputFocus(X11Display& x);
// Whether a window manager that follows the extended hints runs (_NET_SUPPORTING_WM_CHECK).
bool windowManagerRunning(X11Display& x);

// Asks for `window` to be active and waits (a bounded real-time wait) until the focus is on it or in
// it. With a window manager through _NET_ACTIVE_WINDOW (source: a pager, so it is not refused as focus
// stealing), and the input focus directly as well, which also serves when none runs. False when the
// window is gone or not on screen.
bool activateWindow(X11Display& x, ::Window window, Time time, int waitMs);

}  // namespace vl::x11
