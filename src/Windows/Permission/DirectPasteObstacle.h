#pragma once

#include <string>

namespace vl {

// Why this program cannot press Ctrl+V in the user's window. Keys are posted through the X server's
// XTEST extension, so what is missing is either XTEST itself or any X server to post through.
enum class DirectPasteObstacle {
  None,                    // keys can be posted
  NoXTest,                 // an X display without XTEST
  WaylandWithoutXWayland,  // a Wayland session that offers no X display
  NoDisplay,               // no desktop at all, or an X display that could not be opened
};

// What the decision rests on, read from the running program and its environment.
struct PasteSession {
  bool canPostKeys = false;    // the installed key poster says it may post keys
  bool x11Active = false;      // the program draws and listens through an X display
  std::string waylandDisplay;  // $WAYLAND_DISPLAY
  std::string sessionType;     // $XDG_SESSION_TYPE
};

DirectPasteObstacle directPasteObstacle(const PasteSession& session);
// The session of this process now: the key poster, the window server and the environment.
PasteSession currentPasteSession();
// The string table key of the sentence that tells the user what is missing.
const char* obstacleTextKey(DirectPasteObstacle obstacle);

}  // namespace vl
