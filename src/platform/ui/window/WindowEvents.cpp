// Window: the first responder, event routing, tracking areas and cursor rectangles.
#include <functional>
#include <utility>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

namespace {

std::shared_ptr<Responder> sharedResponder(Responder* r) {
  auto t = r ? r->weak_from_this().lock() : nullptr;
  return t ? std::static_pointer_cast<Responder>(t) : nullptr;
}

// Pre-order walk over the visible views of a tree: later views lie on top of earlier ones.
void forEachVisibleView(const std::shared_ptr<View>& root, const std::function<void(View&)>& fn) {
  if (!root || root->isHidden()) return;
  fn(*root);
  for (auto& sub : std::vector<std::shared_ptr<View>>(root->subviews())) forEachVisibleView(sub, fn);
}

}  // namespace

Responder* Window::firstResponder() const {
  if (auto r = firstResponder_.lock()) return r.get();
  return const_cast<Window*>(this);
}

bool Window::makeFirstResponder(Responder* responder) {
  VL_DCHECK_ON_MAIN();
  if (responder == this) responder = nullptr;
  Responder* current = firstResponder();
  if (responder == current || (!responder && current == this)) return true;
  std::shared_ptr<Responder> next = sharedResponder(responder);
  if (responder && !next) {
    logWarningf("%s cannot become first responder: it is not held by shared_ptr",
                responder->className().c_str());
    return false;
  }
  if (current != this) {
    std::shared_ptr<Responder> keep = sharedResponder(current);
    if (!current->resignFirstResponder()) return false;
  }
  firstResponder_.reset();
  if (!next) return true;
  if (!next->acceptsFirstResponder() || !next->becomeFirstResponder()) return false;
  firstResponder_ = next;
  trackingDirty_ = true;  // areas active only for the first responder change
  return true;
}

void Window::viewWillLeave(View* root, bool keepInTree) {
  if (auto fr = firstResponder_.lock()) {
    auto* view = dynamic_cast<View*>(fr.get());
    if (view && view->isDescendantOf(root)) {
      // It goes whether or not it agrees: it can no longer receive keys here.
      firstResponder_.reset();
      fr->resignFirstResponder();
    }
  }
  if (!keepInTree) {
    for (auto* target : {&mouseDownView_, &rightMouseDownView_, &otherMouseDownView_}) {
      auto v = target->lock();
      if (v && v->isDescendantOf(root)) target->reset();
    }
  }
  trackingDirty_ = true;
}

bool Window::performKeyEquivalent(const Event& event) {
  std::shared_ptr<View> root = contentView_;
  return root && !root->isHidden() && root->performKeyEquivalent(event);
}

void Window::sendEvent(const Event& event) {
  VL_DCHECK_ON_MAIN();
  switch (event.type()) {
    case EventType::KeyDown:
    case EventType::KeyUp:
    case EventType::FlagsChanged: {
      Responder* target = firstResponder();
      std::shared_ptr<Responder> keep = sharedResponder(target);
      if (event.type() == EventType::KeyDown)
        target->keyDown(event);
      else if (event.type() == EventType::KeyUp)
        target->keyUp(event);
      else
        target->flagsChanged(event);
      return;
    }
    case EventType::MouseEntered:
    case EventType::MouseExited:
    case EventType::CursorUpdate: {
      // Already addressed to a tracking area's owner.
      auto area = event.trackingArea();
      auto owner = area ? area->owner() : nullptr;
      if (!owner) return;
      if (event.type() == EventType::MouseEntered)
        owner->mouseEntered(event);
      else if (event.type() == EventType::MouseExited)
        owner->mouseExited(event);
      else
        owner->cursorUpdate(event);
      return;
    }
    default:
      routeMouse(event);
      return;
  }
}

void Window::routeMouse(const Event& event) {
  if (!visible_) {
    logDebugf("%s for window \"%s\" that is not on screen, dropped", event.description().c_str(),
              title_.c_str());
    return;
  }
  Point at = event.locationInWindow();
  mouseLocation_ = at;
  std::shared_ptr<View> root = contentView_;
  auto hitAt = [&]() -> std::shared_ptr<View> {
    View* hit = root ? root->hitTest(at) : nullptr;
    return hit ? hit->self() : nullptr;
  };
  auto pressed = [&](std::weak_ptr<View>& slot, auto deliver) {
    std::shared_ptr<View> target = hitAt();
    slot = target;
    if (target) deliver(*target);
  };
  auto held = [&](std::weak_ptr<View>& slot, bool release, auto deliver) {
    std::shared_ptr<View> target = slot.lock();
    if (release) slot.reset();
    if (target) deliver(*target);
  };

  switch (event.type()) {
    case EventType::LeftMouseDown: {
      bool wasKey = isKeyWindow();
      if (!(styleMask_ & WindowStyle::NonactivatingPanel)) Application::shared().activate();
      bool becomesKey = !wasKey && canBecomeKeyWindow();
      orderFront();
      if (becomesKey) makeKeyWindow();
      std::shared_ptr<View> target = hitAt();
      if (!target) return;
      // A click that only brings the window forward stops here unless the view takes the first mouse.
      if (becomesKey && !target->acceptsFirstMouse(event)) return;
      if (target->acceptsFirstResponder()) makeFirstResponder(target.get());
      mouseDownView_ = target;
      target->mouseDown(event);
      return;
    }
    case EventType::LeftMouseDragged:
      held(mouseDownView_, false, [&](View& v) { v.mouseDragged(event); });
      updateTracking(event, true);
      return;
    case EventType::LeftMouseUp:
      held(mouseDownView_, true, [&](View& v) { v.mouseUp(event); });
      updateTracking(event, false);
      return;
    case EventType::RightMouseDown:
      pressed(rightMouseDownView_, [&](View& v) { v.rightMouseDown(event); });
      return;
    case EventType::RightMouseDragged:
      held(rightMouseDownView_, false, [&](View& v) { v.rightMouseDragged(event); });
      return;
    case EventType::RightMouseUp:
      held(rightMouseDownView_, true, [&](View& v) { v.rightMouseUp(event); });
      return;
    case EventType::OtherMouseDown:
      pressed(otherMouseDownView_, [&](View& v) { v.otherMouseDown(event); });
      return;
    case EventType::OtherMouseDragged:
      held(otherMouseDownView_, false, [&](View& v) { v.otherMouseDragged(event); });
      return;
    case EventType::OtherMouseUp:
      held(otherMouseDownView_, true, [&](View& v) { v.otherMouseUp(event); });
      return;
    case EventType::ScrollWheel:
      if (auto target = hitAt()) target->scrollWheel(event);
      return;
    case EventType::MouseMoved:
      updateTracking(event, false);
      return;
    default:
      return;
  }
}

void Window::rebuildTrackingIfNeeded() {
  if (!trackingDirty_) return;
  trackingDirty_ = false;
  std::function<void(const std::shared_ptr<View>&, bool)> walk = [&](const std::shared_ptr<View>& v,
                                                                     bool dirty) {
    if (!v || v->isHidden()) return;
    dirty = dirty || v->trackingDirty_;
    v->trackingDirty_ = false;
    if (dirty) v->updateTrackingAreas();
    v->discardCursorRects();
    v->resetCursorRects();
    for (auto& sub : std::vector<std::shared_ptr<View>>(v->subviews())) walk(sub, dirty);
  };
  walk(contentView_, false);
}

void Window::updateTracking(const Event& event, bool dragging) {
  rebuildTrackingIfNeeded();
  Point at = event.locationInWindow();
  Application& app = Application::shared();
  Responder* fr = firstResponder();

  std::vector<std::pair<std::shared_ptr<View>, std::shared_ptr<TrackingArea>>> areas;
  forEachVisibleView(contentView_, [&](View& v) {
    for (auto& a : v.trackingAreas()) areas.emplace_back(v.self(), a);
  });
  for (auto& [view, area] : areas) {
    if (!view || area->view() != view.get()) continue;  // removed by an earlier handler
    std::uint32_t o = area->options();
    if (dragging && !(o & TrackingArea::EnabledDuringMouseDrag)) continue;
    bool active = (o & TrackingArea::ActiveAlways) ||
                  ((o & TrackingArea::ActiveInActiveApp) && app.isActive()) ||
                  ((o & TrackingArea::ActiveInKeyWindow) && isKeyWindow()) ||
                  ((o & TrackingArea::ActiveWhenFirstResponder) && fr == view.get());
    if (!active) continue;
    Rect local = (o & TrackingArea::InVisibleRect) ? view->visibleRect() : area->rect();
    bool inside = view->convertRectToView(local, nullptr).contains(at);
    std::shared_ptr<Responder> owner = area->owner();
    Event e = event;
    e.setTrackingArea(area);
    if (inside != area->inside_) {
      area->inside_ = inside;
      if (!owner) continue;
      if (o & TrackingArea::MouseEnteredAndExited) {
        e.setType(inside ? EventType::MouseEntered : EventType::MouseExited);
        inside ? owner->mouseEntered(e) : owner->mouseExited(e);
      }
      if (inside && (o & TrackingArea::CursorUpdate)) {
        e.setType(EventType::CursorUpdate);
        owner->cursorUpdate(e);
      }
    }
    bool moved = event.type() == EventType::MouseMoved || event.type() == EventType::LeftMouseDragged;
    if (inside && moved && owner && (o & TrackingArea::MouseMoved)) {
      e.setType(EventType::MouseMoved);
      owner->mouseMoved(e);
    }
  }
  if (!dragging) updateCursor(at);
}

void Window::updateCursor(Point location) {
  const Cursor* chosen = nullptr;
  forEachVisibleView(contentView_, [&](View& v) {
    for (const auto& cr : v.cursorRects()) {
      if (v.convertRectToView(cr.rect, nullptr).contains(location)) chosen = &cr.cursor;
    }
  });
  if (chosen && !(*chosen == Cursor::current())) chosen->set();
}

}  // namespace vl::ui
