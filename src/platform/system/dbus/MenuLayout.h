#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vl::ui {
class Menu;
class MenuItem;
}  // namespace vl::ui

namespace vl::dbus {

// One property value of an exported menu row, in plain data: the bus thread turns it into a bus
// variant, since bus variants may only be made and read on that thread.
using MenuValue = std::variant<bool, std::int32_t, std::string, std::vector<std::vector<std::string>>>;

struct MenuNode {
  std::map<std::string, MenuValue> properties;
  std::vector<std::int32_t> children;
  bool operator==(const MenuNode&) const = default;
};

// A copy of a menu tree as the tray host sees it: row 0 is the menu itself, every other row has the
// stable id its item got when first seen. Immutable once built, so the bus thread may read it.
struct MenuLayout {
  static constexpr std::int32_t kRootId = 0;
  std::uint32_t revision = 1;
  std::map<std::int32_t, MenuNode> nodes;

  const MenuNode* node(std::int32_t id) const;
};

// Builds layouts of one menu tree on the main thread and maps ids back to the toolkit's items. Trees
// deeper than kMaxDepth or menus longer than kMaxItems are cut there with a log line.
class MenuLayoutBuilder {
 public:
  static constexpr int kMaxDepth = 8;
  static constexpr std::size_t kMaxItems = 256;

  // The layout of `root` now (enablement brought up to date first); the revision goes up whenever the
  // rows differ from the previous build. A null root gives an empty menu.
  std::shared_ptr<const MenuLayout> build(const std::shared_ptr<ui::Menu>& root);

  // The item behind a row of the last build, if it still exists and is still in the tree.
  std::shared_ptr<ui::MenuItem> itemForId(std::int32_t id) const;
  // The menu a row opens: the root for 0, an item's submenu otherwise.
  std::shared_ptr<ui::Menu> menuForId(std::int32_t id) const;

 private:
  void addMenu(ui::Menu& menu, std::int32_t id, int depth, MenuLayout& out);
  std::int32_t idFor(const std::shared_ptr<ui::MenuItem>& item);

  std::weak_ptr<ui::Menu> root_;
  std::map<const ui::MenuItem*, std::pair<std::weak_ptr<ui::MenuItem>, std::int32_t>> ids_;
  std::map<std::int32_t, std::weak_ptr<ui::MenuItem>> items_;
  std::int32_t nextId_ = 1;
  std::shared_ptr<const MenuLayout> last_;
  bool cutLogged_ = false;
};

// The host's label for a title: underscores doubled, since a single one marks an access key there.
std::string menuLabel(const std::string& title);

}  // namespace vl::dbus
