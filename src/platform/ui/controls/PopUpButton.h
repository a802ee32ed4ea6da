#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls/Control.h"
#include "platform/ui/menu/Menu.h"

namespace vl::ui {

class GraphicsContext;

// A button that shows the selected item of its menu and opens the menu when clicked. Choosing an item
// selects it and sends the pop-up's action once (choosing the selected item again sends it too, as on the
// platform); selecting by code sends nothing. Item indexes out of range log a line and change nothing.
// Main thread only.
class PopUpButton : public Control {
 public:
  explicit PopUpButton(const Rect& frame = {}, bool pullsDown = false);
  static std::shared_ptr<PopUpButton> create(const Rect& frame = {}, bool pullsDown = false) {
    return std::make_shared<PopUpButton>(frame, pullsDown);
  }

  const std::shared_ptr<Menu>& menu() const { return popUpMenu_; }
  // The selection moves to the new menu's first item.
  void setMenu(std::shared_ptr<Menu> menu);
  bool pullsDown() const { return pullsDown_; }

  // Adding a title that is already there moves that item to the end instead of adding a second one (the
  // platform keeps titles unique).
  void addItemWithTitle(const std::string& title);
  void addItemsWithTitles(const std::vector<std::string>& titles);
  void insertItemWithTitle(const std::string& title, long index);
  void removeItemWithTitle(const std::string& title);
  void removeItemAtIndex(long index);
  void removeAllItems();

  long numberOfItems() const { return popUpMenu_->numberOfItems(); }
  std::shared_ptr<MenuItem> itemAtIndex(long index) const { return popUpMenu_->itemAtIndex(index); }
  std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const {
    return popUpMenu_->itemWithTitle(title);
  }
  std::shared_ptr<MenuItem> lastItem() const;
  std::vector<std::string> itemTitles() const;
  long indexOfItem(const MenuItem* item) const { return popUpMenu_->indexOfItem(item); }
  long indexOfItemWithTitle(const std::string& title) const {
    return popUpMenu_->indexOfItemWithTitle(title);
  }
  long indexOfItemWithTag(long tag) const { return popUpMenu_->indexOfItemWithTag(tag); }

  // nullptr or an item of another menu clears the selection.
  void selectItem(const MenuItem* item);
  void selectItemAtIndex(long index);
  // False (selection unchanged) when no item has the title or tag.
  bool selectItemWithTitle(const std::string& title);
  std::shared_ptr<MenuItem> selectedItem() const;
  long indexOfSelectedItem() const;
  std::string titleOfSelectedItem() const;

  // The selected item's title.
  std::string stringValue() const override { return titleOfSelectedItem(); }
  void setStringValue(const std::string& value) override { selectItemWithTitle(value); }

  // Opens the menu under the pointer at the selected item; what the user chose becomes the selection and
  // the action is sent. True when an item was chosen.
  bool popUp();
  void mouseDown(const Event& event) override;
  void performClick() override { popUp(); }

  Size intrinsicContentSize() const override;
  void drawRect(const Rect& dirtyRect) override;

 private:
  void drawArrows(GraphicsContext& ctx, const Color& ink) const;
  std::shared_ptr<Menu> popUpMenu_;
  std::weak_ptr<MenuItem> selected_;
  bool pullsDown_;
};

}  // namespace vl::ui
