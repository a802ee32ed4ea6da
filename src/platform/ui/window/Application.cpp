#include "platform/ui/window/Application.h"

#include <algorithm>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

namespace {

void erase(std::vector<Window*>& list, Window* w) {
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

bool contains(const std::vector<Window*>& list, const Window* w) {
  return std::find(list.begin(), list.end(), w) != list.end();
}

// Keeps a window alive while an event or action reaches it, when something owns it.
std::shared_ptr<ActionTarget> hold(Window* w) { return w ? w->weak_from_this().lock() : nullptr; }

}  // namespace

Application& Application::shared() {
  // Never destroyed: windows held by other statics unregister from it during exit.
  static auto* app = new std::shared_ptr<Application>(std::make_shared<Application>());
  return **app;
}

Window* Application::windowWithNumber(int number) const {
  for (Window* w : windows_) {
    if (w->windowNumber() == number) return w;
  }
  return nullptr;
}

void Application::registerWindow(Window* w) { windows_.push_back(w); }

void Application::unregisterWindow(Window* w) {
  VL_DCHECK_ON_MAIN();
  erase(windows_, w);
  erase(order_, w);
  erase(hiddenByHide_, w);
  erase(hiddenByDeactivate_, w);
  // A dying window posts nothing: its observers may be going away with it.
  if (keyWindow_ == w) keyWindow_ = nullptr;
  if (mainWindow_ == w) mainWindow_ = nullptr;
}

void Application::setKeyWindow(Window* w) {
  VL_DCHECK_ON_MAIN();
  if (keyWindow_ == w) return;
  Window* old = keyWindow_;
  keyWindow_ = w;
  auto keepOld = hold(old);
  auto keepNew = hold(w);
  if (old) old->didResignKey();
  if (w && keyWindow_ == w) w->didBecomeKey();
}

void Application::setMainWindow(Window* w) {
  VL_DCHECK_ON_MAIN();
  if (mainWindow_ == w) return;
  Window* old = mainWindow_;
  mainWindow_ = w;
  auto keepOld = hold(old);
  auto keepNew = hold(w);
  if (old) old->didResignMain();
  if (w && mainWindow_ == w) w->didBecomeMain();
}

void Application::bringToFront(Window* w) {
  erase(order_, w);
  // In front of every window of its level or below.
  auto it = std::find_if(order_.begin(), order_.end(), [&](Window* o) { return o->level() <= w->level(); });
  order_.insert(it, w);
}

void Application::sendToBack(Window* w) {
  erase(order_, w);
  // Behind every window of its level or above.
  auto it = std::find_if(order_.begin(), order_.end(), [&](Window* o) { return o->level() < w->level(); });
  order_.insert(it, w);
}

void Application::removeFromOrder(Window* w) { erase(order_, w); }

void Application::post(const char* name) {
  NotificationCenter::defaultCenter().post(name, static_cast<const Application*>(this));
}

void Application::finishLaunching() {
  VL_DCHECK_ON_MAIN();
  if (launched_) return;
  launched_ = true;
  if (auto d = delegate()) d->applicationWillFinishLaunching();
  if (auto d = delegate()) d->applicationDidFinishLaunching();
  post(kApplicationDidFinishLaunchingNotification);
  if (!active_ || hidden_) return;
  // The launch activation: the application was active from the start, so nobody heard it become so.
  if (auto d = delegate()) d->applicationWillBecomeActive();
  if (auto d = delegate()) d->applicationDidBecomeActive();
  post(kApplicationDidBecomeActiveNotification);
}

void Application::terminate() {
  VL_DCHECK_ON_MAIN();
  if (terminating_) return;
  terminating_ = true;
  if (auto d = delegate()) d->applicationWillTerminate();
  post(kApplicationWillTerminateNotification);
  dispatch::MainLoop::stop();
}

void Application::activate() {
  VL_DCHECK_ON_MAIN();
  if (hidden_) unhide();
  if (active_) return;
  if (auto d = delegate()) d->applicationWillBecomeActive();
  active_ = true;
  for (Window* w : std::vector<Window*>(hiddenByDeactivate_)) {
    if (contains(windows_, w)) w->orderFront();
  }
  hiddenByDeactivate_.clear();
  if (auto d = delegate()) d->applicationDidBecomeActive();
  post(kApplicationDidBecomeActiveNotification);
}

void Application::deactivate() {
  VL_DCHECK_ON_MAIN();
  if (!active_) return;
  if (auto d = delegate()) d->applicationWillResignActive();
  active_ = false;
  for (Window* w : std::vector<Window*>(order_)) {
    if (w->hidesOnDeactivate()) {
      hiddenByDeactivate_.push_back(w);
      w->orderOut();
    }
  }
  if (auto d = delegate()) d->applicationDidResignActive();
  post(kApplicationDidResignActiveNotification);
}

void Application::hide() {
  VL_DCHECK_ON_MAIN();
  if (hidden_) return;
  hidden_ = true;
  for (Window* w : std::vector<Window*>(order_)) {
    if (w->styleMask() & WindowStyle::NonactivatingPanel) continue;
    hiddenByHide_.push_back(w);
    w->orderOut();
  }
  deactivate();
  if (auto d = delegate()) d->applicationDidHide();
  post(kApplicationDidHideNotification);
}

void Application::unhide() {
  VL_DCHECK_ON_MAIN();
  if (!hidden_) return;
  hidden_ = false;
  // Back to front, so the front-most window ends in front again.
  auto windows = std::move(hiddenByHide_);
  hiddenByHide_.clear();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if (contains(windows_, *it)) (*it)->orderFront();
  }
  if (auto d = delegate()) d->applicationDidUnhide();
  post(kApplicationDidUnhideNotification);
}

// --- events ---------------------------------------------------------------------------------------------

std::shared_ptr<EventMonitor> Application::addLocalMonitorForEvents(EventMask mask,
                                                                    EventMonitor::Handler handler,
                                                                    bool beforeOthers) {
  VL_DCHECK_ON_MAIN();
  if (!handler) {
    logWarning("local event monitor without a handler, not added");
    return nullptr;
  }
  auto monitor = std::make_shared<EventMonitor>(mask, std::move(handler));
  monitors_.insert(beforeOthers ? monitors_.begin() : monitors_.end(), monitor);
  return monitor;
}

void Application::removeMonitor(const std::shared_ptr<EventMonitor>& monitor) {
  if (!monitor) return;
  monitor->removed_ = true;
  monitors_.erase(std::remove(monitors_.begin(), monitors_.end(), monitor), monitors_.end());
}

void Application::sendEvent(const Event& event) {
  VL_DCHECK_ON_MAIN();
  current_.push_back(event);
  struct Pop {
    std::vector<Event>& stack;
    ~Pop() { stack.pop_back(); }
  } pop{current_};
  // Traced once the release was dealt with, whoever took it: a road test that clicks waits for this line
  // before it types, as the window manager passes a click on only after it has seen it.
  struct Released {
    const Event& event;
    ~Released() {
      if (event.type() == EventType::LeftMouseUp) logDebugf("click: %s handled", event.description().c_str());
    }
  } released{event};

  std::optional<Event> e = event;
  for (auto& monitor : std::vector<std::shared_ptr<EventMonitor>>(monitors_)) {
    if (monitor->removed_ || !(monitor->mask_ & eventMaskFor(e->type()))) continue;
    EventMonitor::Handler handler = monitor->handler_;  // the handler may remove its own monitor
    e = handler(*e);
    if (!e) return;
  }

  if (e->isKeyEvent()) {
    Window* w = keyWindow_;
    if (!w) {
      logDebugf("%s with no key window, dropped", e->description().c_str());
      return;
    }
    auto keep = hold(w);
    if (e->type() == EventType::KeyDown && w->performKeyEquivalent(*e)) return;
    w->sendEvent(*e);
    return;
  }
  std::shared_ptr<Window> target = e->window();
  Window* w = target ? target.get() : keyWindow_;
  if (!w) {
    logDebugf("%s names no window and there is no key window, dropped", e->description().c_str());
    return;
  }
  auto keep = hold(w);
  mouseLocation_ = w->convertPointToScreen(e->locationInWindow());
  w->sendEvent(*e);
}

// --- actions --------------------------------------------------------------------------------------------

ActionTarget* Application::targetForAction(const std::string& action) {
  auto chain = [&](Window* w) -> ActionTarget* {
    if (!w) return nullptr;
    for (Responder* r = w->firstResponder(); r; r = r->nextResponder()) {
      if (r->respondsToAction(action)) return r;
    }
    return nullptr;
  };
  if (ActionTarget* t = chain(keyWindow_)) return t;
  if (mainWindow_ != keyWindow_) {
    if (ActionTarget* t = chain(mainWindow_)) return t;
  }
  if (respondsToAction(action)) return this;
  if (auto* d = dynamic_cast<ActionTarget*>(delegate().get()); d && d->respondsToAction(action)) return d;
  return nullptr;
}

bool Application::sendAction(const std::string& action, const std::shared_ptr<ActionTarget>& target,
                             ActionTarget* sender) {
  VL_DCHECK_ON_MAIN();
  if (action.empty()) return false;
  if (target) {
    if (!target->respondsToAction(action)) return false;
    return target->performAction(action, sender);
  }
  ActionTarget* found = targetForAction(action);
  if (!found) return false;
  auto keep = found->weak_from_this().lock();
  return found->performAction(action, sender);
}

}  // namespace vl::ui
