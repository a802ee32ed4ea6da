#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/system/dbus/IconPixmaps.h"
#include "platform/system/dbus/MenuLayout.h"
#include "platform/system/dbus/TrayExport.h"
#include "platform/ui/menu/StatusItem.h"

namespace vl::dbus {

class BusConnection;
class TrayExport;

// The status bar's backend on a desktop with a StatusNotifierItem tray: the first status item is shown
// there (its image as pixmaps, its symbolic icon by name for hosts that recolour icons, its menu over
// dbusmenu), and the host's clicks come back to the main queue as the item's actions. The host's
// background is not known here: hosts that recolour symbolic icons choose the shade themselves. When the bus
// is lost it removes itself, so the toolkit's own item window shows again.
class DBusStatusItem final : public ui::StatusItemBackend,
                             public std::enable_shared_from_this<DBusStatusItem> {
 public:
  // Installs a backend on the status bar and the menu change observer.
  static std::shared_ptr<DBusStatusItem> install(const std::shared_ptr<BusConnection>& bus);
  // Where symbolic icons are written for the host to find (the item's IconThemePath):
  // $XDG_RUNTIME_DIR/vellisto-icons, else ~/.cache/vellisto/icons.
  static std::string iconFolder();
  explicit DBusStatusItem(std::shared_ptr<BusConnection> bus);
  ~DBusStatusItem() override;

  void statusItemChanged(const std::shared_ptr<ui::StatusItem>& item) override;
  void statusItemRemoved(const ui::StatusItem* item) override;
  // Takes the backend off the status bar and the item off the bus.
  void uninstall();
  // Told on the main queue when no StatusNotifierWatcher answers the item's registration.
  void setNoHostHandler(std::function<void()> handler) { noHost_ = std::move(handler); }

 private:
  struct BusSide;
  void exportItem();
  TrayState stateOf(ui::StatusItem& item);
  // Writes the icon's SVG into the icon folder once; false when it could not.
  bool placeSymbolicIcon(const ui::SymbolicIcon& icon);
  void publishState();
  void publishMenu();
  void menuChanged(ui::Menu& menu);
  void menuEvent(std::int32_t id, const std::string& event);
  void activate();

  std::shared_ptr<BusConnection> bus_;
  std::weak_ptr<BusSide> busSide_;  // locked on the bus thread only
  std::weak_ptr<ui::StatusItem> item_;
  const ui::StatusItem* itemIdentity_ = nullptr;
  ui::ImageRef exportedImage_;
  std::vector<IconPixmap> pixmaps_;
  // The symbolic icons already written where hosts look for them, and whether writing failed once.
  std::set<std::string> writtenIcons_;
  bool iconWriteFailed_ = false;
  MenuLayoutBuilder layouts_;
  bool exportQueued_ = false;
  bool menuRefreshQueued_ = false;
  bool manyItemsLogged_ = false;
  std::function<void()> noHost_;
};

}  // namespace vl::dbus
