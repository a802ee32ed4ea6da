#include "Windows/Permission/DirectPasteObstacle.h"

#include <cstdlib>

#include "platform/foundation/Environment.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/ui/window/WindowServer.h"

namespace vl {

DirectPasteObstacle directPasteObstacle(const PasteSession& session) {
  if (session.canPostKeys) return DirectPasteObstacle::None;
  if (session.x11Active) return DirectPasteObstacle::NoXTest;
  if (!session.waylandDisplay.empty() || session.sessionType == "wayland")
    return DirectPasteObstacle::WaylandWithoutXWayland;
  return DirectPasteObstacle::NoDisplay;
}

PasteSession currentPasteSession() {
  auto env = [](const char* name) { return environmentValue(name); };
  PasteSession session;
  auto poster = KeyEventPoster::shared();
  session.canPostKeys = poster && poster->isAccessibilityTrusted();
  session.x11Active = ui::WindowServer::installed() != nullptr;
  session.waylandDisplay = env("WAYLAND_DISPLAY");
  session.sessionType = env("XDG_SESSION_TYPE");
  return session;
}

const char* obstacleTextKey(DirectPasteObstacle obstacle) {
  switch (obstacle) {
    case DirectPasteObstacle::None:
      return "permission.missing.none";
    case DirectPasteObstacle::NoXTest:
      return "permission.missing.xtest";
    case DirectPasteObstacle::WaylandWithoutXWayland:
      return "permission.missing.wayland";
    case DirectPasteObstacle::NoDisplay:
      return "permission.missing.display";
  }
  return "permission.missing.display";
}

}  // namespace vl
