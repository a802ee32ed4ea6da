#pragma once

#include <string>

namespace vl {

// Chooses the system backends at start: with an X display ($DISPLAY, or `displayName` when given) the
// X11 pasteboard, workspace, key poster, hot keys and global event monitor are installed, with icons
// from the user's icon theme and sounds through libcanberra; otherwise, or when the display cannot be
// opened, the headless backends stay. Returns whether X11 is active.
// With X11 the toolkit's windows become X windows as well (ui::WindowServer), and web views show their
// pages through the helper program vellisto-webview (WebHelperClient), started with the first of them.
bool installDesktopBackends(const std::string& displayName = {});

// Ends the web view helper, if one runs, and joins its reader thread (at quit).
void closeWebEngine();

// The desktop's UI font description ("Cantarell 11", from the desktop settings); "" when headless or
// when the desktop names none.
std::string desktopFontDescription();

// Chooses the services of the session bus at start, when there is one (`address`, else the session's):
// the status item in the desktop's tray, light and dark from the desktop portal, and notices through the
// notification server. The connection runs on its own thread; if the bus cannot be reached or goes away
// later, a log line says so and the headless twins come back. Returns whether a bus was looked for.
bool installSessionBusBackends(const std::string& address = {});
// Takes those backends down again and closes the connection (at quit, and in tests).
void closeSessionBusBackends();

// Bluetooth LE through BlueZ on the system bus (`address`, else $DBUS_SYSTEM_BUS_ADDRESS, else the
// system's). Nothing connects until the sync screens first use Bluetooth; without bluetoothd or an
// adapter the managers report it and the sync screens say so.
void installSystemBusBackends(const std::string& address = {});
// Puts the headless Bluetooth back and closes the system bus connection (at quit, and in tests).
void closeSystemBusBackends();

}  // namespace vl
