#include "platform/system/dbus/MenuLayout.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/Log.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/MenuItem.h"

namespace vl::dbus {

namespace {

// The host's names for a key equivalent, in the order hosts print them. The Command flag is Ctrl here.
std::vector<std::vector<std::string>> shortcutOf(const ui::MenuItem& item) {
  std::string key = item.keyEquivalent();
  if (key.empty()) return {};
  std::uint64_t mods = item.keyEquivalentModifierMask();
  if (key.size() == 1 && std::isupper(static_cast<unsigned char>(key[0]))) {
    mods |= ui::ModifierFlags::Shift;
    key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
  }
  std::vector<std::string> chord;
  if (mods & ui::ModifierFlags::Command) chord.push_back("Control");
  if (mods & ui::ModifierFlags::Option) chord.push_back("Alt");
  if (mods & ui::ModifierFlags::Shift) chord.push_back("Shift");
  if (mods & ui::ModifierFlags::Control) chord.push_back("Super");
  chord.push_back(key == "," ? "comma" : key);
  return {chord};
}

}  // namespace

const MenuNode* MenuLayout::node(std::int32_t id) const {
  auto it = nodes.find(id);
  return it == nodes.end() ? nullptr : &it->second;
}

std::string menuLabel(const std::string& title) {
  std::string out;
  out.reserve(title.size());
  for (char c : title) {
    if (c == '_') out.push_back('_');
    out.push_back(c);
  }
  return out;
}

std::int32_t MenuLayoutBuilder::idFor(const std::shared_ptr<ui::MenuItem>& item) {
  auto it = ids_.find(item.get());
  // An address reused by a new item gets a new id: the host must not confuse the two.
  if (it != ids_.end() && it->second.first.lock() == item) return it->second.second;
  const std::int32_t id = nextId_++;
  ids_[item.get()] = {item, id};
  items_[id] = item;
  return id;
}

void MenuLayoutBuilder::addMenu(ui::Menu& menu, std::int32_t id, int depth, MenuLayout& out) {
  MenuNode& node = out.nodes[id];
  node.properties["children-display"] = std::string("submenu");
  if (depth >= kMaxDepth) {
    if (!cutLogged_) logWarningf("tray menu: submenus deeper than %d are left out", kMaxDepth);
    cutLogged_ = true;
    return;
  }
  menu.update();
  bool checks = false;
  for (const auto& item : menu.items()) {
    if (item->state() != 0 && !item->onStateImage()) checks = true;
  }
  // The host hides rows by their "visible" property; a separator left without a group to divide goes
  // with them.
  const std::vector<std::shared_ptr<ui::MenuItem>> shown = menu.shownItems();
  std::size_t count = 0;
  for (const auto& item : menu.items()) {
    if (++count > kMaxItems) {
      if (!cutLogged_)
        logWarningf("tray menu \"%s\": only its first %zu rows are shown", menu.title().c_str(), kMaxItems);
      cutLogged_ = true;
      break;
    }
    const std::int32_t childId = idFor(item);
    out.nodes[id].children.push_back(childId);
    MenuNode row;
    if (item->isSeparatorItem()) {
      row.properties["type"] = std::string("separator");
    } else {
      const std::string& title = item->attributedTitle() ? item->attributedTitle()->string() : item->title();
      row.properties["label"] = menuLabel(title);
      row.properties["enabled"] = item->isEnabled();
      if (checks && !item->hasSubmenu()) {
        row.properties["toggle-type"] = std::string("checkmark");
        row.properties["toggle-state"] = std::int32_t{item->state() == 1 ? 1 : 0};
      }
      if (auto shortcut = shortcutOf(*item); !shortcut.empty()) row.properties["shortcut"] = shortcut;
    }
    row.properties["visible"] = std::find(shown.begin(), shown.end(), item) != shown.end();
    out.nodes[childId] = std::move(row);
    // A menu that appears under itself would otherwise be walked until the depth cut.
    if (item->submenu() && item->submenu().get() != &menu) addMenu(*item->submenu(), childId, depth + 1, out);
  }
}

std::shared_ptr<const MenuLayout> MenuLayoutBuilder::build(const std::shared_ptr<ui::Menu>& root) {
  if (root_.lock() != root) {
    root_ = root;
    last_.reset();
  }
  auto layout = std::make_shared<MenuLayout>();
  if (root) {
    addMenu(*root, MenuLayout::kRootId, 0, *layout);
  } else {
    layout->nodes[MenuLayout::kRootId].properties["children-display"] = std::string("submenu");
  }
  // Forget items that went away, so a stale id from the host finds nothing.
  for (auto it = items_.begin(); it != items_.end();) {
    if (!layout->nodes.count(it->first) || it->second.expired()) {
      if (auto item = it->second.lock()) ids_.erase(item.get());
      it = items_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = ids_.begin(); it != ids_.end();) {
    it = it->second.first.expired() ? ids_.erase(it) : std::next(it);
  }
  if (last_ && last_->nodes == layout->nodes) return last_;
  layout->revision = last_ ? last_->revision + 1 : 1;
  last_ = layout;
  return last_;
}

std::shared_ptr<ui::MenuItem> MenuLayoutBuilder::itemForId(std::int32_t id) const {
  auto it = items_.find(id);
  if (it == items_.end()) return nullptr;
  auto item = it->second.lock();
  auto root = root_.lock();
  if (!item || !root) return nullptr;
  // Still in the tree: a removed item keeps its id only until the next build.
  for (const ui::Menu* m = item->menu(); m; m = m->supermenu()) {
    if (m == root.get()) return item;
  }
  return nullptr;
}

std::shared_ptr<ui::Menu> MenuLayoutBuilder::menuForId(std::int32_t id) const {
  if (id == MenuLayout::kRootId) return root_.lock();
  auto item = itemForId(id);
  return item ? item->submenu() : nullptr;
}

}  // namespace vl::dbus
