#include "platform/ui/view/View.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

View::View(const Rect& frame) : frame_(frame.standardized()), bounds_({0, 0}, frame_.size) {
  VL_DCHECK_ON_MAIN();
}

View::~View() {
  // Subviews kept alive elsewhere must not point at a dead superview or, through it, at a window.
  for (auto& sub : subviews_) {
    sub->superview_ = nullptr;
    if (sub->window_) {
      sub->setWindowRecursive(nullptr, false);
      sub->setWindowRecursive(nullptr, true);
    }
  }
  if (layer_ && layer_->view_ == this) layer_->view_ = nullptr;
  for (auto& area : trackingAreas_) area->view_ = nullptr;
}

std::shared_ptr<View> View::self() {
  auto shared = weak_from_this().lock();
  return shared ? std::static_pointer_cast<View>(shared) : nullptr;
}

// --- geometry -------------------------------------------------------------------------------------------

void View::setFrame(const Rect& frame) {
  if (!std::isfinite(frame.origin.x) || !std::isfinite(frame.origin.y) || !std::isfinite(frame.size.width) ||
      !std::isfinite(frame.size.height)) {
    logWarningf("%s: frame %s is not finite, ignored", className().c_str(), stringFromRect(frame).c_str());
    return;
  }
  Rect f = frame.standardized();
  setFrameOrigin(f.origin);
  setFrameSize(f.size);
}

void View::setFrameOrigin(Point origin) {
  VL_DCHECK_ON_MAIN();
  if (!std::isfinite(origin.x) || !std::isfinite(origin.y)) {
    logWarningf("%s: frame origin %s is not finite, ignored", className().c_str(),
                stringFromPoint(origin).c_str());
    return;
  }
  if (origin == frame_.origin) return;
  frame_.origin = origin;
  syncLayer();
  geometryChanged();
  if (superview_) superview_->setNeedsDisplay(true);
  if (postsFrameChanged_) NotificationCenter::defaultCenter().post(kViewFrameDidChangeNotification, this);
}

void View::setFrameSize(Size size) {
  VL_DCHECK_ON_MAIN();
  if (!std::isfinite(size.width) || !std::isfinite(size.height)) {
    logWarningf("%s: frame size %s is not finite, ignored", className().c_str(),
                stringFromSize(size).c_str());
    return;
  }
  size = {std::fabs(size.width), std::fabs(size.height)};
  Size old = frame_.size;
  if (size == old) return;
  frame_.size = size;
  bounds_.size = size;
  syncLayer();
  if (autoresizesSubviews_) resizeSubviewsWithOldSize(old);
  geometryChanged();
  setNeedsDisplay(true);
  if (postsFrameChanged_) NotificationCenter::defaultCenter().post(kViewFrameDidChangeNotification, this);
}

void View::setBoundsOrigin(Point origin) {
  VL_DCHECK_ON_MAIN();
  if (origin == bounds_.origin || !std::isfinite(origin.x) || !std::isfinite(origin.y)) return;
  bounds_.origin = origin;
  if (layer_) layer_->bounds_.origin = origin;
  geometryChanged();
  setNeedsDisplay(true);
  if (postsBoundsChanged_) NotificationCenter::defaultCenter().post(kViewBoundsDidChangeNotification, this);
}

void View::setFlipped(bool flipped) {
  if (flipped == flipped_) return;
  flipped_ = flipped;
  syncLayer();
  geometryChanged();
  setNeedsDisplay(true);
}

Rect View::visibleRect() const {
  if (hidden_) return {};
  Rect r = bounds_;
  for (const View* a = superview_; a; a = a->superview_) {
    if (a->hidden_) return {};
    r = r.intersection(convertRectFromView(a->bounds_, a));
    if (r.isEmpty()) return {};
  }
  return r;
}

void View::resizeSubviewsWithOldSize(Size oldSize) {
  for (auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) {
    if (sub->superview_ == this) sub->resizeWithOldSuperviewSize(oldSize);
  }
}

namespace {

// Shares `delta` among the flexible parts of one axis; returns the new origin and length.
std::pair<double, double> resizeAxis(double origin, double length, double delta, bool flexibleMin,
                                     bool flexibleLength, bool flexibleMax) {
  int parts = int(flexibleMin) + int(flexibleLength) + int(flexibleMax);
  if (parts == 0 || delta == 0) return {origin, length};
  double share = delta / parts;
  if (flexibleMin) origin += share;
  if (flexibleLength) length = std::max(0.0, length + share);
  return {origin, length};
}

}  // namespace

void View::resizeWithOldSuperviewSize(Size oldSuperviewSize) {
  if (!superview_ || autoresizingMask_ == NotSizable) return;
  Size now = superview_->bounds_.size;
  auto [x, w] = resizeAxis(frame_.origin.x, frame_.size.width, now.width - oldSuperviewSize.width,
                           autoresizingMask_ & MinXMargin, autoresizingMask_ & WidthSizable,
                           autoresizingMask_ & MaxXMargin);
  // In a flipped superview the minimum-y margin is the top one; the mask names edges of the coordinates.
  auto [y, h] = resizeAxis(frame_.origin.y, frame_.size.height, now.height - oldSuperviewSize.height,
                           autoresizingMask_ & MinYMargin, autoresizingMask_ & HeightSizable,
                           autoresizingMask_ & MaxYMargin);
  setFrame({x, y, w, h});
}

// --- hierarchy ------------------------------------------------------------------------------------------

bool View::isDescendantOf(const View* ancestor) const {
  for (const View* v = this; v; v = v->superview_) {
    if (v == ancestor) return true;
  }
  return false;
}

View* View::viewWithTag(long tag) {
  if (this->tag() == tag) return this;
  for (auto& sub : subviews_) {
    if (View* found = sub->viewWithTag(tag)) return found;
  }
  return nullptr;
}

void View::addSubview(const std::shared_ptr<View>& view) { addSubview(view, Ordering::Above, nullptr); }

void View::addSubview(const std::shared_ptr<View>& view, Ordering place, const View* relativeTo) {
  VL_DCHECK_ON_MAIN();
  if (!view || isDescendantOf(view.get())) {
    logWarningf("%s: addSubview with no view or with one that contains it, ignored", className().c_str());
    return;
  }
  if (relativeTo == view.get()) relativeTo = nullptr;
  std::shared_ptr<View> keep = view;  // its old superview may hold the only other reference
  if (keep->superview_ == this) {
    // Already here: only its place changes.
    subviews_.erase(std::find(subviews_.begin(), subviews_.end(), keep));
  }
  std::size_t index = place == Ordering::Above ? subviews_.size() : 0;
  auto sibling =
      std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == relativeTo; });
  if (relativeTo && sibling != subviews_.end()) {
    index = static_cast<std::size_t>(sibling - subviews_.begin()) + (place == Ordering::Above ? 1 : 0);
  } else if (relativeTo) {
    logWarningf("%s: the view to place a subview against is not a subview; placing it %s all",
                className().c_str(), place == Ordering::Above ? "above" : "below");
  }
  if (keep->superview_ == this) {
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    setNeedsDisplay(true);
    geometryChanged();
    return;
  }
  insertSubview(keep, index);
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
  Window* oldWindow = view->window_;
  Window* newWindow = window_;
  view->viewWillMoveToSuperview(this);
  if (oldWindow != newWindow) {
    view->setWindowRecursive(newWindow, false);  // announces only; see below
  }
  if (View* old = view->superview_) {
    old->willRemoveSubview(view.get());
    auto& subs = old->subviews_;
    auto it = std::find(subs.begin(), subs.end(), view);
    if (it != subs.end()) subs.erase(it);
    old->setNeedsDisplay(true);
  }
  if (oldWindow && oldWindow != newWindow) oldWindow->viewWillLeave(view.get());
  index = std::min(index, subviews_.size());  // hooks above may have changed the list
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  view->superview_ = this;
  if (oldWindow != newWindow) view->setWindowRecursive(newWindow, true);
  view->viewDidMoveToSuperview();
  didAddSubview(view.get());
  view->geometryChanged();
  setNeedsDisplay(true);
}

void View::removeFromSuperview() {
  VL_DCHECK_ON_MAIN();
  View* parent = superview_;
  if (!parent) return;
  std::shared_ptr<View> keep = self();  // the superview may hold the only reference
  Window* oldWindow = window_;
  parent->willRemoveSubview(this);
  viewWillMoveToSuperview(nullptr);
  if (oldWindow) setWindowRecursive(nullptr, false);
  if (oldWindow) oldWindow->viewWillLeave(this);
  auto& subs = parent->subviews_;
  auto it = std::find_if(subs.begin(), subs.end(), [this](auto& s) { return s.get() == this; });
  if (it != subs.end()) subs.erase(it);
  superview_ = nullptr;
  if (oldWindow) setWindowRecursive(nullptr, true);
  viewDidMoveToSuperview();
  parent->setNeedsDisplay(true);
  if (oldWindow) oldWindow->viewGeometryChanged();
}

// Two passes: with notify false only the will-move hooks run (the tree is still in its old place); with
// notify true the window pointers change and the did-move hooks run.
void View::setWindowRecursive(Window* window, bool notify) {
  if (!notify) {
    if (window_ != window) viewWillMoveToWindow(window);
    for (auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->setWindowRecursive(window, false);
    return;
  }
  bool changed = window_ != window;
  window_ = window;
  if (changed) viewDidMoveToWindow();
  for (auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->setWindowRecursive(window, true);
}

// --- attributes -----------------------------------------------------------------------------------------

void View::setHidden(bool hidden) {
  VL_DCHECK_ON_MAIN();
  if (hidden == hidden_) return;
  hidden_ = hidden;
  if (hidden && window_) window_->viewWillLeave(this, /*keepInTree=*/true);
  geometryChanged();
  if (superview_) superview_->setNeedsDisplay(true);
}

bool View::isHiddenOrHasHiddenAncestor() const {
  for (const View* v = this; v; v = v->superview_) {
    if (v->hidden_) return true;
  }
  return false;
}

void View::setAlphaValue(double alpha) {
  alpha_ = std::isnan(alpha) ? 1 : std::clamp(alpha, 0.0, 1.0);
  if (layer_) layer_->opacity_ = alpha_;
  setNeedsDisplay(true);
}

void View::setNeedsDisplay(bool needs) {
  VL_DCHECK_ON_MAIN();
  needsDisplay_ = needs;
  if (needs && window_) window_->setViewsNeedDisplay();
}

void View::geometryChanged() {
  trackingDirty_ = true;
  if (window_) window_->viewGeometryChanged();
}

// --- coordinates ----------------------------------------------------------------------------------------

Transform View::transformToSuperview(bool presentation) const {
  Point origin = presentation && layer_ ? layer_->presentationPosition() : frame_.origin;
  double height = presentation && layer_ ? layer_->presentationSize().height : frame_.size.height;
  bool superFlipped = superview_ && superview_->isFlipped();
  if (isFlipped() == superFlipped) return {origin.x - bounds_.origin.x, origin.y - bounds_.origin.y, 1};
  // Opposite orientations: the view's minimum y is the top edge in the superview.
  return {origin.x - bounds_.origin.x, origin.y + height + bounds_.origin.y, -1};
}

Transform View::transformToWindow(bool presentation) const {
  Transform t = transformToSuperview(presentation);
  for (const View* a = superview_; a; a = a->superview_) t = a->transformToSuperview(presentation).after(t);
  return t;
}

Point View::convertPointToView(Point p, const View* view) const {
  Point w = transformToWindow().apply(p);
  return view ? view->transformToWindow().inverted().apply(w) : w;
}

Point View::convertPointFromView(Point p, const View* view) const {
  Point w = view ? view->transformToWindow().apply(p) : p;
  return transformToWindow().inverted().apply(w);
}

Rect View::convertRectToView(const Rect& r, const View* view) const {
  Rect w = transformToWindow().apply(r);
  return view ? view->transformToWindow().inverted().apply(w) : w;
}

Rect View::convertRectFromView(const Rect& r, const View* view) const {
  Rect w = view ? view->transformToWindow().apply(r) : r;
  return transformToWindow().inverted().apply(w);
}

}  // namespace vl::ui
