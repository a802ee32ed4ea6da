#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/apps/AppItem.h"
#include "platform/ui/view/View.h"
#include "ui/modaltable/ModalTableView.h"

namespace vl {

// A scrolling list of applications, each with its icon and a check; a click on a row turns its check
// over while the chooser is editable. Knows nothing of rules, so any list of applications to pick from
// can use it. An item's iconPath is the application's desktop entry, whose icon the row shows. Main
// thread only.
class VLChosenView : public ui::View, public ModalTableViewDataSource, public ModalTableViewDelegate {
 public:
  static constexpr double kIconSize = 20;

  using ui::View::View;
  static std::shared_ptr<VLChosenView> create(const ui::Rect& frame);

  // The rows in order, and which of them are checked (by name). Names are compared exactly.
  void setItems(std::vector<AppItem> items, const std::vector<std::string>& checked);
  const std::vector<AppItem>& items() const { return items_; }
  std::vector<std::string> checkedNames() const;
  void toggle(long row);
  bool editable() const { return editable_; }
  void setEditable(bool editable) { editable_ = editable; }
  const std::shared_ptr<ModalTableView>& tableView() const { return table_; }

  long numberOfRowsInTableView(ModalTableView& table) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override;
  bool tableViewShouldSelectRow(ModalTableView&, long) override { return false; }

 private:
  void build();

  std::vector<AppItem> items_;
  std::vector<bool> checks_;
  bool editable_ = true;
  std::shared_ptr<ModalTableView> table_;
};

}  // namespace vl
