#include "platform/system/PointerLocation.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"
#include "platform/system/x11/window/X11Screens.h"
#include "platform/ui/window/Screen.h"

namespace vl {

namespace {

struct Connection {
  explicit Connection(std::string displayName) : name(std::move(displayName)) {}
  ~Connection() {
    if (display) XCloseDisplay(display);
  }
  std::string name;
  Display* display = nullptr;
  bool tried = false;
};

std::optional<ui::Point> query(Connection& c) {
  if (!c.tried) {
    c.tried = true;
    c.display = XOpenDisplay(c.name.empty() ? nullptr : c.name.c_str());
    if (!c.display) logWarningf("pointer location: cannot open display %s", c.name.c_str());
  }
  if (!c.display) return std::nullopt;
  Display* dpy = c.display;
  const ::Window root = DefaultRootWindow(dpy);
  ::Window rootReturn = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(dpy, root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask))
    return std::nullopt;

  // Measured like the screens: from the primary monitor's bottom-left corner, in its points.
  const std::shared_ptr<ui::Screen> main = ui::Screen::mainScreen();
  const double scale = main && main->backingScaleFactor() > 0 ? main->backingScaleFactor() : 1;
  return x11::toolkitPointOfRoot(dpy, rootX, rootY, scale);
}

}  // namespace

PointerLocationSource pointerLocationSource(const std::string& displayName) {
  std::string name = displayName;
  if (name.empty()) {
    name = environmentValue("DISPLAY");
    if (name.empty()) return {};
  }
  auto connection = std::make_shared<Connection>(name);
  return [connection] { return query(*connection); };
}

}  // namespace vl
