#include "platform/system/DesktopBackends.h"

#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/system/DragSource.h"
#include "platform/system/GeneralTextPasteboard.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/HotKeyCenter.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/Sound.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/DBusStatusItem.h"
#include "platform/system/dbus/DBusUserNotificationCenter.h"
#include "platform/system/dbus/PortalAppearance.h"
#include "platform/system/desktop/CanberraSoundPlayer.h"
#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/system/x11/X11GlobalEventMonitor.h"
#include "platform/system/x11/X11HotKeyCenter.h"
#include "platform/system/x11/X11KeyPoster.h"
#include "platform/system/x11/X11Pasteboard.h"
#include "platform/system/x11/X11WindowServer.h"
#include "platform/system/x11/X11Workspace.h"
#include "platform/ui/controls/Beep.h"

namespace vl {

namespace {

// Drags go through the window server that holds the press, for as long as it is the one installed; the
// drag slot must not keep a replaced server and its X connection alive.
class WindowServerDrags : public DragSource {
 public:
  explicit WindowServerDrags(const std::shared_ptr<x11::X11WindowServer>& server) : server_(server) {}
  bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items) override {
    auto server = server_.lock();
    return server && server->beginDrag(window, std::move(items));
  }

 private:
  std::weak_ptr<x11::X11WindowServer> server_;
};

}  // namespace

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
  DragSource::install(std::make_shared<WindowServerDrags>(windows));
  // Text is measured and drawn with the desktop's own font from here on, so install it before any
  // window lays out.
  paint::installDesktopPainting();
  if (!windows->desktopFontName().empty()) paint::setSystemFontDescription(windows->desktopFontName());
  // Icons and sounds need no display, but a program without one has no use for them either.
  IconProvider::install(std::make_shared<ThemeIconProvider>());
  IconProvider::setPreferredThemeName(windows->desktopIconThemeName());
  if (auto sounds = CanberraSoundPlayer::create()) {
    SoundPlayer::install(sounds);
    ui::setBeepHandler([] { SoundPlayer::shared()->playAlert(); });
  }
  logf("desktop: X11 display \"%s\"", name.c_str());
  return true;
}

namespace {

struct SessionBusBackends {
  std::shared_ptr<dbus::BusConnection> bus;
  std::shared_ptr<dbus::DBusStatusItem> statusItem;
  std::shared_ptr<dbus::DBusUserNotificationCenter> notifications;
};

SessionBusBackends& sessionBus() {
  static auto* backends = new SessionBusBackends();
  return *backends;
}

}  // namespace

bool installSessionBusBackends(const std::string& address) {
  closeSessionBusBackends();
  if (address.empty() && !dbus::BusConnection::sessionBusAvailable()) {
    log("desktop: no session bus; no tray icon, desktop notices or desktop light and dark mode");
    return false;
  }
  SessionBusBackends& b = sessionBus();
  b.bus = dbus::BusConnection::open(address);
  b.statusItem = dbus::DBusStatusItem::install(b.bus);
  b.notifications = dbus::DBusUserNotificationCenter::install(b.bus);
  dbus::followPortalAppearance(b.bus);
  return true;
}

void closeSessionBusBackends() {
  SessionBusBackends& b = sessionBus();
  if (!b.bus) return;
  b.statusItem->uninstall();
  if (UserNotificationCenter::defaultCenter() == b.notifications) UserNotificationCenter::install(nullptr);
  b.bus->close();
  b = SessionBusBackends{};
}

}  // namespace vl

namespace vl {

std::string desktopFontDescription() {
  auto* server = dynamic_cast<x11::X11WindowServer*>(ui::WindowServer::installed());
  return server ? server->desktopFontName() : std::string();
}

}  // namespace vl
