#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "shortcuts/ShortcutsTableView.h"
#include "ui/Line.h"
#include "ui/controls/Button2.h"

namespace vl {

class ShortcutsToolbar;

class ShortcutsToolbarDelegate {
 public:
  virtual ~ShortcutsToolbarDelegate() = default;
  virtual void shortcutToolbarDidClickAll(ShortcutsToolbar&) {}
  virtual void shortcutToolbarDidClickConflict(ShortcutsToolbar&) {}
};

// "All" and "Conflicts(n)" above the table.
class ShortcutsToolbar : public ui::View {
 public:
  static std::shared_ptr<ShortcutsToolbar> create(const ui::Rect& frame);
  explicit ShortcutsToolbar(const ui::Rect& frame) : ui::View(frame) {}
  void setDelegate(const std::shared_ptr<ShortcutsToolbarDelegate>& d) { delegate_ = d; }
  void allClick();
  void conflictsClick();
  void setConflictCount(long count);
  const std::shared_ptr<Button2>& allButton() const { return allButton_; }
  const std::shared_ptr<Button2>& conflictsButton() const { return conflictsButton_; }

 private:
  void build();
  std::weak_ptr<ShortcutsToolbarDelegate> delegate_;
  std::shared_ptr<Button2> allButton_;
  std::shared_ptr<Button2> conflictsButton_;
  std::shared_ptr<Line> line_;
};

// The Shortcuts pane of the preferences window: the framed table with its toolbar, and the button that
// puts every press back. Every change is stored at once; there is nothing to apply.
class ShortcutsView : public ui::View, public ShortcutsToolbarDelegate, public ShortcutsTableViewDelegate {
 public:
  static constexpr double kWidth = 650;
  static constexpr double kHeight = 420;
  static std::shared_ptr<ShortcutsView> create();
  ShortcutsView() : ui::View({0, 0, kWidth, kHeight}) {}

  const std::shared_ptr<ShortcutsTableView>& shortcutsTableView() const { return shortcutsTableView_; }
  const std::shared_ptr<ShortcutsToolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<Button2>& reset() const { return reset_; }
  void resetClick();
  // Leaving the tab: every recorder stops taking presses and the rows are made again.
  void viewWillDisappear();

  void shortcutToolbarDidClickAll(ShortcutsToolbar&) override;
  void shortcutToolbarDidClickConflict(ShortcutsToolbar&) override;
  void shortcutsTableViewResetConflicts(ShortcutsTableView&, long count) override;

 private:
  void build();
  std::shared_ptr<ShortcutsTableView> shortcutsTableView_;
  std::shared_ptr<ui::View> containerView_;
  std::shared_ptr<ShortcutsToolbar> toolbar_;
  std::shared_ptr<Button2> reset_;
};

}  // namespace vl
