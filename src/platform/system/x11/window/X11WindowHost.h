#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"
#include "platform/system/x11/X11Display.h"
#include "platform/system/x11/window/X11DragSource.h"
#include "platform/system/x11/window/X11EmbedSockets.h"
#include "platform/system/x11/window/X11Screens.h"
#include "platform/system/x11/window/X11Scroll.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "platform/ui/view/Event.h"

namespace vl::x11 {

// What the X side needs to know of a toolkit window, copied on the main thread.
struct WindowTraits {
  int number = 0;
  // The client area, without the title bar the window manager draws.
  PixelRect frame;
  bool titled = false;
  bool resizable = false;
  // Above normal windows.
  bool floating = false;
  // A menu or popover: not managed, holds the pointer while shown.
  bool popup = false;
  // A menu: a pop-up that holds the keyboard too, so its keys reach it whoever has the focus.
  bool menu = false;
  bool utility = false;
  bool allSpaces = false;
  bool opaque = true;
  bool canBecomeKey = false;
  bool panel = false;
  std::string title;
  bool operator==(const WindowTraits&) const = default;
};

// Pixels for one window: `area` of its back buffer (window pixels, top-left origin), rows of ARGB32.
struct PixelUpdate {
  int number = 0;
  PixelRect area;
  std::vector<std::uint32_t> pixels;
  // The window's outline as rectangles, when it changed (only used without a compositing manager).
  std::optional<std::vector<PixelRect>> shape;
};

// The X side of the window server: owns the X windows of the toolkit's windows on one connection and
// turns that connection's events into toolkit events. Lives on the X11 event loop's thread and is only
// used there; what it learns goes out through the callbacks, which post to the main queue.
class X11WindowHost {
 public:
  struct Callbacks {
    // Input for a window (location in window points, bottom-left origin).
    std::function<void(int number, ui::Event event)> input;
    // The keyboard focus moved to one of our windows (its number) or away from all of them (0), as it
    // stands after the first `requests` focus requests (shows that activate, focus calls) were taken.
    std::function<void(int number, std::uint64_t requests)> focus;
    // The window manager moved or resized a window (root pixels of its client area).
    std::function<void(int number, PixelRect frame)> moved;
    std::function<void(int number)> exposed;
    std::function<void(int number)> closeRequested;
    // Another client destroyed the window's X window: it is off the screen, and is made again the next
    // time it shows.
    std::function<void(int number)> destroyed;
    // A click outside a pop-up that holds the pointer.
    std::function<void(int number)> outsideClick;
    std::function<void(DesktopState state)> desktop;
    // The child window of a native surface was made (or made anew), or went (None).
    std::function<void(int surface, ::Window window)> surfaceWindow;
  };

  X11WindowHost(X11Display& display, Callbacks callbacks);
  ~X11WindowHost();
  X11WindowHost(const X11WindowHost&) = delete;
  X11WindowHost& operator=(const X11WindowHost&) = delete;

  // Input method, screen change events, settings; publishes the first desktop state.
  void start();
  void handle(XEvent& event);
  // After each batch of events: the focus as it ended up.
  void afterEvents();

  void configure(const WindowTraits& traits);
  void show(int number, bool activate);
  void hide(int number);
  // Every request made so far has been taken by the server.
  void syncWithServer();
  void raise(int number);
  void lower(int number);
  void focus(int number);
  void present(PixelUpdate update);
  void destroy(int number);
  // A compositing manager started or stopped: clear windows move to the visual that now shows them.
  void compositorChanged();
  void setCursor(const std::string& name);
  // Drags the items out of the window whose press is still held; false when it cannot start.
  bool beginDrag(int number, std::vector<PasteboardItem> items, DragIconPixels icon = {});
  ::Window dragIconWindow() const { return drag_.iconWindow(); }
  // Native surfaces: child windows of a toplevel that another process draws into (X11EmbedSockets).
  void placeSurface(const SurfacePlacement& placement);
  void removeSurface(int surface);
  ::Window embeddedWindowOf(int surface) const { return sockets_.clientOf(surface); }

  const DesktopState& desktop() const { return state_; }
  bool compositing() const;
  // Our X window for a toolkit window number; None when it has none.
  ::Window windowFor(int number) const;

 private:
  struct XWin {
    ::Window id = None;
    // Where the keyboard focus is put: a child that covers nothing. With the focus on the window itself,
    // X hands a key to the deepest window under the pointer, and over a page that is the page's, which
    // has not been given the keyboard; with the focus here, keys come to us wherever the pointer is.
    ::Window focusProxy = None;
    WindowTraits traits;
    bool argb = false;
    bool popup = false;
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = None;
    GC gc = nullptr;
    XIC xic = nullptr;
    bool mapped = false;
    bool viewable = false;
    bool wantFocus = false;
    bool grabbed = false;
    bool keyboardGrabbed = false;
    // A window manager put it into a frame of its own: a real configure event's place is then the
    // frame's business, not the root's.
    bool reparented = false;
    PixelRect size;
    std::vector<PixelRect> shape;
  };

  XWin* byId(::Window id);
  XWin* byNumber(int number);
  void create(XWin& w);
  void release(XWin& w);
  void recreate(XWin& w);
  // The X window is gone (another client destroyed it): what was made with it goes, the rest is kept.
  void lost(XWin& w);
  void applyShape(XWin& w);
  void applyProperties(XWin& w, const WindowTraits* old);
  void sendState(XWin& w, const char* state, bool on);
  void takeFocus(XWin& w);
  // A window of ours asked for the focus and neither has it yet nor gave up waiting.
  bool focusOnItsWay();
  // The window that gets the keyboard focus when `w` takes it.
  static ::Window focusTarget(const XWin& w) { return w.focusProxy != None ? w.focusProxy : w.id; }
  // Pop-ups hold the pointer (menus the keyboard too) while shown; when one goes, the one shown before
  // it takes the grab back, so a parent menu still sees the outside click once its submenu closed.
  void grab(XWin& w);
  // True once the window holds all it asks for (the pointer, and the keyboard for a menu).
  bool tryGrab(XWin& w);
  void retryGrab();
  void releaseGrab(XWin& w);
  void readDesktop();
  Time serverTime();
  // Root and settings-owner events that change what the desktop tells us; true when it was one.
  bool desktopEvent(const XEvent& event);
  void windowEvent(XWin& w, XEvent& event);
  void configured(XWin& w, const XConfigureEvent& c);
  void reparented(XWin& w, const XReparentEvent& r);
  // A pointer event at (x, y) in the window and (rootX, rootY) on the root says where the window stands.
  void placeSeen(XWin& w, int x, int y, int rootX, int rootY);
  void tellPlace(XWin& w, const PixelRect& now);
  void focusChanged(XWin& w, const XFocusChangeEvent& f);
  void crossed(XWin& w, const XCrossingEvent& c);
  void key(XWin& w, XKeyEvent& e);
  void button(XWin& w, XButtonEvent& e);
  void motion(XWin& w, XMotionEvent& e);
  void inputTwo(XGenericEventCookie& cookie);
  void smoothScroll(XWin& w, const void* deviceEvent);
  // Learns a pointer device's scroll axes the first time it speaks.
  void learnDevice(int device);
  ui::Point pointIn(const XWin& w, int x, int y) const;
  Cursor cursorNamed(const std::string& name);

  X11Display& x_;
  Callbacks callbacks_;
  std::map<int, XWin> windows_;
  XIM im_ = nullptr;
  int randrEvent_ = -1;
  // XFixes selection events tell when a compositing manager starts or stops; -1 without XFixes.
  int fixesEvent_ = -1;
  bool compositing_ = false;
  // XInput2 (2.2 and up): pointer input with smooth scrolling; -1 without it.
  int xiOpcode_ = -1;
  SmoothScroll scroll_;
  bool shapeExtension_ = false;
  DesktopState state_;
  ::Window settingsOwner_ = None;
  int doubleClickMs_ = 400;
  Time lastTime_ = CurrentTime;
  // An unmapped window whose property changes give the server's current time.
  ::Window timeWindow_ = None;
  int focused_ = 0;
  int reportedFocus_ = -1;
  // The window of ours last asked to take the focus, until it has it, hides or the request is old: a
  // window of ours hidden meanwhile leaves the focus to it rather than to the application behind.
  int asked_ = 0;
  std::chrono::steady_clock::time_point askedAt_{};
  // Focus requests taken so far, and as many as the last report told of.
  std::uint64_t focusRequests_ = 0;
  std::uint64_t reportedRequests_ = 0;
  std::set<unsigned int> keysDown_;
  // Numbers of the pop-ups holding the grab, the newest last.
  std::vector<int> grabs_;
  // A pop-up shown while another client still holds the pointer or keyboard (the press on a tray
  // icon holds it until its release) asks again for a moment before it gives up.
  std::chrono::steady_clock::time_point grabRetryUntil_{};
  struct Click {
    unsigned int button = 0;
    Time time = 0;
    int x = 0, y = 0;
    int count = 0;
  } click_;
  X11DragSource drag_{x_};
  X11EmbedSockets sockets_;
  std::string cursorName_ = "arrow";
  std::map<std::string, Cursor> cursors_;
};

}  // namespace vl::x11
