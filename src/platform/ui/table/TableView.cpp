// TableView: columns, rows and their geometry, row views and their reuse, inserts and removals. The
// selection, mouse and keys live in TableViewSelection.cpp.
#include "platform/ui/table/TableView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/ViewAnimator.h"

namespace vl::ui {

namespace {
constexpr std::size_t kMaxPooledPerIdentifier = 256;
}

void TableColumn::setWidth(double w) {
  if (!std::isfinite(w)) return;
  width_ = std::clamp(w, minWidth_, maxWidth_);
}

void TableColumn::setMinWidth(double w) {
  if (!std::isfinite(w) || w < 0) return;
  minWidth_ = w;
  if (maxWidth_ < w) maxWidth_ = w;
  setWidth(width_);
}

void TableColumn::setMaxWidth(double w) {
  if (std::isnan(w) || w < 0) return;
  maxWidth_ = w;
  if (minWidth_ > w) minWidth_ = w;
  setWidth(width_);
}

TableView::TableView(const Rect& frame) : Control(frame) { setAutoresizesSubviews(false); }

// --- columns --------------------------------------------------------------------------------------------

void TableView::addTableColumn(const std::shared_ptr<TableColumn>& column) {
  if (!column || column->tableView_) {
    logWarning("table: a column that is missing or already in a table is not added");
    return;
  }
  column->tableView_ = this;
  columns_.push_back(column);
  reloadData();
}

long TableView::columnWithIdentifier(const std::string& identifier) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i]->identifier() == identifier) return static_cast<long>(i);
  }
  return -1;
}

// --- attributes -----------------------------------------------------------------------------------------

void TableView::setRowHeight(double h) {
  if (!std::isfinite(h) || h <= 0) {
    logWarningf("table: row height %g refused", h);
    return;
  }
  rowHeight_ = h;
  noteHeightOfRowsWithIndexesChanged({});
}

void TableView::setIntercellSpacing(Size s) {
  if (!std::isfinite(s.width) || !std::isfinite(s.height) || s.width < 0 || s.height < 0) return;
  spacing_ = s;
  noteHeightOfRowsWithIndexesChanged({});
}

void TableView::setBackgroundColor(std::optional<Color> c) {
  backgroundColor_ = std::move(c);
  setNeedsDisplay(true);
}

void TableView::setSelectionHighlightStyle(TableSelectionHighlightStyle s) {
  highlightStyle_ = s;
  for (auto& [row, view] : rowViews_) view->setSelectionHighlightStyle(s);
}

// --- rows and geometry ----------------------------------------------------------------------------------

void TableView::recomputeHeights() {
  std::shared_ptr<TableViewDelegate> d = delegate();
  offsets_.assign(1, 0);
  offsets_.reserve(static_cast<std::size_t>(rowCount_) + 1);
  bool warned = false;
  for (long row = 0; row < rowCount_; ++row) {
    double h = rowHeight_;
    if (d) {
      if (std::optional<double> asked = d->tableViewHeightOfRow(*this, row)) {
        if (std::isfinite(*asked) && *asked > 0) {
          h = *asked;
        } else if (!warned) {
          logWarningf("table: height %g of row %ld refused; using %g", *asked, row, rowHeight_);
          warned = true;
        }
      }
    }
    offsets_.push_back(offsets_.back() + h + spacing_.height);
  }
}

void TableView::updateFrame() {
  Size size = frame().size;
  double height = offsets_.back();
  if (ClipView* clip = clipView()) {
    size.width = clip->bounds().size.width;
    height = std::max(height, clip->bounds().size.height);
  }
  size.height = height;
  if (size != frame().size) setFrameSize(size);
}

Rect TableView::rectOfRow(long row) const {
  if (row < 0 || row >= rowCount_) return {};
  auto r = static_cast<std::size_t>(row);
  return {0, offsets_[r], bounds().size.width, offsets_[r + 1] - offsets_[r]};
}

Rect TableView::rectOfColumn(long column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return {};
  double x = 0;
  long lastVisible = -1;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (!columns_[i]->isHidden()) lastVisible = static_cast<long>(i);
  }
  for (long i = 0; i < column; ++i) {
    if (!columns_[static_cast<std::size_t>(i)]->isHidden())
      x += columns_[static_cast<std::size_t>(i)]->width() + spacing_.width;
  }
  const TableColumn& c = *columns_[static_cast<std::size_t>(column)];
  if (c.isHidden()) return {};
  // The last column takes what is left of the table's width.
  double w = column == lastVisible ? std::max(c.width(), bounds().size.width - x) : c.width();
  return {x, 0, w, offsets_.back()};
}

long TableView::rowAtPoint(Point p) const {
  if (rowCount_ == 0 || !(p.y >= 0) || p.y >= offsets_.back() || p.x < 0 || p.x >= bounds().size.width)
    return -1;
  auto it = std::upper_bound(offsets_.begin(), offsets_.end(), p.y);
  return std::min(rowCount_ - 1, static_cast<long>(it - offsets_.begin()) - 1);
}

std::pair<long, long> TableView::rowsInRect(const Rect& r) const {
  if (rowCount_ == 0 || r.isEmpty()) return {0, 0};
  double top = std::max(0.0, r.minY());
  double bottom = std::min(offsets_.back(), r.maxY());
  if (top >= bottom) return {0, 0};
  long first =
      static_cast<long>(std::upper_bound(offsets_.begin(), offsets_.end(), top) - offsets_.begin()) - 1;
  long last =
      static_cast<long>(std::lower_bound(offsets_.begin(), offsets_.end(), bottom) - offsets_.begin()) - 1;
  first = std::clamp(first, 0L, rowCount_ - 1);
  last = std::clamp(last, first, rowCount_ - 1);
  return {first, last - first + 1};
}

// --- row views ------------------------------------------------------------------------------------------

std::shared_ptr<View> TableView::makeViewWithIdentifier(const std::string& identifier, const void*) {
  auto it = pool_.find(identifier);
  if (it == pool_.end() || it->second.empty()) return nullptr;
  std::shared_ptr<View> view = it->second.back();
  it->second.pop_back();
  return view;
}

std::size_t TableView::reusableViewCount() const {
  std::size_t n = 0;
  for (auto& [id, views] : pool_) n += views.size();
  return n;
}

std::vector<long> TableView::rowsWithRowViews() const {
  std::vector<long> rows;
  for (auto& [row, view] : rowViews_) rows.push_back(row);
  return rows;
}

std::shared_ptr<TableRowView> TableView::makeRowView(long row) {
  std::shared_ptr<TableViewDelegate> d = delegate();
  std::shared_ptr<TableRowView> v = d ? d->tableViewRowViewForRow(*this, row) : nullptr;
  if (v) {
    for (auto& [r, existing] : rowViews_) {
      if (existing == v) {
        logWarningf("table: the delegate gave row %ld the view of row %ld; using a plain row view", row, r);
        v = nullptr;
        break;
      }
    }
  }
  if (!v) {
    v = std::dynamic_pointer_cast<TableRowView>(makeViewWithIdentifier(kTableViewRowViewKey));
    if (!v) {
      v = TableRowView::create();
      v->setIdentifier(kTableViewRowViewKey);
    }
  }
  Rect r = rectOfRow(row);
  v->row_ = row;
  v->setFrame(r);
  v->setSelectionHighlightStyle(highlightStyle_);
  v->setSelected(isRowSelected(row));
  v->cells_.assign(columns_.size(), {});
  if (d) {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      if (columns_[c]->isHidden()) continue;
      std::shared_ptr<View> cell = d->tableViewViewForTableColumn(*this, columns_[c].get(), row);
      if (!cell) continue;
      Rect col = rectOfColumn(static_cast<long>(c));
      cell->setFrame({col.minX(), 0, col.width(), r.height()});
      v->addSubview(cell);
      v->cells_[c] = cell;
    }
  }
  rowViews_[row] = v;
  addSubview(v);
  if (d) d->tableViewDidAddRowView(*this, *v, row);
  return v;
}

void TableView::recycle(const std::shared_ptr<TableRowView>& view, long oldRow) {
  view->removeFromSuperview();
  view->row_ = -1;
  view->setSelected(false);
  if (auto d = delegate()) d->tableViewDidRemoveRowView(*this, *view, oldRow);
  auto pool = [&](const std::shared_ptr<View>& v) {
    if (v->identifier().empty()) return;
    auto& list = pool_[v->identifier()];
    if (list.size() < kMaxPooledPerIdentifier) list.push_back(v);
  };
  for (auto& weakCell : view->cells_) {
    auto cell = weakCell.lock();
    if (!cell || cell->superview() != view.get()) continue;
    cell->removeFromSuperview();
    pool(cell);
  }
  view->cells_.clear();
  pool(view);
}

std::shared_ptr<TableRowView> TableView::rowViewAtRow(long row, bool makeIfNecessary) {
  if (row < 0 || row >= rowCount_) return nullptr;
  auto it = rowViews_.find(row);
  if (it != rowViews_.end()) return it->second;
  return makeIfNecessary ? makeRowView(row) : nullptr;
}

View* TableView::viewAtColumnRow(long column, long row, bool makeIfNecessary) {
  std::shared_ptr<TableRowView> rv = rowViewAtRow(row, makeIfNecessary);
  return rv ? rv->viewAtColumn(column) : nullptr;
}

void TableView::tile() {
  if (tiling_) return;
  tiling_ = true;
  std::shared_ptr<View> keep = self();
  auto [first, count] = rowsInRect(visibleRect());
  for (auto it = rowViews_.begin(); it != rowViews_.end();) {
    if (it->first < first || it->first >= first + count) {
      std::shared_ptr<TableRowView> view = it->second;
      long row = it->first;
      it = rowViews_.erase(it);
      recycle(view, row);
    } else {
      ++it;
    }
  }
  for (long row = first; row < first + count; ++row) {
    if (!rowViews_.count(row)) makeRowView(row);
  }
  tiling_ = false;
}

void TableView::layoutRowViews(unsigned animation, const IndexSet& inserted) {
  for (auto& [row, view] : std::map<long, std::shared_ptr<TableRowView>>(rowViews_)) {
    Rect target = rectOfRow(row);
    for (std::size_t c = 0; c < view->cells_.size(); ++c) {
      if (auto cell = view->cells_[c].lock(); cell && cell->superview() == view.get()) {
        Rect col = rectOfColumn(static_cast<long>(c));
        cell->setFrame({col.minX(), 0, col.width(), target.height()});
      }
    }
    if (animation == TableViewAnimation::None) {
      view->setFrame(target);
      continue;
    }
    if (inserted.contains(row)) {
      // New rows come in from the side the animation names.
      Rect start = target;
      switch (animation & 0xF0) {
        case TableViewAnimation::SlideDown:
          start = target.offsetBy(0, -target.height());
          break;
        case TableViewAnimation::SlideUp:
          start = target.offsetBy(0, target.height());
          break;
        case TableViewAnimation::SlideLeft:
          start = target.offsetBy(target.width(), 0);
          break;
        case TableViewAnimation::SlideRight:
          start = target.offsetBy(-target.width(), 0);
          break;
        default:
          break;
      }
      view->setFrame(start);
      if (animation & TableViewAnimation::EffectFade) {
        view->setAlphaValue(0);
        view->animator().setAlphaValue(1);
      }
    }
    if (view->frame() != target) view->animator().setFrame(target);
  }
}

// --- reloading ------------------------------------------------------------------------------------------

void TableView::reloadData() {
  std::shared_ptr<View> keep = self();
  std::shared_ptr<TableViewDataSource> ds = dataSource();
  long count = ds ? ds->numberOfRowsInTableView(*this) : 0;
  if (count < 0) {
    logWarningf("table: the data source answered %ld rows; showing none", count);
    count = 0;
  }
  auto views = std::move(rowViews_);
  rowViews_.clear();
  for (auto& [row, view] : views) recycle(view, row);
  rowCount_ = count;
  pendingInserted_.clear();
  // Rows that are gone cannot stay selected.
  bool changed = false;
  if (selected_.lastIndex() >= count) {
    IndexSet kept;
    std::vector<long> order;
    for (long r : order_) {
      if (r < count) {
        kept.add(r);
        order.push_back(r);
      }
    }
    selected_ = kept;
    order_ = order;
    changed = true;
  }
  if (anchor_ >= count) anchor_ = -1;
  if (cursor_ >= count) cursor_ = -1;
  recomputeHeights();
  updateFrame();
  tile();
  setNeedsDisplay(true);
  if (changed) selectionChanged();
}

void TableView::noteNumberOfRowsChanged() {
  std::shared_ptr<TableViewDataSource> ds = dataSource();
  rowCount_ = std::max(0L, ds ? ds->numberOfRowsInTableView(*this) : 0);
  for (auto it = rowViews_.begin(); it != rowViews_.end();) {
    if (it->first >= rowCount_) {
      auto view = it->second;
      long row = it->first;
      it = rowViews_.erase(it);
      recycle(view, row);
    } else {
      ++it;
    }
  }
  recomputeHeights();
  updateFrame();
  layoutRowViews(TableViewAnimation::None, {});
  tile();
}

void TableView::noteHeightOfRowsWithIndexesChanged(const IndexSet&) {
  recomputeHeights();
  updateFrame();
  layoutRowViews(TableViewAnimation::None, {});
  tile();
}

// --- updates --------------------------------------------------------------------------------------------

void TableView::beginUpdates() { ++updateDepth_; }

void TableView::endUpdates() {
  if (updateDepth_ == 0) {
    logWarning("table: endUpdates without beginUpdates, ignored");
    return;
  }
  if (--updateDepth_ > 0) return;
  std::shared_ptr<View> keep = self();
  unsigned animation = pendingAnimation_;
  IndexSet inserted = pendingInserted_;
  pendingAnimation_ = 0;
  pendingInserted_.clear();
  recomputeHeights();
  updateFrame();
  tile();
  layoutRowViews(animation, inserted);
  lastAnimation_ = animation;
}

namespace {

// Moves the indexes at or past `from` by `delta`; an index equal to `removed` disappears.
long shiftIndex(long index, long from, long delta, long removed = -2) {
  if (index == removed) return -1;
  return index >= from ? index + delta : index;
}

}  // namespace

void TableView::insertRowsAtIndexes(const IndexSet& rows, unsigned animationOptions) {
  beginUpdates();
  for (long at : rows) {  // ascending: each index is the row's place once all are in
    if (at > rowCount_) {
      logWarningf("table: insert at row %ld past the end (%ld rows), ignored", at, rowCount_);
      continue;
    }
    std::map<long, std::shared_ptr<TableRowView>> moved;
    for (auto& [row, view] : rowViews_) {
      long to = shiftIndex(row, at, 1);
      view->row_ = to;
      moved[to] = view;
    }
    rowViews_.swap(moved);
    IndexSet selected;
    for (long r : selected_) selected.add(shiftIndex(r, at, 1));
    selected_ = selected;
    for (long& r : order_) r = shiftIndex(r, at, 1);
    anchor_ = anchor_ < 0 ? anchor_ : shiftIndex(anchor_, at, 1);
    cursor_ = cursor_ < 0 ? cursor_ : shiftIndex(cursor_, at, 1);
    IndexSet inserted;
    for (long r : pendingInserted_) inserted.add(shiftIndex(r, at, 1));
    inserted.add(at);
    pendingInserted_ = inserted;
    ++rowCount_;
  }
  if (animationOptions != TableViewAnimation::None) pendingAnimation_ = animationOptions;
  endUpdates();
}

void TableView::removeRowsAtIndexes(const IndexSet& rows, unsigned animationOptions) {
  beginUpdates();
  bool selectionLost = false;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {  // descending: indexes are current rows
    long at = *it;
    if (at >= rowCount_) {
      logWarningf("table: remove of row %ld past the end (%ld rows), ignored", at, rowCount_);
      continue;
    }
    if (auto found = rowViews_.find(at); found != rowViews_.end()) {
      std::shared_ptr<TableRowView> view = found->second;
      rowViews_.erase(found);
      recycle(view, at);
    }
    std::map<long, std::shared_ptr<TableRowView>> moved;
    for (auto& [row, view] : rowViews_) {
      long to = shiftIndex(row, at + 1, -1);
      view->row_ = to;
      moved[to] = view;
    }
    rowViews_.swap(moved);
    selectionLost = selectionLost || selected_.contains(at);
    IndexSet selected;
    for (long r : selected_) selected.add(shiftIndex(r, at + 1, -1, at));
    selected_ = selected;
    std::vector<long> order;
    for (long r : order_) {
      if (long to = shiftIndex(r, at + 1, -1, at); to >= 0) order.push_back(to);
    }
    order_ = order;
    anchor_ = anchor_ < 0 ? anchor_ : shiftIndex(anchor_, at + 1, -1, at);
    cursor_ = cursor_ < 0 ? cursor_ : shiftIndex(cursor_, at + 1, -1, at);
    IndexSet inserted;
    for (long r : pendingInserted_) inserted.add(shiftIndex(r, at + 1, -1, at));
    pendingInserted_ = inserted;
    --rowCount_;
  }
  if (animationOptions != TableViewAnimation::None) pendingAnimation_ = animationOptions;
  endUpdates();
  if (selectionLost) selectionChanged();
}

// --- view -----------------------------------------------------------------------------------------------

void TableView::scrollRowToVisible(long row) {
  if (row < 0 || row >= rowCount_) {
    logWarningf("table: cannot scroll to row %ld of %ld", row, rowCount_);
    return;
  }
  ClipView* clip = clipView();
  if (!clip) return;
  Rect target = rectOfRow(row);
  Rect visible = clip->documentVisibleRect();
  Point origin = clip->bounds().origin;
  if (target.minY() < visible.minY()) {
    origin.y = target.minY();
  } else if (target.maxY() > visible.maxY()) {
    origin.y = target.maxY() - visible.height();
  } else {
    return;
  }
  clip->scrollToPoint(origin);
}

void TableView::setFrameSize(Size size) {
  bool widthChanged = size.width != frame().size.width;
  Control::setFrameSize(size);
  if (widthChanged) layoutRowViews(TableViewAnimation::None, {});
  tile();
}

void TableView::viewDidMoveToSuperview() {
  updateFrame();
  tile();
}

void TableView::clipViewBoundsDidChange(ClipView&) { tile(); }

void TableView::clipViewFrameDidChange(ClipView&) {
  updateFrame();
  tile();
}

void TableView::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (ctx && backgroundColor_ && backgroundColor_->alpha > 0) ctx->fillRect(bounds(), *backgroundColor_);
}

}  // namespace vl::ui
