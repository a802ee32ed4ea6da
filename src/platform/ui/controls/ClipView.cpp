#include "platform/ui/controls/ClipView.h"

#include <algorithm>

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

ClipView::ClipView(const Rect& frame) : View(frame) {
  setPostsBoundsChangedNotifications(true);
  setAutoresizesSubviews(false);
}

void ClipView::setDocumentView(const std::shared_ptr<View>& view) {
  if (view == documentView_) return;
  documentFrameObservation_.reset();
  if (documentView_ && documentView_->superview() == this) documentView_->removeFromSuperview();
  documentView_ = view;
  if (view) {
    addSubview(view);
    view->setFrameOrigin({0, 0});
    view->setPostsFrameChangedNotifications(true);
    documentFrameObservation_ = NotificationCenter::defaultCenter().observe(
        kViewFrameDidChangeNotification, view.get(), [this](const Notification&) { documentFrameChanged(); });
  }
  // A new document starts at its top left.
  View::setBoundsOrigin(constrainScrollPoint({0, 0}));
  notifyScrolled();
}

bool ClipView::isFlipped() const { return documentView_ ? documentView_->isFlipped() : View::isFlipped(); }

Rect ClipView::documentRect() const { return documentView_ ? documentView_->frame() : Rect{}; }

Point ClipView::constrainScrollPoint(Point p) const {
  Rect doc = documentRect();
  Size size = bounds().size;
  auto axis = [](double v, double docMin, double docLength, double viewLength, bool pinToMax) {
    if (docLength <= viewLength) return pinToMax ? docMin + docLength - viewLength : docMin;
    return std::clamp(v, docMin, docMin + docLength - viewLength);
  };
  // An unflipped document shorter than the view keeps its top edge at the view's top.
  return {axis(p.x, doc.minX(), doc.width(), size.width, false),
          axis(p.y, doc.minY(), doc.height(), size.height, !isFlipped())};
}

void ClipView::scrollToPoint(Point p) { setBoundsOrigin(constrainScrollPoint(p)); }

Rect ClipView::documentVisibleRect() const {
  if (!documentView_) return {};
  return documentView_->convertRectFromView(bounds(), this).intersection(documentView_->bounds());
}

void ClipView::setDrawsBackground(bool v) {
  drawsBackground_ = v;
  setNeedsDisplay(true);
}

void ClipView::setBackgroundColor(const Color& c) {
  backgroundColor_ = c;
  setNeedsDisplay(true);
}

void ClipView::setBoundsOrigin(Point origin) {
  Point before = bounds().origin;
  View::setBoundsOrigin(origin);
  if (bounds().origin != before) notifyScrolled();
}

void ClipView::setFrameSize(Size size) {
  Size before = frame().size;
  View::setFrameSize(size);
  if (frame().size == before) return;
  std::shared_ptr<View> keep = self();
  if (auto* client = dynamic_cast<ScrollClient*>(documentView_.get())) client->clipViewFrameDidChange(*this);
  View::setBoundsOrigin(constrainScrollPoint(bounds().origin));
  notifyScrolled();
}

void ClipView::documentFrameChanged() {
  std::shared_ptr<View> keep = self();
  Point constrained = constrainScrollPoint(bounds().origin);
  if (constrained != bounds().origin) {
    setBoundsOrigin(constrained);
  } else if (auto* sv = dynamic_cast<ScrollView*>(superview())) {
    sv->reflectScrolledClipView(*this);
  }
}

void ClipView::notifyScrolled() {
  if (auto* client = dynamic_cast<ScrollClient*>(documentView_.get())) client->clipViewBoundsDidChange(*this);
  if (auto* sv = dynamic_cast<ScrollView*>(superview())) sv->reflectScrolledClipView(*this);
}

void ClipView::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (ctx && drawsBackground_ && backgroundColor_.alpha > 0) ctx->fillRect(bounds(), backgroundColor_);
}

}  // namespace vl::ui
