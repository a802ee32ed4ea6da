#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/menu/Menu.h"
#include "platform/ui/window/Panel.h"

namespace vl::ui {

// Row geometry of a menu drawn on screen, in points from the menu's top edge.
struct MenuRowLayout {
  static constexpr double kRowHeight = 22;
  static constexpr double kSeparatorHeight = 9;
  static constexpr double kPadding = 5;       // above the first row and below the last
  static constexpr double kMarkColumn = 22;   // the check mark before the title
  static constexpr double kRightColumn = 22;  // the submenu arrow after the key equivalent
  static constexpr double kMinWidth = 140;
  static constexpr double kMaxWidth = 480;
  // Beyond this many rows a menu is cut (logged): no screen shows more.
  static constexpr std::size_t kMaxRows = 200;

  struct Row {
    std::shared_ptr<MenuItem> item;
    double top = 0;
    double height = 0;
  };
  std::vector<Row> rows;  // the visible items, in order
  double width = kMinWidth;
  double height = 2 * kPadding;

  static MenuRowLayout of(const Menu& menu);
  // The row under a point `y` points below the top edge; -1 between or outside rows.
  long rowAt(double y) const;
};

// How a key equivalent reads in a menu row ("Ctrl+Shift+C"); "" without one.
std::string keyEquivalentLabel(const MenuItem& item);

// One menu on screen: a borderless pop-up panel that never takes the keyboard (the menu's tracking reads
// the keys instead), drawing its rows and the highlighted one in the desktop's light or dark look.
class MenuWindow : public Panel {
 public:
  MenuWindow(std::shared_ptr<Menu> menu, Point topLeft);
  bool canBecomeKeyWindow() const override { return false; }

  const std::shared_ptr<Menu>& menu() const { return menu_; }
  const MenuRowLayout& rows() const { return layout_; }
  long highlighted() const { return highlighted_; }
  void setHighlighted(long row);
  // The row under a point of the screen; -1 when none.
  long rowAtScreenPoint(Point p) const;
  // The screen rect of a row.
  Rect screenRectOfRow(long row) const;

 private:
  class RowsView;
  std::shared_ptr<Menu> menu_;
  MenuRowLayout layout_;
  long highlighted_ = -1;
  std::shared_ptr<View> rowsView_;
};

// Shows menus as pop-up windows and tracks them modally: the caller's open() waits, running the main
// queue, until the user chose or dismissed. Up and Down move through the enabled rows, Right or Return
// opens a submenu, Left or Escape closes one, Return chooses; a click on a row chooses it, a click
// anywhere else dismisses every open level. Main thread only.
class MenuTracker {
 public:
  // Makes menus open through this tracker (Menu::setPresenter) while a window server is installed;
  // false puts the presenter away again.
  static void install(bool on = true);
  // The tracking under way, or nullptr.
  static MenuTracker* current();

  // What the presenter runs; nullptr when dismissed.
  static std::shared_ptr<MenuItem> track(Menu& menu, const MenuItem* positioned, Point screenLocation);

  // The open levels, the top menu first.
  std::vector<std::shared_ptr<MenuWindow>> windows() const;
  void cancel();
  // The user chose or dismissed; the windows close as the caller's wait ends.
  bool finished() const { return done_; }

 private:
  MenuTracker() = default;
  std::optional<Event> handle(const Event& event);
  void mouse(const Event& event);
  void key(const Event& event);
  void openLevel(const std::shared_ptr<Menu>& menu, Point topLeft);
  void openSubmenuOf(std::size_t level, long row, bool highlightFirst);
  void closeLevelsAbove(std::size_t level);
  void moveHighlight(int step);
  void choose(std::size_t level, long row);

  std::vector<std::shared_ptr<MenuWindow>> levels_;
  std::shared_ptr<MenuItem> chosen_;
  bool done_ = false;
  // A release chooses only after a press inside a menu or a move onto a row: the release of the press
  // that opened a context menu must not pick the row that appeared under the pointer.
  bool armed_ = false;
};

}  // namespace vl::ui
