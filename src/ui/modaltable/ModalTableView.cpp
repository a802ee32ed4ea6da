#include "ui/modaltable/ModalTableView.h"

namespace vl {

std::shared_ptr<ModalTableView> ModalTableView::create(const ui::Rect& frame) {
  auto table = std::make_shared<ModalTableView>(frame);
  auto inner = ui::TableView::create(table->bounds());
  auto column = ui::TableColumn::create(kColumn);
  column->setWidth(table->bounds().width());
  inner->addTableColumn(column);
  inner->setDataSource(
      std::shared_ptr<ui::TableViewDataSource>(table, static_cast<ui::TableViewDataSource*>(table.get())));
  inner->setDelegate(
      std::shared_ptr<ui::TableViewDelegate>(table, static_cast<ui::TableViewDelegate*>(table.get())));
  inner->setHasHeaderView(false);
  inner->setFocusRingType(ui::FocusRingType::None);
  inner->setRowHeight(kRowHeight);
  inner->setIntercellSpacing({inner->intercellSpacing().width, 0});
  table->tableView_ = inner;
  table->setDocumentView(inner);
  return table;
}

long ModalTableView::numberOfRowsInTableView(ui::TableView&) {
  auto source = dataSource_.lock();
  return source ? source->numberOfRowsInTableView(*this) : 0;
}

std::shared_ptr<ui::TableRowView> ModalTableView::tableViewRowViewForRow(ui::TableView&, long row) {
  auto delegate = delegate_.lock();
  return delegate ? delegate->tableViewRowViewForRow(*this, row) : nullptr;
}

void ModalTableView::tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long) {
  rowView.setBackgroundColor(ui::Color::clear());
}

bool ModalTableView::tableViewShouldSelectRow(ui::TableView&, long row) {
  auto delegate = delegate_.lock();
  return delegate ? delegate->tableViewShouldSelectRow(*this, row) : true;
}

}  // namespace vl
