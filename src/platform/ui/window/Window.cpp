#include "platform/ui/window/Window.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/WindowServer.h"

namespace vl::ui {

namespace {

int nextWindowNumber() {
  static int n = 0;
  return ++n;
}

bool finite(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

double titlebarFor(std::uint64_t styleMask) {
  bool titled = (styleMask & WindowStyle::Titled) != 0;
  bool fullSize = (styleMask & WindowStyle::FullSizeContentView) != 0;
  return titled && !fullSize ? Window::kTitlebarHeight : 0;
}

}  // namespace

Rect Window::frameRectForContentRect(const Rect& contentRect, std::uint64_t styleMask) {
  Rect r = contentRect.standardized();
  return {r.origin, {r.size.width, r.size.height + titlebarFor(styleMask)}};
}

Rect Window::contentRectForFrameRect(const Rect& frameRect, std::uint64_t styleMask) {
  Rect r = frameRect.standardized();
  return {r.origin, {r.size.width, std::max(0.0, r.size.height - titlebarFor(styleMask))}};
}

Window::Window(const Rect& contentRect, std::uint64_t styleMask)
    : frame_(frameRectForContentRect(finite(contentRect) ? contentRect : Rect{}, styleMask)),
      styleMask_(styleMask),
      windowNumber_(nextWindowNumber()) {
  VL_DCHECK_ON_MAIN();
  if (!finite(contentRect)) logWarning("window content rect is not finite; using the zero rect");
  Application::shared().registerWindow(this);
  setContentView(View::create());
}

Window::~Window() {
  peer_.reset();
  Application::shared().unregisterWindow(this);
  if (contentView_) {
    contentView_->setWindowRecursive(nullptr, false);
    contentView_->setWindowRecursive(nullptr, true);
  }
}

// --- geometry -------------------------------------------------------------------------------------------

void Window::setFrame(const Rect& frame, bool display) {
  VL_DCHECK_ON_MAIN();
  if (!finite(frame)) {
    logWarningf("window \"%s\": frame %s is not finite, ignored", title_.c_str(),
                stringFromRect(frame).c_str());
    return;
  }
  Rect f = frame.standardized();
  bool moved = f.origin != frame_.origin;
  bool resized = f.size != frame_.size;
  frame_ = f;
  if (moved || resized) tellPeer(WindowChange::Frame);
  if (resized) {
    layoutContentView();
    if (auto d = delegate()) d->windowDidResize(*this);
    post(kWindowDidResizeNotification);
  }
  if (moved) {
    if (auto d = delegate()) d->windowDidMove(*this);
    post(kWindowDidMoveNotification);
  }
  trackingDirty_ = true;
  if (display) this->display();
}

void Window::setFrameOrigin(Point origin) { setFrame({origin, frame_.size}, false); }

void Window::setContentSize(Size size) {
  // The top edge stays where it is, as when a window grows on screen.
  Rect content = frameRectForContentRect({{0, 0}, size}, styleMask_);
  setFrame({{frame_.origin.x, frame_.maxY() - content.size.height}, content.size}, false);
}

std::shared_ptr<Screen> Window::screen() const {
  std::shared_ptr<Screen> best;
  double bestArea = 0;
  for (const auto& s : Screen::screens()) {
    Rect common = s->frame().intersection(frame_);
    double area = common.width() * common.height();
    if (area > bestArea) {
      bestArea = area;
      best = s;
    }
  }
  return best ? best : Screen::mainScreen();
}

// --- attributes -----------------------------------------------------------------------------------------

void Window::setStyleMask(std::uint64_t mask) {
  styleMask_ = mask;
  layoutContentView();
  tellPeer(WindowChange::Style);
}

void Window::setTitle(std::string title) {
  title_ = std::move(title);
  tellPeer(WindowChange::Title);
}

void Window::setLevel(int level) {
  level_ = level;
  if (visible_) Application::shared().bringToFront(this);
  tellPeer(WindowChange::Level);
}

void Window::setCollectionBehavior(std::uint64_t b) {
  collectionBehavior_ = b;
  tellPeer(WindowChange::CollectionBehavior);
}

void Window::setBackgroundColor(const Color& c) {
  backgroundColor_ = c;
  setViewsNeedDisplay();
  tellPeer(WindowChange::Appearance);
}

void Window::setOpaque(bool v) {
  opaque_ = v;
  tellPeer(WindowChange::Appearance);
}

void Window::setHasShadow(bool v) {
  hasShadow_ = v;
  tellPeer(WindowChange::Appearance);
}

void Window::setAlphaValue(double a) {
  alpha_ = std::isnan(a) ? 1 : std::clamp(a, 0.0, 1.0);
  setViewsNeedDisplay();
  tellPeer(WindowChange::Alpha);
}

void Window::tellPeer(unsigned changes) {
  if (peer_) peer_->changed(changes);
}

void Window::setViewsNeedDisplay() {
  viewsNeedDisplay_ = true;
  if (peer_) peer_->setNeedsDisplay(std::nullopt);
}

// --- content --------------------------------------------------------------------------------------------

void Window::layoutContentView() {
  if (contentView_) contentView_->setFrame({{0, 0}, contentRect().size});
}

void Window::setContentView(const std::shared_ptr<View>& view) {
  VL_DCHECK_ON_MAIN();
  if (view == contentView_) return;
  if (contentView_) {
    std::shared_ptr<View> old = contentView_;
    old->setWindowRecursive(nullptr, false);
    viewWillLeave(old.get());
    contentView_ = nullptr;
    old->setWindowRecursive(nullptr, true);
  }
  if (!view) return;
  if (view->superview()) view->removeFromSuperview();
  if (view->window() && view->window() != this) view->window()->setContentView(nullptr);
  view->setWindowRecursive(this, false);
  contentView_ = view;
  view->setWindowRecursive(this, true);
  layoutContentView();
  view->geometryChanged();
  setViewsNeedDisplay();
}

void Window::setContentViewController(const std::shared_ptr<ViewController>& controller) {
  VL_DCHECK_ON_MAIN();
  if (controller == contentViewController_) return;
  contentViewController_ = controller;
  if (!controller) return;
  std::shared_ptr<View> view = controller->view();
  Size size = view->frame().size;
  if (size.width > 0 && size.height > 0) setContentSize(size);
  setContentView(view);
}

// --- key, main, ordering --------------------------------------------------------------------------------

bool Window::canBecomeKeyWindow() const {
  return (styleMask_ & (WindowStyle::Titled | WindowStyle::Resizable)) != 0;
}

bool Window::canBecomeMainWindow() const { return canBecomeKeyWindow(); }

bool Window::isKeyWindow() const { return Application::shared().keyWindow() == this; }

bool Window::isMainWindow() const { return Application::shared().mainWindow() == this; }

void Window::makeKeyWindow() {
  VL_DCHECK_ON_MAIN();
  if (!canBecomeKeyWindow()) {
    logWarningf("window \"%s\" cannot become key", title_.c_str());
    return;
  }
  Application::shared().setKeyWindow(this);
  if (canBecomeMainWindow()) makeMainWindow();
}

void Window::makeMainWindow() {
  VL_DCHECK_ON_MAIN();
  if (canBecomeMainWindow()) Application::shared().setMainWindow(this);
}

void Window::makeKeyAndOrderFront() {
  VL_DCHECK_ON_MAIN();
  orderFront();
  makeKeyWindow();
}

void Window::orderFront() {
  VL_DCHECK_ON_MAIN();
  if (visible_) {
    Application::shared().bringToFront(this);
    if (peer_) peer_->orderFront();
    return;
  }
  std::shared_ptr<ViewController> controller = contentViewController_;
  if (controller) controller->viewWillAppear();
  visible_ = true;
  Application::shared().bringToFront(this);
  trackingDirty_ = true;
  viewsNeedDisplay_ = true;
  // Created on first show, so windows that never appear cost the display nothing.
  if (!peer_) {
    if (WindowServer* server = WindowServer::installed()) peer_ = server->createPeer(*this);
  }
  if (peer_) peer_->orderFront();
  if (controller) controller->viewDidAppear();
}

void Window::orderBack() {
  VL_DCHECK_ON_MAIN();
  if (!visible_) {
    orderFront();
  }
  Application::shared().sendToBack(this);
  if (peer_) peer_->orderBack();
}

void Window::orderOut() {
  VL_DCHECK_ON_MAIN();
  if (!visible_) return;
  std::shared_ptr<ViewController> controller = contentViewController_;
  if (controller) controller->viewWillDisappear();
  visible_ = false;
  Application& app = Application::shared();
  app.removeFromOrder(this);
  if (app.keyWindow() == this) app.setKeyWindow(nullptr);
  if (app.mainWindow() == this) app.setMainWindow(nullptr);
  mouseDownView_.reset();
  rightMouseDownView_.reset();
  otherMouseDownView_.reset();
  if (peer_) peer_->orderOut();
  if (controller) controller->viewDidDisappear();
}

void Window::close() {
  VL_DCHECK_ON_MAIN();
  if (auto d = delegate()) d->windowWillClose(*this);
  post(kWindowWillCloseNotification);
  orderOut();
}

void Window::performClose() {
  if (auto d = delegate(); d && !d->windowShouldClose(*this)) return;
  close();
}

void Window::didBecomeKey() {
  trackingDirty_ = true;
  if (peer_) peer_->becameKey();
  becomeKeyWindow();
  if (auto d = delegate()) d->windowDidBecomeKey(*this);
  post(kWindowDidBecomeKeyNotification);
}

void Window::didResignKey() {
  trackingDirty_ = true;
  resignKeyWindow();
  if (auto d = delegate()) d->windowDidResignKey(*this);
  post(kWindowDidResignKeyNotification);
}

void Window::didBecomeMain() {
  becomeMainWindow();
  if (auto d = delegate()) d->windowDidBecomeMain(*this);
  post(kWindowDidBecomeMainNotification);
}

void Window::didResignMain() {
  resignMainWindow();
  if (auto d = delegate()) d->windowDidResignMain(*this);
  post(kWindowDidResignMainNotification);
}

void Window::post(const char* name) {
  NotificationCenter::defaultCenter().post(name, static_cast<const Window*>(this));
}

// --- drawing --------------------------------------------------------------------------------------------

void Window::display() {
  VL_DCHECK_ON_MAIN();
  displayList_.clear();
  GraphicsContext ctx(displayList_);
  ctx.multiplyAlpha(alpha_);
  if (backgroundColor_.alpha > 0) ctx.fillRect({{0, 0}, contentRect().size}, backgroundColor_);
  if (contentView_) {
    std::shared_ptr<View> root = contentView_;
    root->displayInto(ctx);
  }
  viewsNeedDisplay_ = false;
}

void Window::displayIfNeeded() {
  VL_DCHECK_ON_MAIN();
  if (viewsNeedDisplay_) display();
}

}  // namespace vl::ui
