#include "platform/system/DesktopBackends.h"

#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/system/GeneralTextPasteboard.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/HotKeyCenter.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/x11/X11GlobalEventMonitor.h"
#include "platform/system/x11/X11HotKeyCenter.h"
#include "platform/system/x11/X11KeyPoster.h"
#include "platform/system/x11/X11Pasteboard.h"
#include "platform/system/x11/X11WindowServer.h"
#include "platform/system/x11/X11Workspace.h"

namespace vl {

bool installDesktopBackends(const std::string& displayName) {
  installGeneralTextPasteboard();
  std::string name = displayName;
  if (name.empty()) {
    const char* env = std::getenv("DISPLAY");
    name = env ? env : "";
  }
  if (name.empty()) {
    log("desktop: no DISPLAY; running without a desktop (headless pasteboard and keys)");
    return false;
  }
  // Each backend opens its own connection; the first that fails ends the attempt.
  auto pasteboard = X11Pasteboard::create(name);
  auto workspace = pasteboard ? X11Workspace::create(name) : nullptr;
  auto poster = workspace ? X11KeyPoster::create(name) : nullptr;
  auto hotKeys = poster ? X11HotKeyCenter::create(name) : nullptr;
  auto monitor = hotKeys ? X11GlobalEventMonitor::create(name) : nullptr;
  auto windows = monitor ? x11::X11WindowServer::create(name) : nullptr;
  if (!windows) {
    logf("desktop: the X display \"%s\" is not usable; running without a desktop", name.c_str());
    return false;
  }
  Pasteboard::install(pasteboard);
  Workspace::install(workspace);
  KeyEventPoster::install(poster);
  HotKeyCenter::install(hotKeys);
  GlobalEventMonitor::install(monitor);
  ui::WindowServer::install(windows);
  logf("desktop: X11 display \"%s\"", name.c_str());
  return true;
}

}  // namespace vl

namespace vl {

std::string desktopFontDescription() {
  auto* server = dynamic_cast<x11::X11WindowServer*>(ui::WindowServer::installed());
  return server ? server->desktopFontName() : std::string();
}

}  // namespace vl
