#include "platform/ui/view/EventDriver.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

void EventDriver::post(const Event& event) {
  Application::shared().sendEvent(event);
  dispatch::MainLoop::runUntilIdle();
}

void EventDriver::keyDown(std::uint16_t keyCode, std::uint64_t flags, bool isARepeat) {
  bool shift = flags & ModifierFlags::Shift;
  post(Event::keyEvent(EventType::KeyDown, keyCode, flags | implicitFlagsForKeyCode(keyCode),
                       charactersForKeyCode(keyCode, shift), charactersForKeyCode(keyCode, false),
                       isARepeat));
}

void EventDriver::keyUp(std::uint16_t keyCode, std::uint64_t flags) {
  bool shift = flags & ModifierFlags::Shift;
  post(Event::keyEvent(EventType::KeyUp, keyCode, flags | implicitFlagsForKeyCode(keyCode),
                       charactersForKeyCode(keyCode, shift), charactersForKeyCode(keyCode, false)));
}

void EventDriver::typeKey(std::uint16_t keyCode, std::uint64_t flags) {
  keyDown(keyCode, flags);
  keyUp(keyCode, flags);
}

void EventDriver::typeText(const std::string& text) {
  for (char c : text) {
    std::uint16_t code = 0;
    bool shift = false;
    if (!keyCodeForCharacter(c, &code, &shift)) {
      logWarningf("typeText: no key types byte 0x%02x, skipped", static_cast<unsigned char>(c));
      continue;
    }
    typeKey(code, shift ? ModifierFlags::Shift : 0);
  }
}

void EventDriver::flagsChanged(std::uint64_t flags) {
  post(Event::keyEvent(EventType::FlagsChanged, 0, flags, "", ""));
}

void EventDriver::postMouse(EventType type, const std::shared_ptr<Window>& window, Point at,
                            std::uint64_t flags, int clicks) {
  if (!window) {
    logWarning("EventDriver: mouse event without a window, dropped");
    return;
  }
  Event e = Event::mouseEvent(type, at, flags, clicks);
  e.setWindow(window);
  pointerWindow_ = window;
  pointer_ = at;
  post(e);
}

void EventDriver::moveMouse(const std::shared_ptr<Window>& window, Point at) {
  postMouse(EventType::MouseMoved, window, at, 0, 0);
}

void EventDriver::mouseDown(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags,
                            int clickCount) {
  if (pointerWindow_.lock() != window || pointer_ != at) moveMouse(window, at);
  postMouse(EventType::LeftMouseDown, window, at, flags, clickCount);
}

void EventDriver::mouseDragged(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags) {
  postMouse(EventType::LeftMouseDragged, window, at, flags, 0);
}

void EventDriver::mouseUp(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags,
                          int clickCount) {
  postMouse(EventType::LeftMouseUp, window, at, flags, clickCount);
}

void EventDriver::click(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags,
                        int clickCount) {
  mouseDown(window, at, flags, clickCount);
  mouseUp(window, at, flags, clickCount);
}

void EventDriver::drag(const std::shared_ptr<Window>& window, Point from, Point to, int steps) {
  mouseDown(window, from);
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps; ++i) {
    double t = static_cast<double>(i) / steps;
    mouseDragged(window, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
  }
  mouseUp(window, to);
}

void EventDriver::rightClick(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags) {
  if (pointerWindow_.lock() != window || pointer_ != at) moveMouse(window, at);
  postMouse(EventType::RightMouseDown, window, at, flags, 1);
  postMouse(EventType::RightMouseUp, window, at, flags, 1);
}

void EventDriver::scroll(const std::shared_ptr<Window>& window, Point at, double deltaX, double deltaY) {
  if (!window) return;
  Event e = Event::scrollEvent(at, deltaX, deltaY);
  e.setWindow(window);
  post(e);
}

void EventDriver::advance(double ms) { dispatch::MainLoop::advance(ms); }

void EventDriver::runUntilIdle() { dispatch::MainLoop::runUntilIdle(); }

}  // namespace vl::ui
