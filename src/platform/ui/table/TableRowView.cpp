#include "platform/ui/table/TableRowView.h"

#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

void TableRowView::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  setNeedsDisplay(true);
}

void TableRowView::setEmphasized(bool v) {
  emphasized_ = v;
  setNeedsDisplay(true);
}

void TableRowView::setSelectionHighlightStyle(TableSelectionHighlightStyle s) {
  highlightStyle_ = s;
  setNeedsDisplay(true);
}

void TableRowView::setBackgroundColor(std::optional<Color> c) {
  backgroundColor_ = std::move(c);
  setNeedsDisplay(true);
}

View* TableRowView::viewAtColumn(long column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= cells_.size()) return nullptr;
  auto cell = cells_[static_cast<std::size_t>(column)].lock();
  return cell && cell->superview() == this ? cell.get() : nullptr;
}

void TableRowView::drawRect(const Rect& dirtyRect) {
  drawBackgroundInRect(dirtyRect);
  if (selected_ && highlightStyle_ != TableSelectionHighlightStyle::None) drawSelectionInRect(dirtyRect);
}

void TableRowView::drawBackgroundInRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (ctx && backgroundColor_ && backgroundColor_->alpha > 0) ctx->fillRect(bounds(), *backgroundColor_);
}

void TableRowView::drawSelectionInRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  ctx->fillRect(bounds(), emphasized_ ? Color::rgb24(0x0A84FF) : Color::white(0.86));
}

}  // namespace vl::ui
