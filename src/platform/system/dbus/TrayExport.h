#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/dbus/IconPixmaps.h"
#include "platform/system/dbus/MenuLayout.h"

namespace sdbus {
class IConnection;
class IObject;
class IProxy;
}  // namespace sdbus

namespace vl::dbus {

// What the tray shows of the status item, in plain data made on the main thread.
struct TrayState {
  std::string title;
  bool visible = true;
  std::string iconName;  // a theme icon, used only when there are no pixmaps
  std::vector<IconPixmap> pixmaps;
  // A symbolic icon the host may recolour, found in iconThemePath; shown in place of the pixmaps by hosts
  // that look icons up by name.
  std::string symbolicIconName;
  std::string iconThemePath;
  bool itemIsMenu = false;
};

// The status item as seen on the bus: a StatusNotifierItem at /StatusNotifierItem with its menu at
// /MenuBar, registered with the desktop's StatusNotifierWatcher, and again each time a watcher appears.
// A host reads the menu as soon as the item registers, so the item starts out with its state and layout
// and registers only then. Lives and dies on the bus thread; calls back on the bus thread (the owner
// forwards to the main queue).
class TrayExport {
 public:
  static constexpr const char* kItemPath = "/StatusNotifierItem";
  static constexpr const char* kMenuPath = "/MenuBar";
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

  struct Callbacks {
    std::function<void()> activate;
    // A menu row's event: "clicked", "opened" (also sent for AboutToShow) or "closed".
    std::function<void(std::int32_t id, const std::string& event)> menuEvent;
    // No StatusNotifierWatcher answered (once per absence).
    std::function<void()> noWatcher;
  };

  // A null layout is an empty menu.
  TrayExport(sdbus::IConnection& connection, Callbacks callbacks, TrayState state,
             std::shared_ptr<const MenuLayout> layout);
  ~TrayExport();

  void setState(TrayState state);
  void setLayout(std::shared_ptr<const MenuLayout> layout);

 private:
  void exportItem();
  void exportMenu();
  void registerWithWatcher();

  sdbus::IConnection& connection_;
  Callbacks callbacks_;
  TrayState state_;
  std::shared_ptr<const MenuLayout> layout_;
  std::unique_ptr<sdbus::IObject> item_;
  std::unique_ptr<sdbus::IObject> menu_;
  std::unique_ptr<sdbus::IProxy> watcher_;
  std::unique_ptr<void, std::function<void(void*)>> ownerMatch_;  // sdbus::Slot
  bool absenceLogged_ = false;
};

}  // namespace vl::dbus
