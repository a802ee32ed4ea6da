#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/keys/LocalShortcutsManager.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

class PinTab;

// Carries out the move dialog's choice (the main window's pin tab edits).
class MoveToPinPanelDelegate {
 public:
  virtual ~MoveToPinPanelDelegate() = default;
  // The records selected in the main list go into the target tab, which then becomes active.
  virtual void didMoveToPinTabId(const std::string& toPinTabId, const std::string& fromPinTabId) = 0;
};

// The page of the move dialog: every tab but the active one, one of them checked (the first at first);
// the arrows' shortcut names move the check, wrapping at both ends, and Return confirms. The check is
// kept as a row index. Main thread only.
class MoveToPinController : public ModalViewController,
                            public ModalTableViewDataSource,
                            public ModalTableViewDelegate,
                            public ShortcutReceiver {
 public:
  static constexpr double kRowHeight = 40;
  static constexpr double kMaxTableHeight = 240;

  void viewDidLoad() override;
  // Refills the list for the tab active now.
  void viewWillAppear() override;
  std::shared_ptr<ui::View> rightItem() override { return okButton(); }
  const std::shared_ptr<Button2>& okButton();

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;
  bool tableViewShouldSelectRow(ModalTableView& table, long row) override;
  void itemClick(ModalTableItem* item);

  // Only while the dialog is shown: "enter", "historyUp" and "historyDown".
  bool resolvedShortcutKey(const std::string& name) override;
  void up();
  void down();
  void ok();

  void setDelegate(const std::shared_ptr<MoveToPinPanelDelegate>& delegate) { delegate_ = delegate; }
  const std::vector<std::shared_ptr<PinTab>>& dataSource() const { return dataSource_; }
  const std::string& fromPinTabId() const { return fromPinTabId_; }
  long checkedRow() const { return checkedRow_; }
  const std::shared_ptr<ModalTableView>& tableView() const { return tableView_; }

 private:
  bool isShown() const;
  void check(long row);

  long checkedRow_ = -1;
  std::string fromPinTabId_;
  std::shared_ptr<Button2> okButton_;
  std::shared_ptr<ModalTableView> tableView_;
  std::vector<std::shared_ptr<PinTab>> dataSource_;
  std::map<long, std::shared_ptr<ModalTableItem>> items_;
  std::weak_ptr<MoveToPinPanelDelegate> delegate_;
  bool loaded_ = false;
};

}  // namespace vl
