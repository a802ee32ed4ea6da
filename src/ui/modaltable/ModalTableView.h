#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"

namespace vl {

class ModalTableView;

class ModalTableViewDataSource {
 public:
  virtual ~ModalTableViewDataSource() = default;
  virtual long numberOfRowsInTableView(ModalTableView& table) = 0;
};

// The pages build each row (a ModalTableRowViewWrapper) and say which rows may be selected.
class ModalTableViewDelegate {
 public:
  virtual ~ModalTableViewDelegate() = default;
  virtual std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) = 0;
  virtual bool tableViewShouldSelectRow(ModalTableView&, long) { return true; }
};

// A scrolling one-column table of fixed 40-point rows without cell views; the pages are its data
// source and delegate (held weakly). Build with create(). Main thread only.
class ModalTableView : public ui::ScrollView, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  static constexpr double kRowHeight = 40;
  static constexpr const char* kColumn = "display";

  explicit ModalTableView(const ui::Rect& frame = {}) : ui::ScrollView(frame) {}
  static std::shared_ptr<ModalTableView> create(const ui::Rect& frame = {});

  void reloadData() { tableView_->reloadData(); }
  std::shared_ptr<ui::TableRowView> rowViewAtRow(long row) { return tableView_->rowViewAtRow(row, false); }
  std::shared_ptr<ui::View> makeViewWithIdentifier(const std::string& identifier,
                                                   const void* owner = nullptr) {
    return tableView_->makeViewWithIdentifier(identifier, owner);
  }
  const std::shared_ptr<ui::TableView>& tableView() const { return tableView_; }

  void setModalTableViewDataSource(const std::shared_ptr<ModalTableViewDataSource>& d) { dataSource_ = d; }
  void setModalTableViewDelegate(const std::shared_ptr<ModalTableViewDelegate>& d) { delegate_ = d; }

  long numberOfRowsInTableView(ui::TableView&) override;
  std::optional<double> tableViewHeightOfRow(ui::TableView&, long) override { return kRowHeight; }
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView&, long row) override;
  std::shared_ptr<ui::View> tableViewViewForTableColumn(ui::TableView&, ui::TableColumn*, long) override {
    return nullptr;
  }
  void tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long) override;
  bool tableViewShouldSelectRow(ui::TableView&, long row) override;

 private:
  std::shared_ptr<ui::TableView> tableView_;
  std::weak_ptr<ModalTableViewDataSource> dataSource_;
  std::weak_ptr<ModalTableViewDelegate> delegate_;
};

}  // namespace vl
