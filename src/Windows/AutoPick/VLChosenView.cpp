#include "Windows/AutoPick/VLChosenView.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/controls/ImageView.h"
#include "ui/modaltable/ModalTableItem.h"

namespace vl {

std::shared_ptr<VLChosenView> VLChosenView::create(const ui::Rect& frame) {
  auto view = std::make_shared<VLChosenView>(frame);
  view->build();
  return view;
}

void VLChosenView::build() {
  table_ = ModalTableView::create(bounds());
  auto me = std::static_pointer_cast<VLChosenView>(self());
  table_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(me, me.get()));
  table_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(me, me.get()));
  addSubview(table_);
  setActionHandler("toggle:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ModalTableItem*>(sender)) toggle(item->position());
  });
}

void VLChosenView::setItems(std::vector<AppItem> items, const std::vector<std::string>& checked) {
  items_ = std::move(items);
  checks_.assign(items_.size(), false);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    checks_[i] = std::find(checked.begin(), checked.end(), items_[i].appName()) != checked.end();
  }
  table_->reloadData();
}

std::vector<std::string> VLChosenView::checkedNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (checks_[i]) names.push_back(items_[i].appName());
  }
  return names;
}

void VLChosenView::toggle(long row) {
  if (!editable_) return;
  if (row < 0 || std::size_t(row) >= items_.size()) {
    logWarningf("VLChosenView: no row %ld to check", row);
    return;
  }
  checks_[row] = !checks_[row];
  table_->reloadData();
}

long VLChosenView::numberOfRowsInTableView(ModalTableView&) { return long(items_.size()); }

std::shared_ptr<ui::TableRowView> VLChosenView::tableViewRowViewForRow(ModalTableView&, long row) {
  auto item = ModalTableItem::create();
  if (row < 0 || std::size_t(row) >= items_.size()) return ModalTableRowViewWrapper::box(item);
  const AppItem& app = items_[row];
  item->setTitle(app.appName());
  item->setPosition(row);

  // The desktop's own picture of the application; a name without an entry gets the generic one.
  auto icon = ui::ImageView::create({0, 0, kIconSize, kIconSize});
  icon->setImage(Workspace::shared()->iconForApplication(app.iconPath(), kIconSize, 2));
  auto iconAccessory = ModalTableItemAccessoryCustomView::create();
  iconAccessory->setView(icon);
  item->setLeftAccessory(iconAccessory);

  auto check = ModalTableItemAccessoryCheck::create();
  check->setCheck(checks_[row]);
  item->setRightAccessories({check});
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(items_.size())));
  if (editable_) {
    item->setTarget(shared_from_this());
    item->setAction("toggle:");
  }
  return ModalTableRowViewWrapper::box(item);
}

}  // namespace vl
