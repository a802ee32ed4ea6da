#pragma once

#include <memory>

#include "platform/ui/table/TableRowView.h"
#include "platform/ui/table/TableView.h"
#include "shortcuts/ShortcutsEditButton.h"
#include "shortcuts/VLShortcut.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

class ShortcutsTableView;

// The pane's table: while a row records, key presses stop here instead of moving the selection.
class KeyDownTableView : public ui::TableView {
 public:
  using ui::TableView::TableView;
  bool preventKeyDown() const { return preventKeyDown_; }
  void setPreventKeyDown(bool prevent) { preventKeyDown_ = prevent; }
  void keyDown(const ui::Event& event) override {
    if (!preventKeyDown_) ui::TableView::keyDown(event);
  }

 private:
  bool preventKeyDown_ = false;
};

// One shortcut (description, press, warning mark when it conflicts) or a group's header. A click on
// the press selects the row; a click on the selected row's press starts recording.
class ShortcutsRowView : public ui::TableRowView {
 public:
  static bool isSectionName(const std::string& name);
  static std::shared_ptr<ShortcutsRowView> create(const ui::Rect& frame);
  explicit ShortcutsRowView(const ui::Rect& frame) : ui::TableRowView(frame) {}

  // The row keeps the pointer; shortcuts live as long as the registry or the table's headers.
  void setShortcut(VLShortcut* shortcut);
  VLShortcut* shortcut() const { return shortcut_; }
  bool isSection() const { return isSection_; }
  void setSelected(bool selected) override;
  void edit();
  void setWeakTableView(const std::shared_ptr<ShortcutsTableView>& table) { weakTableView_ = table; }

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& explainTextView() const {
    return explainTextView_;
  }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& alertTextView() const { return alertTextView_; }
  const std::shared_ptr<ShortcutsEditButton>& shortcutsEditButton() const { return shortcutsEditButton_; }

  void viewDidMoveToSuperview() override;

 private:
  void build();

  bool isSection_ = false;
  VLShortcut* shortcut_ = nullptr;
  std::shared_ptr<PassthroughAndArrowCursorTextView> explainTextView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> alertTextView_;
  std::shared_ptr<ShortcutsEditButton> shortcutsEditButton_;
  std::weak_ptr<ShortcutsTableView> weakTableView_;
};

}  // namespace vl
