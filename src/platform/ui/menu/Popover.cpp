#include "platform/ui/menu/Popover.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

// The borderless window a popover shows its content in. It can take the keyboard (popovers hold text
// fields), and Escape or a cancelOperation: from its content closes the popover.
class Popover::PopoverWindow : public Panel {
 public:
  PopoverWindow(const Rect& content, Popover* owner)
      : Panel(content, WindowStyle::Borderless | WindowStyle::NonactivatingPanel), owner_(owner) {
    setLevel(WindowLevel::PopUpMenu);
    setActionHandler("cancelOperation:", [this](ActionTarget*) {
      if (owner_) owner_->performClose();
    });
  }
  bool canBecomeKeyWindow() const override { return true; }
  void keyDown(const Event& event) override {
    if (event.keyCode() == KeyCode::Escape && owner_) {
      owner_->performClose();
      return;
    }
    Panel::keyDown(event);
  }
  void detach() { owner_ = nullptr; }

 private:
  Popover* owner_;
};

Popover::Popover() = default;

Popover::~Popover() {
  stopWatching();
  if (auto* w = dynamic_cast<PopoverWindow*>(window_.get())) w->detach();
  if (window_) window_->orderOut();
}

void Popover::setContentViewController(std::shared_ptr<ViewController> controller) {
  contentViewController_ = std::move(controller);
  if (window_ && contentViewController_) {
    window_->setContentViewController(contentViewController_);
    window_->setContentSize(contentSize());
  }
}

Size Popover::contentSize() const {
  if (contentSize_) return *contentSize_;
  return contentViewController_ ? contentViewController_->view()->frame().size : Size{};
}

void Popover::setContentSize(Size size) {
  if (!std::isfinite(size.width) || !std::isfinite(size.height) || size.width < 0 || size.height < 0) {
    logWarningf("popover: content size %s refused", stringFromSize(size).c_str());
    return;
  }
  contentSize_ = size;
  if (window_ && shown_) {
    Rect f = window_->frame();
    window_->setFrame({f.origin, size}, false);
  }
}

void Popover::post(const char* name) {
  NotificationCenter::defaultCenter().post(name, static_cast<const Popover*>(this));
}

void Popover::showRelativeToRect(const Rect& rect, View* view, RectEdge preferredEdge) {
  if (!view || !view->window()) {
    logWarning("popover: no view in a window to show it at");
    return;
  }
  if (!contentViewController_) {
    logWarning("popover: no content view controller, not shown");
    return;
  }
  Window* anchor = view->window();
  Rect anchorRect = rect.isEmpty() ? view->bounds() : rect;
  Rect onScreen = anchor->convertRectToScreen(view->convertRectToView(anchorRect, nullptr));
  present(onScreen, anchorRect, anchor->screen(), anchor, view->isFlipped(), preferredEdge);
}

void Popover::showRelativeToScreenRect(const Rect& onScreen, RectEdge preferredEdge) {
  if (!contentViewController_) {
    logWarning("popover: no content view controller, not shown");
    return;
  }
  // The screen holding the rectangle's middle keeps the popover; off every screen, the main one.
  std::shared_ptr<Screen> screen = Screen::mainScreen();
  for (const auto& s : Screen::screens()) {
    if (s && s->frame().contains(Point{onScreen.midX(), onScreen.midY()})) {
      screen = s;
      break;
    }
  }
  present(onScreen, onScreen, screen, nullptr, false, preferredEdge);
}

void Popover::present(const Rect& onScreen, const Rect& anchorRect, const std::shared_ptr<Screen>& screen,
                      Window* anchor, bool flipped, RectEdge preferredEdge) {
  auto keep = std::static_pointer_cast<Popover>(weak_from_this().lock());
  Size size = contentSize();

  // Edges name the view's sides; in a flipped view its MaxY side is the one lower on the screen.
  RectEdge edge = preferredEdge;
  if (flipped && (edge == RectEdge::MinY || edge == RectEdge::MaxY)) {
    edge = edge == RectEdge::MinY ? RectEdge::MaxY : RectEdge::MinY;
  }
  Rect area = screen ? screen->visibleFrame() : Rect{-1e9, -1e9, 2e9, 2e9};
  auto place = [&](RectEdge e) -> Rect {
    switch (e) {
      case RectEdge::MinY:
        return {onScreen.midX() - size.width / 2, onScreen.minY() - kGap - size.height, size.width,
                size.height};
      case RectEdge::MaxY:
        return {onScreen.midX() - size.width / 2, onScreen.maxY() + kGap, size.width, size.height};
      case RectEdge::MinX:
        return {onScreen.minX() - kGap - size.width, onScreen.midY() - size.height / 2, size.width,
                size.height};
      case RectEdge::MaxX:
        return {onScreen.maxX() + kGap, onScreen.midY() - size.height / 2, size.width, size.height};
    }
    return {};
  };
  auto opposite = [](RectEdge e) {
    switch (e) {
      case RectEdge::MinX:
        return RectEdge::MaxX;
      case RectEdge::MaxX:
        return RectEdge::MinX;
      case RectEdge::MinY:
        return RectEdge::MaxY;
      case RectEdge::MaxY:
        return RectEdge::MinY;
    }
    return e;
  };
  // Only the axis away from the anchor decides; sliding along it comes after.
  auto fits = [&](RectEdge e) {
    Rect f = place(e);
    bool vertical = e == RectEdge::MinY || e == RectEdge::MaxY;
    return vertical ? f.minY() >= area.minY() && f.maxY() <= area.maxY()
                    : f.minX() >= area.minX() && f.maxX() <= area.maxX();
  };
  Rect frame = place(edge);
  if (!fits(edge) && fits(opposite(edge))) {
    edge = opposite(edge);
    frame = place(edge);
  }
  // Slide along the anchored side to stay on the screen.
  frame.origin.x = std::clamp(frame.origin.x, area.minX(), std::max(area.minX(), area.maxX() - size.width));
  frame.origin.y = std::clamp(frame.origin.y, area.minY(), std::max(area.minY(), area.maxY() - size.height));
  RectEdge reported = edge;
  if (flipped && (edge == RectEdge::MinY || edge == RectEdge::MaxY)) {
    reported = edge == RectEdge::MinY ? RectEdge::MaxY : RectEdge::MinY;
  }

  positioningRect_ = anchorRect;
  shownEdge_ = reported;
  anchorWindow_.reset();
  if (auto held = anchor ? anchor->weak_from_this().lock() : nullptr)
    anchorWindow_ = std::static_pointer_cast<Window>(held);
  if (shown_) {
    window_->setFrame(frame, false);
    return;
  }
  if (auto d = delegate()) d->popoverWillShow(*this);
  post(kPopoverWillShowNotification);
  if (!window_) {
    window_ = std::make_shared<PopoverWindow>(frame, this);
    window_->setContentViewController(contentViewController_);
  }
  window_->setFrame(frame, false);
  shown_ = true;
  if (Application::shared().isActive()) {
    window_->makeKeyAndOrderFront();
  } else {
    window_->orderFront();
  }

  if (behavior_ != PopoverBehavior::ApplicationDefined) {
    std::weak_ptr<Popover> weak = keep;
    clickMonitor_ = Application::shared().addLocalMonitorForEvents(
        EventMasks::LeftMouseDown | EventMasks::RightMouseDown,
        [weak](const Event& e) -> std::optional<Event> {
          auto self = weak.lock();
          if (!self || !self->shown_) return e;
          std::shared_ptr<Window> target = e.window();
          bool outside = target.get() != self->window_.get();
          if (self->behavior_ == PopoverBehavior::Semitransient) {
            outside = target && target == self->anchorWindow_.lock();
          }
          if (outside) self->performClose();
          return e;
        });
  }
  if (behavior_ == PopoverBehavior::Transient) {
    std::weak_ptr<Popover> weak = keep;
    deactivateObservation_ = NotificationCenter::defaultCenter().observe(
        kApplicationDidResignActiveNotification, nullptr, [weak](const Notification&) {
          if (auto self = weak.lock()) self->performClose();
        });
  }
  if (auto d = delegate()) d->popoverDidShow(*this);
  post(kPopoverDidShowNotification);
}

void Popover::stopWatching() {
  if (clickMonitor_) Application::shared().removeMonitor(clickMonitor_);
  clickMonitor_.reset();
  deactivateObservation_.reset();
}

void Popover::close() {
  if (!shown_) return;
  auto keep = std::static_pointer_cast<Popover>(weak_from_this().lock());
  if (auto d = delegate()) d->popoverWillClose(*this);
  post(kPopoverWillCloseNotification);
  shown_ = false;
  stopWatching();
  if (window_) window_->orderOut();
  if (auto d = delegate()) d->popoverDidClose(*this);
  post(kPopoverDidCloseNotification);
}

bool Popover::performClose() {
  if (!shown_) return false;
  if (auto d = delegate(); d && !d->popoverShouldClose(*this)) return false;
  close();
  return true;
}

}  // namespace vl::ui
