#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/view/Responder.h"

namespace vl::ui {

class Window;

// Posted on the default notification centre with the application as the object.
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "NSApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationDidResignActiveNotification =
    "NSApplicationDidResignActiveNotification";
inline constexpr const char* kApplicationDidHideNotification = "NSApplicationDidHideNotification";
inline constexpr const char* kApplicationDidUnhideNotification = "NSApplicationDidUnhideNotification";
inline constexpr const char* kApplicationDidFinishLaunchingNotification =
    "NSApplicationDidFinishLaunchingNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "NSApplicationWillTerminateNotification";

// Told of launching, activation, hiding and termination; every method is optional. Held weakly.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationWillFinishLaunching() {}
  virtual void applicationDidFinishLaunching() {}
  virtual void applicationWillBecomeActive() {}
  virtual void applicationDidBecomeActive() {}
  virtual void applicationWillResignActive() {}
  virtual void applicationDidResignActive() {}
  virtual void applicationDidHide() {}
  virtual void applicationDidUnhide() {}
  virtual void applicationWillTerminate() {}
};

// A local event monitor; keep it to remove the monitor later.
class EventMonitor {
 public:
  // Returns the event to pass on (possibly changed), or nullopt to swallow it.
  using Handler = std::function<std::optional<Event>(const Event&)>;
  EventMonitor(EventMask mask, Handler handler) : mask_(mask), handler_(std::move(handler)) {}

 private:
  friend class Application;
  EventMask mask_;
  Handler handler_;
  bool removed_ = false;
};

// The application object: its windows, the key and main window, activation and hiding, the event path
// every backend feeds, and actions sent along the responder chain. One per process, main thread only.
class Application : public Responder {
 public:
  static Application& shared();

  // Every live window, in creation order.
  std::vector<Window*> windows() const { return windows_; }
  // The windows on screen, front to back (higher levels first).
  std::vector<Window*> orderedWindows() const { return order_; }
  Window* keyWindow() const { return keyWindow_; }
  Window* mainWindow() const { return mainWindow_; }
  Window* windowWithNumber(int number) const;

  // Once, when the run loop is about to start: the delegate hears will/did finish launching and then,
  // since the application starts active, will/did become active. Later calls do nothing.
  void finishLaunching();
  bool isLaunched() const { return launched_; }
  // The delegate hears will terminate, then the main run loop is asked to stop. Later calls do nothing.
  void terminate();
  bool isTerminating() const { return terminating_; }

  bool isActive() const { return active_; }
  // Unhides the application first when it is hidden.
  void activate();
  void deactivate();
  bool isHidden() const { return hidden_; }
  // Orders out every window but the non-activating panels, which stay on screen, and deactivates.
  void hide();
  // Brings back the windows hide() took away.
  void unhide();

  // The one entry for input: local monitors see the event first; a key press is then offered as a key
  // equivalent to the key window's views and, when none takes it, goes to the key window's first
  // responder; mouse events go to their window (the key window when they name none).
  void sendEvent(const Event& event);
  // The event being dispatched, or nullptr.
  const Event* currentEvent() const { return current_.empty() ? nullptr : &current_.back(); }

  // Sends an action to `target` when given (false when it lacks the action), else to the first object
  // that has it along the key window's responder chain, then the main window's, then the application and
  // its delegate.
  bool sendAction(const std::string& action, const std::shared_ptr<ActionTarget>& target,
                  ActionTarget* sender);
  ActionTarget* targetForAction(const std::string& action);

  // Monitors run in the order they were added; a removed monitor is not called again. One added
  // `beforeOthers` runs ahead of those already there: a modal tracker (an open menu) whose events no
  // other monitor may act on.
  std::shared_ptr<EventMonitor> addLocalMonitorForEvents(EventMask mask, EventMonitor::Handler handler,
                                                         bool beforeOthers = false);
  void removeMonitor(const std::shared_ptr<EventMonitor>& monitor);

  std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<ApplicationDelegate>& d) { delegate_ = d; }

 private:
  friend class Window;
  void registerWindow(Window* w);
  void unregisterWindow(Window* w);
  void setKeyWindow(Window* w);
  void setMainWindow(Window* w);
  void bringToFront(Window* w);
  void sendToBack(Window* w);
  void removeFromOrder(Window* w);
  void post(const char* name);

  std::vector<Window*> windows_;
  std::vector<Window*> order_;
  std::vector<Window*> hiddenByHide_;
  std::vector<Window*> hiddenByDeactivate_;
  Window* keyWindow_ = nullptr;
  Window* mainWindow_ = nullptr;
  bool active_ = true;
  bool hidden_ = false;
  bool launched_ = false;
  bool terminating_ = false;
  std::vector<std::shared_ptr<EventMonitor>> monitors_;
  std::vector<Event> current_;
  Point mouseLocation_;
  std::weak_ptr<ApplicationDelegate> delegate_;
};

}  // namespace vl::ui
