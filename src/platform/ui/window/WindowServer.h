#pragma once

#include <memory>
#include <optional>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

class Cursor;
class Window;

// What changed on a window, for its peer to bring to the screen.
namespace WindowChange {
constexpr unsigned Frame = 1 << 0;
constexpr unsigned Level = 1 << 1;
constexpr unsigned Alpha = 1 << 2;
constexpr unsigned Style = 1 << 3;
constexpr unsigned Title = 1 << 4;
constexpr unsigned CollectionBehavior = 1 << 5;
// Background colour, opacity or shadow.
constexpr unsigned Appearance = 1 << 6;
}  // namespace WindowChange

// A window's twin on a real display. The window creates it when it is first ordered on screen and owns it;
// the peer reads the window's state when told something changed. Main thread only.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;
  // The window came on screen or in front of the others of its level.
  virtual void orderFront() = 0;
  virtual void orderBack() = 0;
  virtual void orderOut() = 0;
  // WindowChange bits.
  virtual void changed(unsigned what) = 0;
  // Views need drawing: `dirty` in window coordinates, or the whole window.
  virtual void setNeedsDisplay(std::optional<Rect> dirty) = 0;
  // The window became key: the keyboard focus should come to it.
  virtual void becameKey() = 0;
};

// Makes toolkit windows real. Installed once at start by a desktop backend; with none installed windows
// only record their display lists (headless, what unit tests use). Main thread only.
class WindowServer {
 public:
  virtual ~WindowServer() = default;

  // nullptr when headless.
  static WindowServer* installed();
  // nullptr goes back to headless. Windows already on screen keep the peers they have.
  static void install(std::shared_ptr<WindowServer> server);

  virtual std::unique_ptr<WindowPeer> createPeer(Window& window) = 0;
  // The current cursor changed.
  virtual void cursorChanged(const Cursor& cursor) = 0;
  // Returns once what the windows were told so far has reached the display server (a window ordered
  // out is withdrawn there), so a request another connection makes next comes after it; false when that
  // took longer than `waitMs`.
  virtual bool flushToDisplay(int waitMs) {
    (void)waitMs;
    return true;
  }
};

// Posted on the default notification centre (object: nullptr) when a backend replaced the screens.
inline constexpr const char* kApplicationDidChangeScreenParametersNotification =
    "NSApplicationDidChangeScreenParametersNotification";

}  // namespace vl::ui
