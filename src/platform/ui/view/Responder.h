#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/view/Event.h"

namespace vl::ui {

// An object that actions named by string can be sent to ("cancel:", "paste:"). Handlers are registered by
// name, or a subclass overrides respondsToAction/performAction. Held by shared_ptr; targets are referenced
// weakly.
class ActionTarget : public std::enable_shared_from_this<ActionTarget> {
 public:
  using Handler = std::function<void(ActionTarget* sender)>;

  ActionTarget() = default;
  virtual ~ActionTarget() = default;
  ActionTarget(const ActionTarget&) = delete;
  ActionTarget& operator=(const ActionTarget&) = delete;

  void setActionHandler(const std::string& action, Handler handler);
  virtual bool respondsToAction(const std::string& action) const;
  // Runs the action; false when this object has no such action.
  virtual bool performAction(const std::string& action, ActionTarget* sender);

  // The dynamic class name, without namespaces ("VLTextField"), for log lines.
  virtual std::string className() const;

 private:
  std::map<std::string, Handler> handlers_;
};

// An object in a responder chain: views, view controllers, windows and the application. Every event handler
// passes the event to the next responder unless a subclass handles it; keyDown instead ends where it is
// with a "key down <class>" log line, so an unhandled key press never travels to the end of the chain.
class Responder : public ActionTarget {
 public:
  // The explicitly set next responder if it is alive, else the structural one a subclass gives
  // (a view's superview or window).
  virtual Responder* nextResponder() const;
  // Held weakly. nullptr returns to the structural default.
  void setNextResponder(const std::shared_ptr<Responder>& next) { next_ = next; }

  virtual bool acceptsFirstResponder() const { return false; }
  // Asked when the window makes this the first responder; false refuses.
  virtual bool becomeFirstResponder() { return true; }
  // Asked before another responder takes over; false keeps the first responder as it is.
  virtual bool resignFirstResponder() { return true; }

  virtual void keyDown(const Event& event);
  virtual void keyUp(const Event& event);
  virtual void flagsChanged(const Event& event);
  // Offered key presses before the first responder sees them; true when handled.
  virtual bool performKeyEquivalent(const Event& event);

  virtual void mouseDown(const Event& event);
  virtual void mouseUp(const Event& event);
  virtual void mouseDragged(const Event& event);
  virtual void mouseMoved(const Event& event);
  virtual void mouseEntered(const Event& event);
  virtual void mouseExited(const Event& event);
  virtual void rightMouseDown(const Event& event);
  virtual void rightMouseUp(const Event& event);
  virtual void rightMouseDragged(const Event& event);
  virtual void otherMouseDown(const Event& event);
  virtual void otherMouseUp(const Event& event);
  virtual void otherMouseDragged(const Event& event);
  virtual void scrollWheel(const Event& event);
  virtual void cursorUpdate(const Event& event);

  // Performs the action here or on the first responder up the chain that has it; false when none did.
  bool tryToPerform(const std::string& action, ActionTarget* sender);

 private:
  std::weak_ptr<Responder> next_;
};

}  // namespace vl::ui
