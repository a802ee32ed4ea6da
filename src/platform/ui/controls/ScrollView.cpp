#include "platform/ui/controls/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"

namespace vl::ui {

ScrollView::ScrollView(const Rect& frame) : View(frame) {
  clipView_ = ClipView::create({{0, 0}, frame.size});
  addSubview(clipView_);
  installScroller(vertical_, nullptr, true);
  installScroller(horizontal_, nullptr, false);
  reflectScrolledClipView(*clipView_);
}

void ScrollView::setContentView(const std::shared_ptr<ClipView>& clip) {
  if (!clip || clip == clipView_) return;
  std::shared_ptr<View> doc = clipView_->documentView();
  clipView_->setDocumentView(nullptr);
  clipView_->removeFromSuperview();
  clipView_ = clip;
  addSubview(clip, Ordering::Below, nullptr);
  tile();
  clip->setDocumentView(doc);
}

void ScrollView::setDocumentView(const std::shared_ptr<View>& view) {
  clipView_->setDocumentView(view);
  reflectScrolledClipView(*clipView_);
}

void ScrollView::setHasVerticalScroller(bool v) {
  hasVertical_ = v;
  reflectScrolledClipView(*clipView_);
}

void ScrollView::setHasHorizontalScroller(bool v) {
  hasHorizontal_ = v;
  reflectScrolledClipView(*clipView_);
}

void ScrollView::setAutohidesScrollers(bool v) {
  autohides_ = v;
  reflectScrolledClipView(*clipView_);
}

void ScrollView::installScroller(std::shared_ptr<Scroller>& slot, std::shared_ptr<Scroller> scroller,
                                 bool vertical) {
  if (slot) slot->removeFromSuperview();
  slot = scroller ? std::move(scroller) : Scroller::create();
  slot->onScroll_ = [this, vertical](double position) { scrollerMoved(vertical, position); };
  addSubview(slot);
  tile();
}

void ScrollView::setVerticalScroller(std::shared_ptr<Scroller> scroller) {
  installScroller(vertical_, std::move(scroller), true);
  reflectScrolledClipView(*clipView_);
}

bool ScrollView::isVerticalScrollerVisible() const {
  if (!hasVertical_) return false;
  return !autohides_ || clipView_->documentRect().height() > clipView_->bounds().size.height;
}

bool ScrollView::isHorizontalScrollerVisible() const {
  if (!hasHorizontal_) return false;
  return !autohides_ || clipView_->documentRect().width() > clipView_->bounds().size.width;
}

void ScrollView::setLineScroll(double points) {
  if (std::isfinite(points) && points > 0) lineScroll_ = points;
}

void ScrollView::tile() {
  Size s = bounds().size;
  if (clipView_) clipView_->setFrame({{0, 0}, s});
  if (vertical_) vertical_->setFrame({s.width - Scroller::kWidth, 0, Scroller::kWidth, s.height});
  if (horizontal_) {
    double w = s.width - (isVerticalScrollerVisible() ? Scroller::kWidth : 0);
    horizontal_->setFrame({0, 0, std::max(0.0, w), Scroller::kWidth});
  }
}

void ScrollView::resizeSubviewsWithOldSize(Size) { tile(); }

void ScrollView::reflectScrolledClipView(ClipView& clip) {
  if (&clip != clipView_.get() || !vertical_ || !horizontal_) return;
  Rect doc = clip.documentRect();
  Rect b = clip.bounds();
  auto fit = [](double docMin, double docLength, double viewMin, double viewLength, double* proportion) {
    *proportion = docLength > 0 ? std::min(1.0, viewLength / docLength) : 1;
    double free = docLength - viewLength;
    return free > 0 ? std::clamp((viewMin - docMin) / free, 0.0, 1.0) : 0.0;
  };
  double pv, ph;
  double posV = fit(doc.minY(), doc.height(), b.minY(), b.height(), &pv);
  // In unflipped coordinates the top of the document is its maximum y, so position 0 is a maximal origin.
  if (!clip.isFlipped()) posV = doc.height() > b.height() ? 1 - posV : 0;
  double posH = fit(doc.minX(), doc.width(), b.minX(), b.width(), &ph);
  vertical_->setKnobProportion(pv);
  vertical_->setKnobPosition(posV);
  horizontal_->setKnobProportion(ph);
  horizontal_->setKnobPosition(posH);
  vertical_->setHidden(!isVerticalScrollerVisible());
  horizontal_->setHidden(!isHorizontalScrollerVisible());
  tile();
}

void ScrollView::scrollerMoved(bool vertical, double position) {
  Rect doc = clipView_->documentRect();
  Point origin = clipView_->bounds().origin;
  Size view = clipView_->bounds().size;
  if (vertical) {
    double free = std::max(0.0, doc.height() - view.height);
    origin.y = clipView_->isFlipped() ? doc.minY() + free * position : doc.minY() + free * (1 - position);
  } else {
    origin.x = doc.minX() + std::max(0.0, doc.width() - view.width) * position;
  }
  clipView_->scrollToPoint(origin);
}

ScrollView* ScrollView::enclosingScrollView(const View& view) {
  for (View* v = view.superview(); v; v = v->superview()) {
    if (auto* sv = dynamic_cast<ScrollView*>(v)) return sv;
  }
  return nullptr;
}

void ScrollView::scrollWheel(const Event& event) {
  switch (wheelHandling_) {
    case WheelHandling::Swallow:
      return;
    case WheelHandling::Forward:
      View::scrollWheel(event);
      return;
    case WheelHandling::Scroll:
      break;
  }
  double dy = std::isfinite(event.deltaY()) ? event.deltaY() : 0;
  double dx = std::isfinite(event.deltaX()) ? event.deltaX() : 0;
  if (dx == 0 && dy == 0) return;
  Point origin = clipView_->bounds().origin;
  // A positive delta reveals what lies above (left): towards the top of the document.
  origin.y += (clipView_->isFlipped() ? -dy : dy) * lineScroll_;
  origin.x -= dx * lineScroll_;
  clipView_->scrollToPoint(origin);
}

}  // namespace vl::ui
