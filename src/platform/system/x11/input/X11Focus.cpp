#include "platform/system/x11/input/X11Focus.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace vl::x11 {

namespace {

// How often a wait for the focus asks for it while the window manager hands it elsewhere.
constexpr int kMaxActivationRequests = 4;
// How long a window manager that said it answers is waited for, after the focus arrived.
constexpr long long kCatchUpWaitMs = 500;

// The window that had the focus before ours took it; a leaf lock.
struct Memory {
  Mutex mutex;
  ::Window window VL_GUARDED_BY(mutex) = None;
};

Memory& memory() {
  static Memory m;
  return m;
}

// Whether `inner` is `outer` or lies inside it; the walk up is bounded against a hostile tree.
bool isOnOrIn(X11Display& x, ::Window inner, ::Window outer) {
  for (int depth = 0; inner != None && inner != PointerRoot && depth < 16; ++depth) {
    if (inner == outer) return true;
    inner = parentWindow(x, inner);
  }
  return false;
}

// Whether the window manager says it answers a request for a window's frame extents.
bool windowManagerAnswersExtents(X11Display& x) {
  const std::vector<Atom> supported = atomListProperty(x, x.root(), "_NET_SUPPORTED");
  return std::find(supported.begin(), supported.end(), x.atom("_NET_REQUEST_FRAME_EXTENTS")) !=
         supported.end();
}

// Whether the window manager answered a request made now (the frame extents of a window it never
// manages) within `waitMs`: it handles what it hears in order, so by then it has acted on everything it
// heard before, the focus it moves when a window of ours goes included. Other events stay queued.
bool windowManagerCaughtUp(X11Display& x, int waitMs) {
  Display* d = x.get();
  if (!windowManagerAnswersExtents(x)) return false;
  const ::Window asker = XCreateSimpleWindow(d, x.root(), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(d, asker, PropertyChangeMask);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = asker;
  request.xclient.message_type = x.atom("_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(d, x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(d);
  const Atom extents = x.atom("_NET_FRAME_EXTENTS");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  bool answered = false;
  while (!answered) {
    XEvent e;
    while (!answered && XCheckTypedWindowEvent(d, asker, PropertyNotify, &e))
      answered = e.xproperty.atom == extents;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (answered || left.count() <= 0) break;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
  XDestroyWindow(d, asker);
  XFlush(d);
  return answered;
}

}  // namespace

void rememberFocusBeforeOurs(::Window window) {
  Memory& kept = memory();
  MutexLock lock(kept.mutex);
  kept.window = window;
}

::Window focusBeforeOurs() {
  Memory& kept = memory();
  MutexLock lock(kept.mutex);
  return kept.window;
}

::Window inputFocus(X11Display& x) {
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(x.get(), &focus, &revert);
  if (focus == PointerRoot || focus == x.root()) return None;
  return focus;
}

bool focusIsOnOrIn(X11Display& x, ::Window window) { return isOnOrIn(x, inputFocus(x), window); }

::Window activeWindow(X11Display& x) {
  if (auto active = windowProperty(x, x.root(), "_NET_ACTIVE_WINDOW")) return *active;
  return inputFocus(x);
}

bool windowManagerRunning(X11Display& x) {
  auto check = windowProperty(x, x.root(), "_NET_SUPPORTING_WM_CHECK");
  if (!check) return false;
  // A stale property of a window manager that has gone names a window that no longer exists.
  auto self = windowProperty(x, *check, "_NET_SUPPORTING_WM_CHECK");
  return self && *self == *check;
}

bool requestActivation(X11Display& x, ::Window window, Time time) {
  if (window == None) return false;
  XWindowAttributes attributes{};
  {
    X11ErrorTrap trap(x.get());
    if (!XGetWindowAttributes(x.get(), window, &attributes) || !trap.sync()) return false;
  }
  if (attributes.map_state != IsViewable) return false;
  if (windowManagerRunning(x)) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = x.atom("_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;
    e.xclient.data.l[1] = static_cast<long>(time);
    XSendEvent(x.get(), x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  X11ErrorTrap trap(x.get());
  XSetInputFocus(x.get(), window, RevertToParent, time);
  XFlush(x.get());
  return true;
}

bool activateWindowAndWait(X11Display& x, ::Window window, Time time, int waitMs) {
  if (window == None) return false;
  Display* d = x.get();
  const bool managed = windowManagerRunning(x);
  auto arrived = [&] {
    if (!focusIsOnOrIn(x, window)) return false;
    if (!managed) return true;
    const auto active = windowProperty(x, x.root(), "_NET_ACTIVE_WINDOW");
    return active && (isOnOrIn(x, window, *active) || isOnOrIn(x, *active, window));
  };
  if (arrived()) return true;

  // Selected before asking, so no change after the first look can pass unseen.
  {
    X11ErrorTrap trap(d);
    XSelectInput(d, window, FocusChangeMask | StructureNotifyMask);
    if (!trap.sync()) return false;
  }
  XSelectInput(d, x.root(), PropertyChangeMask);
  bool back = false;
  if (requestActivation(x, window, time)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    const Atom activeAtom = x.atom("_NET_ACTIVE_WINDOW");
    bool gone = false;
    int asked = 1;
    for (;;) {
      bool activeMoved = false;
      // Only what has come in so far: a client that keeps changing the focus or the active window
      // would keep a drain to empty going for ever.
      for (int queued = XEventsQueued(d, QueuedAfterReading); queued > 0; --queued) {
        XEvent e;
        XNextEvent(d, &e);
        gone = gone || ((e.type == UnmapNotify || e.type == DestroyNotify) && e.xany.window == window);
        activeMoved = activeMoved || (e.type == PropertyNotify && e.xproperty.atom == activeAtom);
      }
      if (gone) break;
      // Every way round the loop passes here: a client that keeps taking the focus back, and with it
      // the window manager's word, cannot hold the paste past the bound.
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        back = focusIsOnOrIn(x, window);
        break;
      }
      if (arrived()) {
        // The window manager may still act on what it heard before it granted the request (a window of
        // ours that just went, whose focus it hands on): arrived counts once it caught up and the focus
        // is still there; a window manager that never answers the question leaves the arrival as seen.
        if (!managed ||
            !windowManagerCaughtUp(x, static_cast<int>(std::min<long long>(left.count(), kCatchUpWaitMs))) ||
            arrived()) {
          back = true;
          break;
        }
        if (asked < kMaxActivationRequests) {
          ++asked;
          if (!requestActivation(x, window, time)) break;
        }
        continue;
      }
      // A window of ours that just went away leaves the window manager to choose where the focus falls,
      // and it may do so after it granted our request, taking the focus to another window of ours: the
      // request is made again then, a few times at most.
      if (activeMoved && asked < kMaxActivationRequests) {
        ++asked;
        if (!requestActivation(x, window, time)) break;
        continue;
      }
      // Looking is a round trip, which may have queued events of its own: those are looked at first.
      if (XQLength(d) > 0) continue;
      const auto rest =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{ConnectionNumber(d), POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::max<long long>(rest.count(), 0)));
    }
  }
  {
    X11ErrorTrap trap(d);
    XSelectInput(d, window, NoEventMask);
    XSelectInput(d, x.root(), NoEventMask);
    trap.sync();
  }
  XSync(d, True);
  return back;
}

}  // namespace vl::x11
