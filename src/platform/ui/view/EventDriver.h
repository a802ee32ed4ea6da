#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Event.h"

namespace vl::ui {

class Window;

// Synthesises input the way a backend does and feeds it to Application::sendEvent, so tests exercise the
// real event path: monitors, key equivalents, first responder, hit testing, tracking areas. After each
// event the main queue runs until idle, as one turn of the run loop would. Points are window coordinates.
// Keys go to the key window. A click in a window that is not key makes it key and reaches the view only when
// the view accepts the first mouse, as on the desktop; make the window key first to click straight through.
class EventDriver {
 public:
  // Key presses. Characters follow the US layout; arrows and function keys carry the flags the platform
  // adds to them (numeric pad and function).
  void keyDown(std::uint16_t keyCode, std::uint64_t flags = 0, bool isARepeat = false);
  void keyUp(std::uint16_t keyCode, std::uint64_t flags = 0);
  // Down then up.
  void typeKey(std::uint16_t keyCode, std::uint64_t flags = 0);
  // Types ASCII text key by key (Shift where the character needs it); other characters are skipped with a
  // log line.
  void typeText(const std::string& text);
  // A modifier change, as when Command or Shift is pressed or released alone.
  void flagsChanged(std::uint64_t flags);

  // The pointer. A press first moves the pointer there when it is elsewhere, so tracking areas see it
  // arrive; drags go to the window of the press.
  void moveMouse(const std::shared_ptr<Window>& window, Point at);
  void mouseDown(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags = 0,
                 int clickCount = 1);
  void mouseDragged(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags = 0);
  void mouseUp(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags = 0, int clickCount = 1);
  void click(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags = 0, int clickCount = 1);
  // Press at `from`, `steps` drag events evenly spaced up to `to`, release at `to`.
  void drag(const std::shared_ptr<Window>& window, Point from, Point to, int steps = 4);
  void rightClick(const std::shared_ptr<Window>& window, Point at, std::uint64_t flags = 0);
  void scroll(const std::shared_ptr<Window>& window, Point at, double deltaX, double deltaY);

  // Time, on the manual clock tests install.
  void advance(double ms);
  void runUntilIdle();

  // Any prepared event, through the same path.
  void post(const Event& event);

 private:
  void postMouse(EventType type, const std::shared_ptr<Window>& window, Point at, std::uint64_t flags,
                 int clicks);

  std::weak_ptr<Window> pointerWindow_;
  Point pointer_{-1e9, -1e9};
};

}  // namespace vl::ui
