#pragma once

#include <memory>
#include <vector>

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"
#include "shortcuts/ShortcutsEditButton.h"
#include "shortcuts/ShortcutsRowView.h"
#include "shortcuts/VLShortcut.h"

namespace vl {

class ShortcutsTableView;

class ShortcutsTableViewDelegate {
 public:
  virtual ~ShortcutsTableViewDelegate() = default;
  // The number of conflicting shortcuts after each recount.
  virtual void shortcutsTableViewResetConflicts(ShortcutsTableView&, long) {}
};

// The 25 named shortcuts of the registry under their three group headers, or only the conflicting ones.
// Rows point at the registry's own shortcuts, so a recorded press changes the registry (and settings key
// 108) at once. Main thread only.
class ShortcutsTableView : public ui::ScrollView,
                           public ui::TableViewDataSource,
                           public ui::TableViewDelegate,
                           public ShortcutsEditButtonDelegate {
 public:
  static constexpr double kRowHeight = 30;
  static constexpr double kEndEditMs = 1000;

  explicit ShortcutsTableView(const ui::Rect& frame);
  static std::shared_ptr<ShortcutsTableView> create(const ui::Rect& frame);

  void setDelegate(const std::shared_ptr<ShortcutsTableViewDelegate>& d) { delegate_ = d; }
  const std::shared_ptr<KeyDownTableView>& tableView() const { return tableView_; }
  const std::vector<VLShortcut*>& allSource();
  const std::vector<VLShortcut*>& conflictSource();
  const std::vector<VLShortcut*>& activeSource() const { return activeSource_; }
  long conflictCount() const { return conflictCount_; }

  void resetConflicts();
  void switchToAllData();
  void switchToConflictData();
  void reloadByRestore();
  void reloadTableView();
  void selectRowOf(ShortcutsRowView& row);
  std::shared_ptr<ShortcutsRowView> rowView(long row) const;
  std::shared_ptr<ShortcutsEditButtonDelegate> asEditButtonDelegate();

  long numberOfRowsInTableView(ui::TableView&) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView&, long row) override;
  std::optional<double> tableViewHeightOfRow(ui::TableView&, long) override { return kRowHeight; }
  bool tableViewShouldSelectRow(ui::TableView&, long row) override;

  void editButtonPrepareEdit(ShortcutsEditButton& button) override;
  void editButtonDidBeginEdit(ShortcutsEditButton& button) override;
  void editButtonDidEndEdit(ShortcutsEditButton& button) override;
  void editButtonDidEnterShortcutValue(ShortcutsEditButton& button, const VLShortcutValue& value) override;

 private:
  void build();
  void becomeLastSelected(ShortcutsRowView* row);
  static ShortcutsRowView* rowOf(ShortcutsEditButton& button);

  std::weak_ptr<ShortcutsRowView> lastSelectedRowView_;
  long conflictCount_ = 0;
  std::weak_ptr<ShortcutsTableViewDelegate> delegate_;
  std::shared_ptr<KeyDownTableView> tableView_;
  std::vector<VLShortcut*> activeSource_;
  std::vector<VLShortcut*> allSource_;
  std::vector<VLShortcut*> conflictSource_;
  bool conflictBuilt_ = false;
  // The three group headers, which are no shortcuts of the registry.
  std::vector<VLShortcut> headers_;
};

}  // namespace vl
