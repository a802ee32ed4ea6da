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
// Whether the keyboard focus is on `window` or on a window inside it.
bool focusIsOnOrIn(X11Display& x, ::Window window);
// Whether a window manager that follows the extended hints runs (_NET_SUPPORTING_WM_CHECK).
bool windowManagerRunning(X11Display& x);

// Asks for `window` to be active and returns at once: with a window manager through
// _NET_ACTIVE_WINDOW (source: a pager, so it is not refused as focus stealing), and the input focus
// directly as well, which also serves when none runs. False when the window is gone or not on screen.
[[nodiscard]] bool requestActivation(X11Display& x, ::Window window, Time time);

// requestActivation, then waits for the server's word that the focus is there: a FocusIn on the window
// or a change of _NET_ACTIVE_WINDOW on the root, each answered by looking again. Under a window manager
// it also waits until the manager names the window active, as an activation still queued there would
// take the focus away again afterwards. At most `waitMs` of real time; at the bound, the focus being
// in the window is enough (a window the manager does not manage is never named). False at once when
// the window is unmapped or destroyed meanwhile.
// It selects events on `x` and reads them, so `x` must be a connection nobody else reads events from;
// the selections are undone and the events dropped before it returns.
[[nodiscard]] bool activateWindowAndWait(X11Display& x, ::Window window, Time time, int waitMs);

}  // namespace vl::x11
