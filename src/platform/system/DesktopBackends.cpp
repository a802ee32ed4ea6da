#include "platform/system/DesktopBackends.h"

#include <cstdlib>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"
#include "platform/system/DragSource.h"
#include "platform/system/FileRevealer.h"
#include "platform/system/GeneralTextPasteboard.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/HotKeyCenter.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/Sound.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/system/bluetooth/BlueZStack.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/DBusFileRevealer.h"
#include "platform/system/dbus/DBusStatusItem.h"
#include "platform/system/dbus/DBusUserNotificationCenter.h"
#include "platform/system/dbus/PortalAppearance.h"
#include "platform/system/desktop/CanberraSoundPlayer.h"
#include "platform/system/desktop/DesktopAppearance.h"
#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/system/web/WebEngine.h"
#include "platform/system/web/WebHelperClient.h"
#include "platform/system/x11/X11TrayIcon.h"
#include "platform/system/x11/X11Workspace.h"
#include "platform/system/x11/clipboard/X11Pasteboard.h"
#include "platform/system/x11/input/X11GlobalEventMonitor.h"
#include "platform/system/x11/input/X11HotKeyCenter.h"
#include "platform/system/x11/input/X11KeyPoster.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/menu/MenuWindow.h"

namespace vl {

namespace {

std::string& desktopDisplayName() {
  static auto* name = new std::string();
  return *name;
}

std::shared_ptr<x11::X11TrayIcon>& xembedTray() {
  static auto* tray = new std::shared_ptr<x11::X11TrayIcon>();
  return *tray;
}

// Without a StatusNotifierItem host the status item goes to an XEmbed system tray, now or when one starts.
void fallBackToXEmbedTray() {
  if (desktopDisplayName().empty()) {
    logWarning("tray: no X display for a system tray; no tray icon, the hot key still opens everything");
    return;
  }
  if (!xembedTray()) xembedTray() = x11::X11TrayIcon::create(desktopDisplayName());
  if (xembedTray()) ui::StatusBar::system().setBackend(xembedTray());
}
// Drags go through the window server that holds the press, for as long as it is the one installed; the
// drag slot must not keep a replaced server and its X connection alive.
class WindowServerDrags : public DragSource {
 public:
  explicit WindowServerDrags(const std::shared_ptr<x11::X11WindowServer>& server) : server_(server) {}
  bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items, DragImage image) override {
    auto server = server_.lock();
    return server && server->beginDrag(window, std::move(items), std::move(image));
  }

 private:
  std::weak_ptr<x11::X11WindowServer> server_;
};

}  // namespace

bool installDesktopBackends(const std::string& displayName) {
  installGeneralTextPasteboard();
  std::string name = displayName;
  if (name.empty()) {
    name = environmentValue("DISPLAY");
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
    logWarningf("desktop: the X display \"%s\" is not usable; running without a desktop", name.c_str());
    return false;
  }
  Pasteboard::install(pasteboard);
  Workspace::install(workspace);
  KeyEventPoster::install(poster);
  HotKeyCenter::install(hotKeys);
  GlobalEventMonitor::install(monitor);
  ui::WindowServer::install(windows);
  // Context menus, pop-up buttons and the tray's own menu open as pop-up windows from here on.
  ui::MenuTracker::install();
  DragSource::install(std::make_shared<WindowServerDrags>(windows));
  // Web pages come from the helper program, started with the first web view.
  std::weak_ptr<x11::X11WindowServer> weakWindows = windows;
  WebEngine::install(WebHelperClient::create(WebHelperClient::defaultProgramPath(), name, [weakWindows] {
    auto server = weakWindows.lock();
    return server ? server->backingScale() : 1.0;
  }));
  // Text is measured and drawn with the desktop's own font from here on, so install it before any
  // window lays out.
  paint::installDesktopPainting();
  if (!windows->desktopFontName().empty()) paint::setSystemFontDescription(windows->desktopFontName());
  // Icons and sounds need no display, but a program without one has no use for them either.
  IconProvider::install(std::make_shared<ThemeIconProvider>());
  IconProvider::setPreferredThemeName(windows->desktopIconThemeName());
  // Light or dark follows the GTK theme from here on, until (and unless) the portal states a mode: a
  // theme the settings manager announces, or GTK's settings file, changed while the program runs.
  DesktopAppearance::shared().setLiveThemeName(windows->desktopThemeName());
  windows->setDesktopChangeHandler([](const x11::DesktopState& state) {
    DesktopAppearance::shared().setLiveThemeName(state.themeName);
    IconProvider::setPreferredThemeName(state.iconThemeName);
  });
  DesktopAppearance::shared().follow();
  if (auto sounds = CanberraSoundPlayer::create()) {
    SoundPlayer::install(sounds);
    ui::setBeepHandler([] { SoundPlayer::shared()->playAlert(); });
  }
  desktopDisplayName() = name;
  logf("desktop: X11 display \"%s\"", name.c_str());
  return true;
}

namespace {

struct SessionBusBackends {
  std::shared_ptr<dbus::BusConnection> bus;
  std::shared_ptr<dbus::DBusStatusItem> statusItem;
  std::shared_ptr<dbus::DBusUserNotificationCenter> notifications;
  std::shared_ptr<dbus::DBusFileRevealer> fileRevealer;
};

SessionBusBackends& sessionBus() {
  static auto* backends = new SessionBusBackends();
  return *backends;
}

}  // namespace

bool installSessionBusBackends(const std::string& address) {
  closeSessionBusBackends();
  if (address.empty() && !dbus::BusConnection::sessionBusAvailable()) {
    logWarning("desktop: no session bus; no desktop notices, and light or dark follows the GTK theme");
    // What would be shown as a notice says it cannot be.
    auto notices = std::make_shared<HeadlessUserNotificationCenter>();
    notices->setServiceAnswers(false);
    UserNotificationCenter::install(notices);
    fallBackToXEmbedTray();
    return false;
  }
  SessionBusBackends& b = sessionBus();
  b.bus = dbus::BusConnection::open(address);
  b.statusItem = dbus::DBusStatusItem::install(b.bus);
  b.statusItem->setNoHostHandler([] {
    auto& backends = sessionBus();
    if (backends.statusItem) backends.statusItem->uninstall();
    fallBackToXEmbedTray();
  });
  b.notifications = dbus::DBusUserNotificationCenter::install(b.bus);
  b.fileRevealer = dbus::DBusFileRevealer::install(b.bus);
  dbus::followPortalAppearance(b.bus);
  return true;
}

void closeSessionBusBackends() {
  if (auto& tray = xembedTray()) {
    if (ui::StatusBar::system().backend() == tray) ui::StatusBar::system().setBackend(nullptr);
    tray.reset();
  }
  SessionBusBackends& b = sessionBus();
  if (!b.bus) return;
  b.statusItem->uninstall();
  if (UserNotificationCenter::defaultCenter() == b.notifications) UserNotificationCenter::install(nullptr);
  if (FileRevealer::shared() == b.fileRevealer) FileRevealer::install(nullptr);
  b.bus->close();
  b = SessionBusBackends{};
}

namespace {

std::shared_ptr<bluetooth::BlueZStack>& blueZ() {
  static auto* stack = new std::shared_ptr<bluetooth::BlueZStack>();
  return *stack;
}

}  // namespace

void installSystemBusBackends(const std::string& address) {
  closeSystemBusBackends();
  blueZ() = bluetooth::BlueZStack::create(address);
  bluetooth::BluetoothStack::install(blueZ());
}

void closeSystemBusBackends() {
  auto& stack = blueZ();
  if (!stack) return;
  if (bluetooth::BluetoothStack::installed() == stack) bluetooth::BluetoothStack::install(nullptr);
  stack->close();
  stack.reset();
}

}  // namespace vl

namespace vl {

void closeWebEngine() {
  if (auto client = std::dynamic_pointer_cast<WebHelperClient>(WebEngine::installed())) client->close();
}

std::string desktopFontDescription() {
  auto* server = dynamic_cast<x11::X11WindowServer*>(ui::WindowServer::installed());
  return server ? server->desktopFontName() : std::string();
}

}  // namespace vl
