#include "ui/VLTableView.h"

namespace vl {

VLTableView::VLTableView(const ui::Rect& frame) : ui::TableView(frame) {
  addTableColumn(ui::TableColumn::create(kColumnIdentifier));
  setHasHeaderView(false);
  setIntercellSpacing({intercellSpacing().width, 0});
}

void VLTableView::keyDown(const ui::Event& event) {
  if (preventKeyDown_) return;
  ui::TableView::keyDown(event);
}

}  // namespace vl
