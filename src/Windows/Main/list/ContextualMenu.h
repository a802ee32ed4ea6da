#pragma once

#include <memory>
#include <string>

#include "platform/ui/menu/Menu.h"

namespace vl {

// The context menus of the record list, the record window's rows, the snippets page and the pin tabs,
// and their commands. A command reads its argument back from the title of the menu that holds the
// chosen item (a row number or a pin tab's identifier). Main thread only.
class ContextualMenu {
 public:
  static ContextualMenu& factory();

  std::shared_ptr<ui::Menu> getHintTableMenu();
  std::shared_ptr<ui::Menu> getRecordMenu(long row);
  std::shared_ptr<ui::Menu> getSnippetsMenu();
  // A new menu at every request: the tab's place decides which moves it offers.
  std::shared_ptr<ui::Menu> getPinTabMenu(const std::string& pinTabId);

  // The commands, as the menus send them.
  void pin();
  void hintTableDelete();
  void recordDelete(const ui::Menu& menu);
  void edit(const ui::Menu& menu);
  void deleteTab(const ui::Menu& menu);
  void moveForward(const ui::Menu& menu);
  void moveBackward(const ui::Menu& menu);

  void resetForTesting();

 private:
  ContextualMenu();
  std::shared_ptr<ui::MenuItem> item(const std::string& title, const std::string& action);
  // False (with a beep) while the main view is blocked.
  bool allowed() const;

  std::shared_ptr<ui::ActionTarget> target_;
  std::shared_ptr<ui::Menu> hintTableMenu_;
  std::shared_ptr<ui::Menu> snippetsMenu_;
  std::shared_ptr<ui::Menu> recordMenu_;
};

}  // namespace vl
