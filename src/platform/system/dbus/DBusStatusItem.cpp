#include "platform/system/dbus/DBusStatusItem.h"

#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/TrayExport.h"
#include "platform/ui/menu/Menu.h"

namespace vl::dbus {

struct DBusStatusItem::BusSide {
  std::unique_ptr<TrayExport> tray;
};

std::shared_ptr<DBusStatusItem> DBusStatusItem::install(const std::shared_ptr<BusConnection>& bus) {
  auto backend = std::make_shared<DBusStatusItem>(bus);
  std::weak_ptr<DBusStatusItem> weak = backend;
  bus->onLost([weak] {
    if (auto self = weak.lock()) self->uninstall();
  });
  ui::Menu::setChangeObserver([weak](ui::Menu& menu) {
    if (auto self = weak.lock()) self->menuChanged(menu);
  });
  ui::StatusBar::system().setBackend(backend);
  return backend;
}

DBusStatusItem::DBusStatusItem(std::shared_ptr<BusConnection> bus) : bus_(std::move(bus)) {}

DBusStatusItem::~DBusStatusItem() { statusItemRemoved(itemIdentity_); }

void DBusStatusItem::uninstall() {
  if (ui::StatusBar::system().backend().get() == this) {
    ui::Menu::setChangeObserver(nullptr);
    ui::StatusBar::system().setBackend(nullptr);
  }
  statusItemRemoved(itemIdentity_);
}

void DBusStatusItem::statusItemChanged(const std::shared_ptr<ui::StatusItem>& item) {
  if (itemIdentity_ && itemIdentity_ != item.get()) {
    if (!manyItemsLogged_) logWarning("tray: only the first status item is shown in the tray");
    manyItemsLogged_ = true;
    return;
  }
  if (!itemIdentity_) {
    itemIdentity_ = item.get();
    item_ = item;
    // An item is made, then given its image and menu: it goes on the bus once, after the block that
    // made it, since the host reads its menu as soon as it registers.
    if (!exportQueued_) {
      exportQueued_ = true;
      std::weak_ptr<DBusStatusItem> weak = weak_from_this();
      dispatch::Queue::main()->async([weak] {
        if (auto self = weak.lock()) self->exportItem();
      });
    }
    return;
  }
  if (exportQueued_) return;  // the export reads the item as it is by then
  publishState();
  publishMenu();
}

void DBusStatusItem::exportItem() {
  exportQueued_ = false;
  menuRefreshQueued_ = false;
  auto item = item_.lock();
  if (!item) return;
  auto side = std::make_shared<BusSide>();
  busSide_ = side;
  std::weak_ptr<DBusStatusItem> weak = weak_from_this();
  bus_->post([side, weak, bus = bus_.get(), state = stateOf(*item),
              layout = layouts_.build(item->menu())](sdbus::IConnection& connection) mutable {
    TrayExport::Callbacks callbacks;
    callbacks.activate = [weak] {
      dispatch::Queue::main()->async([weak] {
        if (auto self = weak.lock()) self->activate();
      });
    };
    callbacks.menuEvent = [weak](std::int32_t id, const std::string& event) {
      dispatch::Queue::main()->async([weak, id, event] {
        if (auto self = weak.lock()) self->menuEvent(id, event);
      });
    };
    callbacks.noWatcher = [weak] {
      dispatch::Queue::main()->async([weak] {
        if (auto self = weak.lock(); self && self->noHost_) self->noHost_();
      });
    };
    side->tray =
        std::make_unique<TrayExport>(connection, std::move(callbacks), std::move(state), std::move(layout));
    bus->adopt(side);
  });
}

void DBusStatusItem::statusItemRemoved(const ui::StatusItem* item) {
  if (!item || item != itemIdentity_) return;
  itemIdentity_ = nullptr;
  item_.reset();
  exportedImage_.reset();
  std::weak_ptr<BusSide> side = busSide_;
  busSide_.reset();
  bus_->post([side, bus = bus_.get()](sdbus::IConnection&) {
    if (auto s = side.lock()) bus->forget(s.get());
  });
}

TrayState DBusStatusItem::stateOf(ui::StatusItem& item) {
  TrayState state;
  state.title = "Vellisto";
  state.visible = item.isVisible();
  state.iconName = "vellisto";
  state.itemIsMenu = item.menu() != nullptr;
  // Pixmaps are made again only for a new image: copy animations change it ten times a second.
  ui::ImageRef image = item.button()->image();
  if (image != exportedImage_) pixmaps_ = image ? iconPixmaps(*image) : std::vector<IconPixmap>{};
  exportedImage_ = image;
  state.pixmaps = pixmaps_;
  if (const std::optional<ui::SymbolicIcon>& symbolic = item.symbolicIcon();
      symbolic && placeSymbolicIcon(*symbolic)) {
    state.symbolicIconName = symbolic->name;
    state.iconThemePath = iconFolder();
  }
  return state;
}

std::string DBusStatusItem::iconFolder() {
  const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime[0] == '/') return files::joinPath(runtime, "vellisto-icons");
  return files::joinPath(files::homeDirectory(), ".cache/vellisto/icons");
}

bool DBusStatusItem::placeSymbolicIcon(const ui::SymbolicIcon& icon) {
  if (writtenIcons_.count(icon.name)) return true;
  if (iconWriteFailed_) return false;
  // A name is a file name here: nothing that climbs out of the folder.
  if (icon.name.empty() || icon.name.find('/') != std::string::npos || icon.name[0] == '.') return false;
  const std::string folder = iconFolder();
  const std::string apps = files::joinPath(folder, "hicolor/scalable/apps");
  // Hosts look in the folder itself, or in it as a theme folder (hicolor's own layout).
  const bool ok = files::createDirectories(apps) &&
                  files::atomicWrite(files::joinPath(folder, "hicolor/index.theme"),
                                     "[Icon Theme]\nName=Hicolor\nDirectories=scalable/apps\n\n"
                                     "[scalable/apps]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n",
                                     0644) &&
                  files::atomicWrite(files::joinPath(folder, icon.name + ".svg"), icon.svg, 0644) &&
                  files::atomicWrite(files::joinPath(apps, icon.name + ".svg"), icon.svg, 0644);
  if (!ok) {
    logWarningf("tray: the symbolic icon could not be written to %s; the tray shows the pictures",
                folder.c_str());
    iconWriteFailed_ = true;
    return false;
  }
  writtenIcons_.insert(icon.name);
  return true;
}

void DBusStatusItem::publishState() {
  auto item = item_.lock();
  if (!item) return;
  bus_->post([side = busSide_, state = stateOf(*item)](sdbus::IConnection&) mutable {
    if (auto s = side.lock(); s && s->tray) s->tray->setState(std::move(state));
  });
}

void DBusStatusItem::publishMenu() {
  menuRefreshQueued_ = false;
  auto item = item_.lock();
  if (!item || exportQueued_) return;
  std::shared_ptr<const MenuLayout> layout = layouts_.build(item->menu());
  bus_->post([side = busSide_, layout](sdbus::IConnection&) {
    if (auto s = side.lock(); s && s->tray) s->tray->setLayout(layout);
  });
}

void DBusStatusItem::menuChanged(ui::Menu& menu) {
  auto item = item_.lock();
  if (!item || !item->menu() || menuRefreshQueued_ || exportQueued_) return;
  const ui::Menu* root = &menu;
  while (root->supermenu()) root = root->supermenu();
  if (root != item->menu().get()) return;
  // A burst of changes (a menu being filled) is sent once, after the block that made them.
  menuRefreshQueued_ = true;
  std::weak_ptr<DBusStatusItem> weak = weak_from_this();
  dispatch::Queue::main()->async([weak] {
    if (auto self = weak.lock()) self->publishMenu();
  });
}

void DBusStatusItem::menuEvent(std::int32_t id, const std::string& event) {
  if (event == "clicked") {
    std::shared_ptr<ui::MenuItem> row = layouts_.itemForId(id);
    if (!row) {
      logWarningf("tray menu: a click on row %d, which is no longer in the menu, ignored", id);
      return;
    }
    if (ui::Menu* menu = row->menu()) menu->update();
    if (!ui::Menu::performItem(*row)) logWarningf("tray menu: \"%s\" cannot be chosen", row->title().c_str());
  } else if (std::shared_ptr<ui::Menu> menu = layouts_.menuForId(id)) {
    auto delegate = menu->delegate();
    if (event == "opened") {
      if (delegate) delegate->menuNeedsUpdate(*menu);
      if (delegate) delegate->menuWillOpen(*menu);
    } else if (event == "closed" && delegate) {
      delegate->menuDidClose(*menu);
    }
  }
  publishMenu();
}

void DBusStatusItem::activate() {
  auto item = item_.lock();
  // With a menu the host opens it itself; without one the click is the button's.
  if (item && !item->menu()) item->button()->performClick();
}

}  // namespace vl::dbus
