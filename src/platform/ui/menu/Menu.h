#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/menu/MenuItem.h"
#include "platform/ui/view/Event.h"

namespace vl::ui {

class Menu;
class View;

// Told as a menu opens and closes; every method is optional. Held weakly.
class MenuDelegate {
 public:
  virtual ~MenuDelegate() = default;
  virtual void menuNeedsUpdate(Menu&) {}
  virtual void menuWillOpen(Menu&) {}
  virtual void menuDidClose(Menu&) {}
};

// An ordered list of items, shown as a pop-up (context menus, pop-up buttons, the status item). Opening a
// menu runs until the user chose an item or dismissed it; the chosen item's action is sent after the menu
// closed. Headless, opening records a presentation and asks the chooser the test installed which item the
// user picks (none without a chooser). Indexes out of range log a line and answer nothing. Held by
// shared_ptr. Main thread only.
class Menu : public std::enable_shared_from_this<Menu> {
 public:
  explicit Menu(std::string title = {});
  ~Menu();
  static std::shared_ptr<Menu> create(std::string title = {}) {
    return std::make_shared<Menu>(std::move(title));
  }

  const std::string& title() const { return title_; }
  void setTitle(std::string title) {
    title_ = std::move(title);
    noteChanged();
  }

  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  // The items a person sees, in order: the visible ones, less every separator that would stand first,
  // last or right after another. Menus are built by adding rows conditionally; whatever was left out,
  // no divider ever marks an empty group. Every way of showing a menu (on screen, to the tray host, the
  // headless presentations) shows these.
  std::vector<std::shared_ptr<MenuItem>> shownItems() const;
  long numberOfItems() const { return static_cast<long>(items_.size()); }
  std::shared_ptr<MenuItem> itemAtIndex(long index) const;
  // An item already in another menu moves here.
  void addItem(const std::shared_ptr<MenuItem>& item);
  std::shared_ptr<MenuItem> addItemWithTitle(std::string title, std::string action = {},
                                             std::string keyEquivalent = {});
  // index may equal the item count (append); beyond it the item is not inserted.
  void insertItem(const std::shared_ptr<MenuItem>& item, long index);
  void removeItem(const MenuItem* item);
  void removeItemAtIndex(long index);
  void removeAllItems();
  // -1 when absent.
  long indexOfItem(const MenuItem* item) const;
  long indexOfItemWithTag(long tag) const;
  long indexOfItemWithTitle(const std::string& title) const;
  std::shared_ptr<MenuItem> itemWithTag(long tag) const;
  std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const;
  // Hangs the menu under the item (as MenuItem::setSubmenu).
  void setSubmenu(const std::shared_ptr<Menu>& submenu, MenuItem* item);
  // The menu whose item this menu hangs under.
  Menu* supermenu() const { return supermenu_; }

  std::shared_ptr<MenuDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<MenuDelegate>& d) { delegate_ = d; }

  // On by default: update() then enables exactly the items whose action has a receiver (items with a
  // submenu always; items without an action never), ignoring setEnabled.
  void setAutoenablesItems(bool v) { autoenables_ = v; }
  void update();

  // Opens the menu with `item` (may be nullptr) at `location` in the view's coordinates (screen
  // coordinates without a view). True when the user chose an item.
  bool popUpMenuPositioningItem(const MenuItem* item, Point location, View* view);
  // The same, handing back the chosen item instead of sending its action (pop-up buttons act on the choice
  // themselves); nullptr when the menu was dismissed.
  std::shared_ptr<MenuItem> trackPopUp(const MenuItem* item, Point location, View* view);
  // Opens a context menu at the event's location.
  static bool popUpContextMenu(const std::shared_ptr<Menu>& menu, const Event& event, View* view);
  bool isOpen() const { return open_; }

  // Finds an enabled item (submenus included) whose key equivalent matches and sends its action.
  bool performKeyEquivalent(const Event& event);
  // Sends the item's action as if the user chose it; false when the item is disabled, a separator, holds
  // a submenu, has no action, or nobody received it.
  bool performActionForItemAtIndex(long index);
  static bool performItem(MenuItem& item);

  // Told on the main thread after a change to what a menu shows: its title, its items, or an item's
  // title, state, images, enablement, visibility, action, target, key equivalent or submenu; `menu` is the
  // menu that changed. One observer per process (the status item's desktop backend re-exports its menu);
  // nullptr removes it. update() is not reported: it only derives enablement, which readers recompute.
  using ChangeObserver = std::function<void(Menu& menu)>;
  static void setChangeObserver(ChangeObserver observer);
  void noteChanged();

  // --- on screen -------------------------------------------------------------------------------------
  // Shows an opened menu and tracks it until the user chose an item (of it or of a submenu) or dismissed
  // it (nullptr); `positioned` (may be nullptr) is the item to place at `screenLocation`. Consulted when
  // no headless chooser is set; without either an opened menu closes at once with nothing chosen.
  using Presenter =
      std::function<std::shared_ptr<MenuItem>(Menu& menu, const MenuItem* positioned, Point screenLocation)>;
  static void setPresenter(Presenter presenter);

  // --- headless backend ------------------------------------------------------------------------------
  // Picks the item the user chooses from an opened menu (an item of it or of one of its submenus), or
  // nullptr to dismiss it.
  using Chooser = std::function<std::shared_ptr<MenuItem>(Menu& menu)>;
  static void setHeadlessChooser(Chooser chooser);
  struct Presentation {
    std::weak_ptr<Menu> menu;
    std::string title;
    Point location;                   // screen coordinates
    std::vector<std::string> titles;  // the visible items' titles ("-" for separators)
  };
  // Every opening, oldest first.
  static const std::vector<Presentation>& presentations();
  static void clearPresentations();

 private:
  friend class MenuItem;
  void adopt(const std::shared_ptr<MenuItem>& item);
  bool contains(const MenuItem* item) const;
  void open();
  void close();

  std::string title_;
  std::vector<std::shared_ptr<MenuItem>> items_;
  Menu* supermenu_ = nullptr;
  std::weak_ptr<MenuDelegate> delegate_;
  bool autoenables_ = true;
  bool open_ = false;
  bool cancelled_ = false;
};

}  // namespace vl::ui
