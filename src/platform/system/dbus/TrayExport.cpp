#include "platform/system/dbus/TrayExport.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>
#include <map>

#include "platform/foundation/Log.h"

namespace vl::dbus {

namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
// Hosts ask for a whole menu at once; this bounds what one hostile request can make us build.
constexpr int kMaxLayoutDepth = MenuLayoutBuilder::kMaxDepth + 1;
constexpr std::size_t kMaxGroup = 1024;

using Pixmap = sdbus::Struct<std::int32_t, std::int32_t, std::vector<std::uint8_t>>;
using ToolTip = sdbus::Struct<std::string, std::vector<Pixmap>, std::string, std::string>;
using Properties = std::map<std::string, sdbus::Variant>;
using LayoutItem = sdbus::Struct<std::int32_t, Properties, std::vector<sdbus::Variant>>;
using PropertiesOfItem = sdbus::Struct<std::int32_t, Properties>;

std::vector<Pixmap> pixmapsOf(const std::vector<IconPixmap>& pixmaps) {
  std::vector<Pixmap> out;
  for (const auto& p : pixmaps) out.emplace_back(p.width, p.height, p.argb);
  return out;
}

sdbus::Variant variantOf(const MenuValue& value) {
  return std::visit([](const auto& v) { return sdbus::Variant(v); }, value);
}

Properties propertiesOf(const MenuNode& node, const std::vector<std::string>& names) {
  Properties out;
  for (const auto& [name, value] : node.properties) {
    if (names.empty() || std::find(names.begin(), names.end(), name) != names.end()) {
      out.emplace(name, variantOf(value));
    }
  }
  return out;
}

LayoutItem layoutItem(const MenuLayout& layout, std::int32_t id, int depth,
                      const std::vector<std::string>& names) {
  const MenuNode* node = layout.node(id);
  std::vector<sdbus::Variant> children;
  if (node && depth != 0) {
    for (std::int32_t child : node->children) {
      children.emplace_back(layoutItem(layout, child, depth - 1, names));
    }
  }
  return LayoutItem(id, node ? propertiesOf(*node, names) : Properties{}, std::move(children));
}

}  // namespace

TrayExport::TrayExport(sdbus::IConnection& connection, Callbacks callbacks, TrayState state,
                       std::shared_ptr<const MenuLayout> layout)
    : connection_(connection),
      callbacks_(std::move(callbacks)),
      state_(std::move(state)),
      layout_(std::move(layout)) {
  if (!layout_) {
    auto empty = std::make_shared<MenuLayout>();
    empty->nodes[MenuLayout::kRootId].properties["children-display"] = std::string("submenu");
    layout_ = std::move(empty);
  }
  exportMenu();
  exportItem();
  // The watcher restarts with the desktop's panel; an item must then register again.
  const std::string rule = std::string(
                               "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                               "member='NameOwnerChanged',arg0='") +
                           kWatcherName + "'";
  ownerMatch_ = connection_.addMatch(rule, [this](sdbus::Message& message) {
    std::string name, oldOwner, newOwner;
    message >> name >> oldOwner >> newOwner;
    if (newOwner.empty()) {
      logWarning("tray: the StatusNotifierWatcher went away; the item registers again when it returns");
      return;
    }
    registerWithWatcher();
  });
  watcher_ = sdbus::createProxy(connection_, kWatcherName, kWatcherPath);
  registerWithWatcher();
}

TrayExport::~TrayExport() = default;

void TrayExport::exportItem() {
  item_ = sdbus::createObject(connection_, kItemPath);
  auto& o = *item_;
  auto text = [&o](const char* name, std::function<std::string()> get) {
    o.registerProperty(name).onInterface(kItemInterface).withGetter(std::move(get));
  };
  text("Category", [] { return std::string("ApplicationStatus"); });
  text("Id", [] { return std::string("vellisto"); });
  text("Title", [this] { return state_.title; });
  text("Status", [this] { return std::string(state_.visible ? "Active" : "Passive"); });
  text("IconName", [this] {
    if (!state_.symbolicIconName.empty()) return state_.symbolicIconName;
    return state_.pixmaps.empty() ? state_.iconName : std::string();
  });
  text("IconThemePath", [this] { return state_.iconThemePath; });
  text("OverlayIconName", [] { return std::string(); });
  text("AttentionIconName", [] { return std::string(); });
  text("AttentionMovieName", [] { return std::string(); });
  o.registerProperty("WindowId").onInterface(kItemInterface).withGetter([] { return std::int32_t{0}; });
  o.registerProperty("ItemIsMenu").onInterface(kItemInterface).withGetter([this] {
    return state_.itemIsMenu;
  });
  o.registerProperty("Menu").onInterface(kItemInterface).withGetter([] {
    return sdbus::ObjectPath(kMenuPath);
  });
  o.registerProperty("IconPixmap").onInterface(kItemInterface).withGetter([this] {
    return pixmapsOf(state_.pixmaps);
  });
  o.registerProperty("OverlayIconPixmap").onInterface(kItemInterface).withGetter([] {
    return std::vector<Pixmap>{};
  });
  o.registerProperty("AttentionIconPixmap").onInterface(kItemInterface).withGetter([] {
    return std::vector<Pixmap>{};
  });
  o.registerProperty("ToolTip").onInterface(kItemInterface).withGetter([this] {
    return ToolTip(std::string(), std::vector<Pixmap>{}, state_.title, std::string());
  });
  o.registerMethod("Activate").onInterface(kItemInterface).implementedAs([this](std::int32_t, std::int32_t) {
    if (callbacks_.activate) callbacks_.activate();
  });
  o.registerMethod("SecondaryActivate")
      .onInterface(kItemInterface)
      .implementedAs([](std::int32_t, std::int32_t) {});
  o.registerMethod("ContextMenu").onInterface(kItemInterface).implementedAs([](std::int32_t, std::int32_t) {
  });
  o.registerMethod("Scroll").onInterface(kItemInterface).implementedAs([](std::int32_t, const std::string&) {
  });
  for (const char* signal : {"NewTitle", "NewIcon", "NewAttentionIcon", "NewOverlayIcon", "NewToolTip"}) {
    o.registerSignal(signal).onInterface(kItemInterface);
  }
  o.registerSignal("NewStatus").onInterface(kItemInterface).withParameters<std::string>();
  o.registerSignal("NewIconThemePath").onInterface(kItemInterface).withParameters<std::string>();
  o.finishRegistration();
}

void TrayExport::exportMenu() {
  menu_ = sdbus::createObject(connection_, kMenuPath);
  auto& o = *menu_;
  o.registerProperty("Version").onInterface(kMenuInterface).withGetter([] { return std::uint32_t{3}; });
  o.registerProperty("TextDirection").onInterface(kMenuInterface).withGetter([] {
    return std::string("ltr");
  });
  o.registerProperty("Status").onInterface(kMenuInterface).withGetter([] { return std::string("normal"); });
  o.registerProperty("IconThemePath").onInterface(kMenuInterface).withGetter([] {
    return std::vector<std::string>{};
  });
  o.registerMethod("GetLayout")
      .onInterface(kMenuInterface)
      .implementedAs([this](std::int32_t parent, std::int32_t depth, const std::vector<std::string>& names) {
        if (!layout_->node(parent)) {
          logWarningf("tray menu: layout asked for unknown row %d", parent);
          throw sdbus::Error(kInvalidArgs, "unknown menu row");
        }
        if (depth < 0 || depth > kMaxLayoutDepth) depth = kMaxLayoutDepth;
        return std::make_tuple(layout_->revision, layoutItem(*layout_, parent, depth, names));
      });
  o.registerMethod("GetGroupProperties")
      .onInterface(kMenuInterface)
      .implementedAs([this](const std::vector<std::int32_t>& ids, const std::vector<std::string>& names) {
        std::vector<PropertiesOfItem> out;
        for (std::size_t i = 0; i < ids.size() && i < kMaxGroup; ++i) {
          if (const MenuNode* node = layout_->node(ids[i]))
            out.emplace_back(ids[i], propertiesOf(*node, names));
        }
        return out;
      });
  o.registerMethod("GetProperty")
      .onInterface(kMenuInterface)
      .implementedAs([this](std::int32_t id, const std::string& name) {
        const MenuNode* node = layout_->node(id);
        if (node) {
          if (auto it = node->properties.find(name); it != node->properties.end())
            return variantOf(it->second);
        }
        throw sdbus::Error(kInvalidArgs, "unknown menu row or property");
      });
  auto event = [this](std::int32_t id, const std::string& kind) {
    if (!layout_->node(id)) {
      logWarningf("tray menu: event \"%.40s\" for unknown row %d ignored", kind.c_str(), id);
      return false;
    }
    if ((kind == "clicked" || kind == "opened" || kind == "closed") && callbacks_.menuEvent) {
      callbacks_.menuEvent(id, kind);
    }
    return true;
  };
  o.registerMethod("Event")
      .onInterface(kMenuInterface)
      .implementedAs([event](std::int32_t id, const std::string& kind, const sdbus::Variant&, std::uint32_t) {
        if (!event(id, kind)) throw sdbus::Error(kInvalidArgs, "unknown menu row");
      });
  using GroupEvent = sdbus::Struct<std::int32_t, std::string, sdbus::Variant, std::uint32_t>;
  o.registerMethod("EventGroup")
      .onInterface(kMenuInterface)
      .implementedAs([event](const std::vector<GroupEvent>& events) {
        std::vector<std::int32_t> unknown;
        for (std::size_t i = 0; i < events.size() && i < kMaxGroup; ++i) {
          if (!event(events[i].get<0>(), events[i].get<1>())) unknown.push_back(events[i].get<0>());
        }
        return unknown;
      });
  // Our menus fill themselves in as they open, so the answer is "no update needed" and a changed layout
  // follows as LayoutUpdated.
  o.registerMethod("AboutToShow").onInterface(kMenuInterface).implementedAs([event](std::int32_t id) {
    if (!event(id, "opened")) throw sdbus::Error(kInvalidArgs, "unknown menu row");
    return false;
  });
  o.registerMethod("AboutToShowGroup")
      .onInterface(kMenuInterface)
      .implementedAs([event](const std::vector<std::int32_t>& ids) {
        std::vector<std::int32_t> unknown;
        for (std::size_t i = 0; i < ids.size() && i < kMaxGroup; ++i) {
          if (!event(ids[i], "opened")) unknown.push_back(ids[i]);
        }
        return std::make_tuple(std::vector<std::int32_t>{}, unknown);
      });
  o.registerSignal("LayoutUpdated").onInterface(kMenuInterface).withParameters<std::uint32_t, std::int32_t>();
  o.registerSignal("ItemsPropertiesUpdated")
      .onInterface(kMenuInterface)
      .withParameters<std::vector<PropertiesOfItem>,
                      std::vector<sdbus::Struct<std::int32_t, std::vector<std::string>>>>();
  o.registerSignal("ItemActivationRequested")
      .onInterface(kMenuInterface)
      .withParameters<std::int32_t, std::uint32_t>();
  o.finishRegistration();
}

void TrayExport::registerWithWatcher() {
  watcher_->callMethodAsync("RegisterStatusNotifierItem")
      .onInterface(kWatcherName)
      .withArguments(std::string(kItemPath))
      .uponReplyInvoke([this](const sdbus::Error* error) {
        if (!error) {
          absenceLogged_ = false;
          log("tray: status item registered with the StatusNotifierWatcher");
          return;
        }
        // One line while there is none; the owner may turn to an XEmbed system tray.
        if (!absenceLogged_) {
          logf("tray: no StatusNotifierWatcher (%s)", error->getName().c_str());
          if (callbacks_.noWatcher) callbacks_.noWatcher();
        }
        absenceLogged_ = true;
      });
}

void TrayExport::setState(TrayState state) {
  const bool icon = state.pixmaps != state_.pixmaps || state.iconName != state_.iconName ||
                    state.symbolicIconName != state_.symbolicIconName;
  const bool themePath = state.iconThemePath != state_.iconThemePath;
  const bool title = state.title != state_.title;
  const bool status = state.visible != state_.visible;
  state_ = std::move(state);
  if (themePath) {
    item_->emitSignal("NewIconThemePath").onInterface(kItemInterface).withArguments(state_.iconThemePath);
  }
  if (icon) item_->emitSignal("NewIcon").onInterface(kItemInterface);
  if (title) {
    item_->emitSignal("NewTitle").onInterface(kItemInterface);
    item_->emitSignal("NewToolTip").onInterface(kItemInterface);
  }
  if (status) {
    item_->emitSignal("NewStatus")
        .onInterface(kItemInterface)
        .withArguments(std::string(state_.visible ? "Active" : "Passive"));
  }
}

void TrayExport::setLayout(std::shared_ptr<const MenuLayout> layout) {
  if (!layout || layout->nodes == layout_->nodes) return;
  layout_ = std::move(layout);
  menu_->emitSignal("LayoutUpdated")
      .onInterface(kMenuInterface)
      .withArguments(layout_->revision, MenuLayout::kRootId);
}

}  // namespace vl::dbus
