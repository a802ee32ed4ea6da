// View: hit testing, responder chain, tracking areas, cursor rectangles, drawing and layers.
#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewAnimator.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

View* View::hitTest(Point pointInSuperview) {
  if (hidden_ || !frame_.contains(pointInSuperview)) return nullptr;
  Point local = transformToSuperview().inverted().apply(pointInSuperview);
  // Topmost first; a copy, since an override may change the tree while it looks.
  auto subs = subviews_;
  for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
    if ((*it)->superview_ != this) continue;
    if (View* hit = (*it)->hitTest(local)) return hit;
  }
  return this;
}

bool View::performKeyEquivalent(const Event& event) {
  for (auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) {
    if (sub->superview_ != this || sub->hidden_) continue;
    if (sub->performKeyEquivalent(event)) return true;
  }
  return false;
}

Responder* View::nextResponder() const {
  if (Responder* explicitNext = Responder::nextResponder()) return explicitNext;
  if (viewController_) return viewController_;
  if (superview_) return superview_;
  return window_;
}

std::shared_ptr<Menu> View::menuForEvent(const Event&) { return menu_; }

void View::rightMouseDown(const Event& event) {
  if (std::shared_ptr<Menu> m = menuForEvent(event)) {
    Menu::popUpContextMenu(m, event, this);
    return;
  }
  Responder::rightMouseDown(event);
}

void View::addTrackingArea(const std::shared_ptr<TrackingArea>& area) {
  if (!area) return;
  if (area->view_ && area->view_ != this) area->view_->removeTrackingArea(area.get());
  if (std::find(trackingAreas_.begin(), trackingAreas_.end(), area) != trackingAreas_.end()) return;
  area->view_ = this;
  trackingAreas_.push_back(area);
}

void View::removeTrackingArea(const TrackingArea* area) {
  auto it =
      std::find_if(trackingAreas_.begin(), trackingAreas_.end(), [&](auto& a) { return a.get() == area; });
  if (it == trackingAreas_.end()) return;
  (*it)->view_ = nullptr;
  trackingAreas_.erase(it);
}

void View::addCursorRect(const Rect& rect, const Cursor& cursor) {
  if (!rect.isEmpty()) cursorRects_.push_back({rect.standardized(), cursor});
}

// --- drawing --------------------------------------------------------------------------------------------

DisplayList View::recordDisplayList() {
  DisplayList list;
  GraphicsContext ctx(list);
  ctx.setView(this);
  if (!hidden_) drawSubtree(ctx);
  return list;
}

void View::displayInto(GraphicsContext& ctx) {
  if (hidden_) return;
  ctx.save();
  ctx.concat(transformToSuperview(true));
  ctx.setView(this);
  drawSubtree(ctx);
  ctx.restore();
}

void View::drawSubtree(GraphicsContext& ctx) {
  std::shared_ptr<View> keep = self();  // drawing code may remove this view from its superview
  auto drawSelf = [&] {
    ctx.setView(this);
    needsDisplay_ = false;
    drawRect(bounds_);
  };
  auto drawChildren = [&] {
    const bool clipped = clipsToBounds();
    if (clipped) ctx.pushClip(BezierPath::rect(bounds_));
    for (auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) {
      if (sub->superview_ == this) sub->displayInto(ctx);
    }
    ctx.setView(this);
    if (clipped) ctx.popClip();
  };
  if (layer_) {
    std::shared_ptr<Layer> layer = layer_;
    layer->render(ctx, drawSelf, drawChildren);
  } else {
    ctx.multiplyAlpha(alpha_);
    drawSelf();
    drawChildren();
  }
}

// --- layers ---------------------------------------------------------------------------------------------

void View::setWantsLayer(bool wants) {
  if (wants == (layer_ != nullptr)) return;
  setLayer(wants ? makeBackingLayer() : nullptr);
}

void View::setLayer(std::shared_ptr<Layer> layer) {
  if (layer && layer->view_ && layer->view_ != this) {
    logWarningf("%s: the layer already backs another view, ignored", className().c_str());
    return;
  }
  if (layer_ && layer_ != layer) layer_->view_ = nullptr;
  layer_ = std::move(layer);
  if (layer_) {
    layer_->view_ = this;
    layer_->opacity_ = alpha_;
    layer_->bounds_.origin = bounds_.origin;
    syncLayer();
  }
  setNeedsDisplay(true);
}

void View::syncLayer() {
  if (layer_) layer_->setGeometryFromView(frame_, isFlipped());
}

ViewAnimator View::animator() { return ViewAnimator(self()); }

}  // namespace vl::ui
