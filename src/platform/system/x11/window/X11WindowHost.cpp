#include "platform/system/x11/window/X11WindowHost.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/foundation/Log.h"
#include "platform/system/x11/X11Settings.h"
#include "platform/system/x11/input/X11Focus.h"
#include "platform/system/x11/input/X11KeyMap.h"

namespace vl::x11 {

namespace {

// How long a request for the focus counts as on its way: a window manager answers within a moment, and
// one that never does must not keep our hidden windows from handing the focus back for good.
constexpr std::chrono::milliseconds kAskedFocusFresh{2000};

constexpr long kProxyEventMask = KeyPressMask | KeyReleaseMask | FocusChangeMask;
constexpr long kEventMask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                            ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                            FocusChangeMask | StructureNotifyMask;

// Bytes of a property of any type, at most `maxBytes`.
std::string propertyBytes(X11Display& x, ::Window window, const char* name, long maxBytes) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string out;
  X11ErrorTrap trap(x.get());
  if (XGetWindowProperty(x.get(), window, x.atom(name), 0, maxBytes / 4, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 8) {
    out.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data) XFree(data);
  return out;
}

std::vector<long> cardinals(X11Display& x, ::Window window, const char* name, long limit) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> out;
  X11ErrorTrap trap(x.get());
  if (XGetWindowProperty(x.get(), window, x.atom(name), 0, limit, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32) {
    const auto* v = reinterpret_cast<const long*>(data);
    out.assign(v, v + count);
  }
  if (data) XFree(data);
  return out;
}

struct CursorName {
  const char* toolkit;
  const char* css;
  const char* legacy;
  unsigned int shape;
};

constexpr CursorName kCursors[] = {
    {"arrow", "default", "left_ptr", XC_left_ptr},
    {"iBeam", "text", "xterm", XC_xterm},
    {"pointingHand", "pointer", "hand2", XC_hand2},
    {"openHand", "grab", "openhand", XC_fleur},
    {"closedHand", "grabbing", "closedhand", XC_fleur},
    {"crosshair", "crosshair", "cross", XC_crosshair},
    {"resizeLeftRight", "ew-resize", "sb_h_double_arrow", XC_sb_h_double_arrow},
    {"resizeUpDown", "ns-resize", "sb_v_double_arrow", XC_sb_v_double_arrow},
    {"operationNotAllowed", "not-allowed", "crossed_circle", XC_X_cursor},
};

}  // namespace

X11WindowHost::X11WindowHost(X11Display& display, Callbacks callbacks)
    : x_(display), callbacks_(std::move(callbacks)), sockets_(display, [this](int surface, ::Window window) {
        if (callbacks_.surfaceWindow) callbacks_.surfaceWindow(surface, window);
      }) {}

X11WindowHost::~X11WindowHost() {
  std::vector<int> numbers;
  for (auto& [n, w] : windows_) numbers.push_back(n);
  for (int n : numbers) destroy(n);
  for (auto& [name, c] : cursors_) XFreeCursor(x_.get(), c);
  if (timeWindow_ != None) XDestroyWindow(x_.get(), timeWindow_);
  if (im_) XCloseIM(im_);
}

void X11WindowHost::start() {
  Display* dpy = x_.get();
  XSetLocaleModifiers("");
  im_ = XOpenIM(dpy, nullptr, nullptr, nullptr);
  if (!im_) {
    XSetLocaleModifiers("@im=none");
    im_ = XOpenIM(dpy, nullptr, nullptr, nullptr);
  }
  if (!im_) logWarning("X11 windows: no input method; typed text comes without dead keys or compose");
  int error = 0;
  if (XRRQueryExtension(dpy, &randrEvent_, &error)) {
    XRRSelectInput(dpy, x_.root(),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  } else {
    randrEvent_ = -1;
    logWarning("X11 windows: no RandR; one screen the size of the root window");
  }
  int xiEvent = 0, major = 2, minor = 2;
  if (!XQueryExtension(dpy, "XInputExtension", &xiOpcode_, &xiEvent, &error) ||
      XIQueryVersion(dpy, &major, &minor) != Success || major * 10 + minor < 22) {
    xiOpcode_ = -1;
    logWarning("X11 windows: no XInput 2.2; the wheel scrolls in whole lines");
  } else {
    // Presses anywhere, for embedded pages: a click on one is what lets it take the keyboard.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask raw{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(dpy, x_.root(), &raw, 1);
  }
  int fixesError = 0;
  if (XFixesQueryExtension(dpy, &fixesEvent_, &fixesError)) {
    const Atom cm = x_.atom("_NET_WM_CM_S" + std::to_string(DefaultScreen(dpy)));
    XFixesSelectSelectionInput(dpy, x_.root(), cm,
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
  } else {
    fixesEvent_ = -1;
    logWarning(
        "X11 windows: no XFixes; a compositing manager started later leaves clear windows as they are");
  }
  compositing_ = compositing();
  int shapeEvent = 0;
  shapeExtension_ = XShapeQueryExtension(dpy, &shapeEvent, &error);
  XSelectInput(dpy, x_.root(), PropertyChangeMask | StructureNotifyMask);
  XkbSetDetectableAutoRepeat(dpy, True, nullptr);
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  timeWindow_ =
      XCreateWindow(dpy, x_.root(), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &attributes);
  readDesktop();
}

Time X11WindowHost::serverTime() {
  if (timeWindow_ == None) return lastTime_;
  // Appending nothing to a property still makes the server stamp a PropertyNotify with its current time.
  XChangeProperty(x_.get(), timeWindow_, x_.atom("_VELLISTO_TIME"), XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent e{};
  XIfEvent(
      x_.get(), &e,
      [](Display*, XEvent* ev, XPointer arg) -> Bool {
        return ev->type == PropertyNotify && ev->xproperty.window == *reinterpret_cast<::Window*>(arg);
      },
      reinterpret_cast<XPointer>(&timeWindow_));
  return e.xproperty.time;
}

bool X11WindowHost::compositing() const {
  const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(x_.get()));
  return XGetSelectionOwner(x_.get(), x_.atom(name)) != None;
}

::Window X11WindowHost::windowFor(int number) const {
  auto it = windows_.find(number);
  return it == windows_.end() ? None : it->second.id;
}

X11WindowHost::XWin* X11WindowHost::byId(::Window id) {
  if (id == None) return nullptr;
  for (auto& [n, w] : windows_) {
    if (w.id == id || w.focusProxy == id) return &w;
  }
  return nullptr;
}

X11WindowHost::XWin* X11WindowHost::byNumber(int number) {
  auto it = windows_.find(number);
  return it == windows_.end() || it->second.id == None ? nullptr : &it->second;
}

// --- the desktop ----------------------------------------------------------------------------------------

void X11WindowHost::readDesktop() {
  Display* dpy = x_.get();
  DesktopState s;
  const int screen = DefaultScreen(dpy);
  s.root = {0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};
  if (randrEvent_ >= 0) {
    int n = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(dpy, x_.root(), True, &n);
    for (int i = 0; monitors && i < n; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      s.monitors.push_back({{m.x, m.y, m.width, m.height}, m.primary != 0, x_.atomName(m.name)});
    }
    if (monitors) XRRFreeMonitors(monitors);
  }
  const auto area = cardinals(x_, x_.root(), "_NET_WORKAREA", 4 * 64);
  const auto desktop = cardinals(x_, x_.root(), "_NET_CURRENT_DESKTOP", 1);
  const std::size_t index = desktop.empty() || desktop[0] < 0 ? 0 : static_cast<std::size_t>(desktop[0]);
  if (area.size() >= 4 * (index + 1)) {
    s.workArea = PixelRect{area[4 * index], area[4 * index + 1], area[4 * index + 2], area[4 * index + 3]};
  }
  const ::Window owner = XGetSelectionOwner(dpy, x_.atom("_XSETTINGS_S" + std::to_string(screen)));
  if (owner != settingsOwner_ && owner != None) {
    X11ErrorTrap trap(dpy);
    XSelectInput(dpy, owner, PropertyChangeMask | StructureNotifyMask);
  }
  settingsOwner_ = owner;
  XSettings settings;
  if (owner != None) settings = parseXSettings(propertyBytes(x_, owner, "_XSETTINGS_SETTINGS", 1 << 16));
  const double dpi = xftDpiFromResources(propertyBytes(x_, x_.root(), "RESOURCE_MANAGER", 1 << 16));
  s.scale = backingScaleFor(settings, dpi);
  s.fontName = desktopFontName(settings);
  s.iconThemeName = desktopIconThemeName(settings);
  if (const std::string theme = stringSetting(settings, "Net/ThemeName"); !theme.empty()) s.themeName = theme;
  if (auto it = settings.find("Net/DoubleClickTime"); it != settings.end()) {
    if (const auto* v = std::get_if<std::int32_t>(&it->second); v && *v > 0 && *v < 5000) doubleClickMs_ = *v;
  }
  state_ = s;
  if (callbacks_.desktop) callbacks_.desktop(s);
}

// --- windows --------------------------------------------------------------------------------------------

void X11WindowHost::create(XWin& w) {
  Display* dpy = x_.get();
  const int screen = DefaultScreen(dpy);
  w.popup = w.traits.popup;
  XVisualInfo info{};
  w.argb = !w.traits.opaque && compositing() && XMatchVisualInfo(dpy, screen, 32, TrueColor, &info);
  XSetWindowAttributes a{};
  unsigned long mask = CWBackPixmap | CWBorderPixel | CWOverrideRedirect | CWEventMask | CWBitGravity;
  a.background_pixmap = None;
  a.border_pixel = 0;
  a.override_redirect = w.popup ? True : False;
  a.event_mask = kEventMask;
  a.bit_gravity = NorthWestGravity;
  if (w.argb) {
    w.visual = info.visual;
    w.depth = 32;
    w.colormap = XCreateColormap(dpy, x_.root(), w.visual, AllocNone);
    a.colormap = w.colormap;
    mask |= CWColormap;
  } else {
    w.visual = DefaultVisual(dpy, screen);
    w.depth = DefaultDepth(dpy, screen);
  }
  const PixelRect& f = w.traits.frame;
  w.id = XCreateWindow(dpy, x_.root(), static_cast<int>(f.x), static_cast<int>(f.y),
                       static_cast<unsigned>(f.width), static_cast<unsigned>(f.height), 0, w.depth,
                       InputOutput, w.visual, mask, &a);
  w.size = f;
  w.reparented = false;
  w.gc = XCreateGC(dpy, w.id, 0, nullptr);
  XSetWindowAttributes pa{};
  pa.event_mask = kProxyEventMask;
  w.focusProxy = XCreateWindow(dpy, w.id, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &pa);
  XMapWindow(dpy, w.focusProxy);
  if (im_) {
    w.xic = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, w.id,
                      XNFocusWindow, w.focusProxy, nullptr);
    long filter = 0;
    if (w.xic && !XGetICValues(w.xic, XNFilterEvents, &filter, nullptr)) {
      XSelectInput(dpy, w.id, kEventMask | filter);
      XSelectInput(dpy, w.focusProxy, kProxyEventMask | filter);
    }
  }
  if (xiOpcode_ >= 0 && !w.popup) {
    // Buttons and moves come through XInput2 instead of the core events, with the scroll valuators that
    // make smooth scrolling. Pop-ups keep the core events their pointer grab delivers.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_ButtonPress);
    XISetMask(bits, XI_ButtonRelease);
    XISetMask(bits, XI_Motion);
    XIEventMask xiMask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(dpy, w.id, &xiMask, 1);
  }
  applyProperties(w, nullptr);
  XDefineCursor(dpy, w.id, cursorNamed(cursorName_));
}

void X11WindowHost::applyProperties(XWin& w, const WindowTraits* old) {
  Display* dpy = x_.get();
  const WindowTraits& s = w.traits;
  if (!old) {
    // The instance in lower case, the class capitalised, as desktops match windows to their entry.
    XClassHint hint{const_cast<char*>("vellisto"), const_cast<char*>("Vellisto")};
    XSetClassHint(dpy, w.id, &hint);
    const long pid = getpid();
    XChangeProperty(dpy, w.id, x_.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    XChangeProperty(dpy, w.id, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(host), static_cast<int>(std::strlen(host)));
    Atom protocols[] = {x_.atom("WM_DELETE_WINDOW")};
    XSetWMProtocols(dpy, w.id, protocols, 1);
  }
  if (!old || old->title != s.title) {
    // A window a task switcher lists, without a name of its own, still tells whose it is; pop-ups and
    // panels are not listed and keep theirs.
    const bool listed = !s.popup && !s.panel;
    const std::string name = s.title.empty() && listed ? std::string("Vellisto") : s.title;
    XStoreName(dpy, w.id, name.c_str());
    XChangeProperty(dpy, w.id, x_.atom("_NET_WM_NAME"), x_.atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
  }
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = s.canBecomeKey ? True : False;
  XSetWMHints(dpy, w.id, &hints);
  XSizeHints size{};
  // Static gravity: the manager puts its frame around the window where it stands, rather than moving the
  // window down and right by its title bar and borders (the toolkit already keeps room for a title bar
  // above the content, and a window placed to fit the screen would otherwise hang off its bottom).
  size.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  size.win_gravity = StaticGravity;
  if (!s.resizable) {
    size.flags |= PMinSize | PMaxSize;
    size.min_width = size.max_width = static_cast<int>(s.frame.width);
    size.min_height = size.max_height = static_cast<int>(s.frame.height);
  }
  XSetWMNormalHints(dpy, w.id, &size);
  // Decorations only for titled windows: flags "decorations", then functions, decorations, input mode,
  // status.
  const long motif[5] = {2, 0, s.titled ? 1 : 0, 0, 0};
  XChangeProperty(dpy, w.id, x_.atom("_MOTIF_WM_HINTS"), x_.atom("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);
  const char* type = w.popup                  ? "_NET_WM_WINDOW_TYPE_POPUP_MENU"
                     : (s.panel || s.utility) ? "_NET_WM_WINDOW_TYPE_UTILITY"
                                              : "_NET_WM_WINDOW_TYPE_NORMAL";
  const long typeAtom = static_cast<long>(x_.atom(type));
  XChangeProperty(dpy, w.id, x_.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&typeAtom), 1);

  auto wanted = [](const WindowTraits& traits, bool popup) {
    std::vector<const char*> states;
    if (!popup && traits.floating) states.push_back("_NET_WM_STATE_ABOVE");
    if (traits.allSpaces) states.push_back("_NET_WM_STATE_STICKY");
    if (traits.panel) {
      states.push_back("_NET_WM_STATE_SKIP_TASKBAR");
      states.push_back("_NET_WM_STATE_SKIP_PAGER");
    }
    return states;
  };
  const auto now = wanted(s, w.popup);
  if (!w.mapped) {
    // Before mapping the window manager reads the property itself.
    std::vector<long> atoms;
    for (const char* state : now) atoms.push_back(static_cast<long>(x_.atom(state)));
    XChangeProperty(dpy, w.id, x_.atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
    if (s.allSpaces) {
      const long all = 0xFFFFFFFF;
      XChangeProperty(dpy, w.id, x_.atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&all), 1);
    }
  } else if (old) {
    const auto before = wanted(*old, w.popup);
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER"}) {
      auto has = [&](const std::vector<const char*>& list) {
        for (const char* c : list) {
          if (std::string(c) == state) return true;
        }
        return false;
      };
      if (has(before) != has(now)) sendState(w, state, has(now));
    }
  }
}

void X11WindowHost::sendState(XWin& w, const char* state, bool on) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w.id;
  e.xclient.message_type = x_.atom("_NET_WM_STATE");
  e.xclient.format = 32;
  e.xclient.data.l[0] = on ? 1 : 0;
  e.xclient.data.l[1] = static_cast<long>(x_.atom(state));
  e.xclient.data.l[3] = 1;
  XSendEvent(x_.get(), x_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void X11WindowHost::configure(const WindowTraits& traits) {
  XWin& w = windows_[traits.number];
  if (w.id == None) {
    w.traits = traits;
    create(w);
    return;
  }
  const WindowTraits old = w.traits;
  w.traits = traits;
  if (traits.frame != w.size) {
    XMoveResizeWindow(x_.get(), w.id, static_cast<int>(traits.frame.x), static_cast<int>(traits.frame.y),
                      static_cast<unsigned>(traits.frame.width), static_cast<unsigned>(traits.frame.height));
    w.size = traits.frame;
  }
  applyProperties(w, &old);
}

void X11WindowHost::show(int number, bool activate) {
  if (activate) ++focusRequests_;
  auto it = windows_.find(number);
  if (it == windows_.end()) return;
  if (it->second.id == None) {
    // Destroyed by another client since it last showed: a new X window takes its place.
    create(it->second);
    applyShape(it->second);
  }
  XWin* w = &it->second;
  // A window shown without the focus tells the window manager not to give it any on mapping. One shown
  // with it carries the server's time now: the request that shows it (a hot key, a click in another of
  // our connections) is newer than any event this connection saw, and a window manager that prevents
  // focus stealing compares that time with the last input to the window in front.
  if (activate) lastTime_ = serverTime();
  const long userTime = activate ? static_cast<long>(lastTime_) : 0;
  XChangeProperty(x_.get(), w->id, x_.atom("_NET_WM_USER_TIME"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&userTime), 1);
  XMapRaised(x_.get(), w->id);
  w->mapped = true;
  if (activate) focus(number);
}

void X11WindowHost::hide(int number) {
  XWin* w = byNumber(number);
  if (!w || !w->mapped) return;
  releaseGrab(*w);
  w->mapped = false;
  w->viewable = false;
  w->wantFocus = false;
  const bool hadFocus = focused_ == number;
  if (asked_ == number) asked_ = 0;
  XWithdrawWindow(x_.get(), w->id, DefaultScreen(x_.get()));
  if (!hadFocus) return;
  // Another of ours is taking it (the main window showing, or the window the user came from back in
  // front): handing the focus out now would race that request and could leave it with the application
  // behind.
  if (focusOnItsWay()) return;
  // The focus goes back where it came from, not to whatever the window manager picks (or nowhere).
  const ::Window previous = focusBeforeOurs();
  // Best effort: when the window manager refuses, it picks the focus itself.
  if (previous != None) (void)requestActivation(x_, previous, CurrentTime);
}

void X11WindowHost::syncWithServer() { XSync(x_.get(), False); }

void X11WindowHost::raise(int number) {
  if (XWin* w = byNumber(number); w && w->mapped) XRaiseWindow(x_.get(), w->id);
}

void X11WindowHost::lower(int number) {
  if (XWin* w = byNumber(number); w && w->mapped) XLowerWindow(x_.get(), w->id);
}

void X11WindowHost::focus(int number) {
  ++focusRequests_;
  XWin* w = byNumber(number);
  if (!w) return;
  ::Window active = activeWindow(x_);
  // A window manager publishes the active window in its own time: while the property still names one of
  // ours, the keyboard focus already elsewhere is where the user was (and where the paste must go).
  if (active == None || byId(active)) active = inputFocus(x_);
  if (active != None && !byId(active)) rememberFocusBeforeOurs(active);
  w->wantFocus = true;
  if (w->viewable) takeFocus(*w);
}

void X11WindowHost::takeFocus(XWin& w) {
  w.wantFocus = false;
  asked_ = w.traits.number;
  askedAt_ = std::chrono::steady_clock::now();
  if (!w.popup && windowManagerRunning(x_)) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w.id;
    e.xclient.message_type = x_.atom("_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;
    e.xclient.data.l[1] = static_cast<long>(lastTime_);
    XSendEvent(x_.get(), x_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  // Directly as well: without a window manager nobody else gives it, and pop-ups are not managed.
  X11ErrorTrap trap(x_.get());
  XSetInputFocus(x_.get(), focusTarget(w), RevertToParent, CurrentTime);
}

bool X11WindowHost::focusOnItsWay() {
  for (auto& [n, w] : windows_) {
    if (w.wantFocus && w.mapped) return true;
  }
  XWin* asked = byNumber(asked_);
  return asked && asked->mapped && std::chrono::steady_clock::now() - askedAt_ < kAskedFocusFresh;
}

bool X11WindowHost::tryGrab(XWin& w) {
  if (!w.grabbed) {
    w.grabbed = XGrabPointer(x_.get(), w.id, True,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                                 LeaveWindowMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  }
  if (w.traits.menu && !w.keyboardGrabbed) {
    w.keyboardGrabbed =
        XGrabKeyboard(x_.get(), w.id, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  }
  return w.grabbed && (!w.traits.menu || w.keyboardGrabbed);
}

void X11WindowHost::grab(XWin& w) {
  w.grabbed = w.keyboardGrabbed = false;
  grabRetryUntil_ = tryGrab(w) ? std::chrono::steady_clock::time_point{}
                               : std::chrono::steady_clock::now() + std::chrono::seconds(1);
  const int n = w.traits.number;
  grabs_.erase(std::remove(grabs_.begin(), grabs_.end(), n), grabs_.end());
  grabs_.push_back(n);
}

void X11WindowHost::retryGrab() {
  if (grabRetryUntil_ == std::chrono::steady_clock::time_point{} || grabs_.empty()) return;
  XWin* w = byNumber(grabs_.back());
  if (!w || !w->viewable) return;
  if (tryGrab(*w)) {
    grabRetryUntil_ = {};
    return;
  }
  if (std::chrono::steady_clock::now() < grabRetryUntil_) return;
  grabRetryUntil_ = {};
  if (!w->grabbed)
    logWarning("X11 windows: a pop-up could not hold the pointer; outside clicks will not close it");
  if (w->traits.menu && !w->keyboardGrabbed)
    logWarning("X11 windows: a menu could not hold the keyboard; use the pointer");
}

void X11WindowHost::releaseGrab(XWin& w) {
  const int n = w.traits.number;
  const bool wasNewest = !grabs_.empty() && grabs_.back() == n;
  grabs_.erase(std::remove(grabs_.begin(), grabs_.end(), n), grabs_.end());
  const bool held = w.grabbed || w.keyboardGrabbed;
  w.grabbed = w.keyboardGrabbed = false;
  if (!held || !wasNewest) return;
  while (!grabs_.empty()) {
    XWin* before = byNumber(grabs_.back());
    if (before && before->viewable) {
      grab(*before);
      return;
    }
    grabs_.pop_back();
  }
  XUngrabPointer(x_.get(), CurrentTime);
  XUngrabKeyboard(x_.get(), CurrentTime);
}

void X11WindowHost::present(PixelUpdate u) {
  XWin* w = byNumber(u.number);
  if (!w) return;
  Display* dpy = x_.get();
  if (u.shape && w->argb) w->shape = *u.shape;  // kept for a move back to a visual without alpha
  if (u.shape && shapeExtension_ && !w->argb && *u.shape != w->shape) {
    w->shape = *u.shape;
    if (w->shape.empty()) {
      XShapeCombineMask(dpy, w->id, ShapeBounding, 0, 0, None, ShapeSet);
    } else {
      std::vector<XRectangle> rects;
      for (const auto& r : w->shape) {
        rects.push_back({static_cast<short>(r.x), static_cast<short>(r.y),
                         static_cast<unsigned short>(r.width), static_cast<unsigned short>(r.height)});
      }
      XShapeCombineRectangles(dpy, w->id, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                              ShapeSet, YXBanded);
    }
  }
  const PixelRect& a = u.area;
  if (a.width <= 0 || a.height <= 0 || u.pixels.size() != static_cast<std::size_t>(a.width * a.height))
    return;
  if (!putPixels(dpy, w->id, w->gc, w->visual, w->depth, u.pixels.data(), static_cast<int>(a.x),
                 static_cast<int>(a.y), static_cast<int>(a.width), static_cast<int>(a.height)))
    logError("X11 windows: cannot describe the window's pixels to the server; frame dropped");
}

void X11WindowHost::release(XWin& w) {
  if (w.id == None) return;
  releaseGrab(w);
  if (w.xic) XDestroyIC(w.xic);
  if (w.gc) XFreeGC(x_.get(), w.gc);
  XDestroyWindow(x_.get(), w.id);
  if (w.colormap != None) XFreeColormap(x_.get(), w.colormap);
  w.xic = nullptr;
  w.gc = nullptr;
  w.id = None;
  w.focusProxy = None;
  w.colormap = None;
}

void X11WindowHost::lost(XWin& w) {
  const int number = w.traits.number;
  logWarningf("X11 windows: another client destroyed the window of window %d; it is made again when it shows",
              number);
  X11ErrorTrap trap(x_.get());
  releaseGrab(w);
  if (w.xic) XDestroyIC(w.xic);
  if (w.gc) XFreeGC(x_.get(), w.gc);
  if (w.colormap != None) XFreeColormap(x_.get(), w.colormap);
  trap.sync();
  w.xic = nullptr;
  w.gc = nullptr;
  w.colormap = None;
  w.id = None;
  w.focusProxy = None;
  w.mapped = w.viewable = w.wantFocus = false;
  if (focused_ == number) focused_ = 0;
  if (callbacks_.destroyed) callbacks_.destroyed(number);
}

void X11WindowHost::destroy(int number) {
  auto it = windows_.find(number);
  if (it == windows_.end()) return;
  // Its surfaces' windows go with it.
  sockets_.ownerGone(number);
  release(it->second);
  if (focused_ == number) focused_ = 0;
  windows_.erase(it);
}

void X11WindowHost::compositorChanged() {
  const bool now = compositing();
  if (now == compositing_) return;
  compositing_ = now;
  logf("X11 windows: a compositing manager %s; clear windows change their visual",
       now ? "started" : "stopped");
  for (auto& [n, w] : windows_) {
    if (w.id != None && !w.traits.opaque) recreate(w);
  }
}

void X11WindowHost::applyShape(XWin& w) {
  if (w.argb || !shapeExtension_ || w.shape.empty()) return;
  std::vector<XRectangle> rects;
  for (const auto& r : w.shape) {
    rects.push_back({static_cast<short>(r.x), static_cast<short>(r.y), static_cast<unsigned short>(r.width),
                     static_cast<unsigned short>(r.height)});
  }
  XShapeCombineRectangles(x_.get(), w.id, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                          ShapeSet, YXBanded);
}

// The visual of a window is fixed at its creation: a new window takes its place, mapped as it was, and
// the main thread is asked for all its pixels again.
void X11WindowHost::recreate(XWin& w) {
  const int number = w.traits.number;
  const bool mapped = w.mapped, focused = focused_ == number;
  release(w);
  w.mapped = w.viewable = false;
  create(w);
  applyShape(w);
  sockets_.ownerRemade(number, w.id);
  if (mapped) {
    XMapRaised(x_.get(), w.id);
    w.mapped = true;
    w.wantFocus = focused;
  }
  if (callbacks_.exposed) callbacks_.exposed(number);
}

// --- cursors --------------------------------------------------------------------------------------------

::Cursor X11WindowHost::cursorNamed(const std::string& name) {
  if (auto it = cursors_.find(name); it != cursors_.end()) return it->second;
  const CursorName* entry = nullptr;
  for (const auto& c : kCursors) {
    if (name == c.toolkit) entry = &c;
  }
  if (!entry) {
    logWarningf("X11 windows: no cursor \"%s\"; the arrow stands in", name.c_str());
    entry = &kCursors[0];
  }
  ::Cursor cursor = XcursorLibraryLoadCursor(x_.get(), entry->css);
  if (!cursor) cursor = XcursorLibraryLoadCursor(x_.get(), entry->legacy);
  if (!cursor) cursor = XCreateFontCursor(x_.get(), entry->shape);
  cursors_[name] = cursor;
  return cursor;
}

void X11WindowHost::setCursor(const std::string& name) {
  cursorName_ = name;
  const ::Cursor cursor = cursorNamed(name);
  for (auto& [n, w] : windows_) {
    if (w.id != None) XDefineCursor(x_.get(), w.id, cursor);
  }
}

}  // namespace vl::x11

namespace vl::x11 {

void X11WindowHost::placeSurface(const SurfacePlacement& placement) {
  XWin* w = byNumber(placement.owner);
  if (!w) return;
  SurfacePlacement p = placement;
  // The colour comes as 0xRRGGBB; a window of 32 bits wants it opaque.
  if (w->depth == 32) p.background |= 0xFF000000UL;
  sockets_.place(w->id, p);
}

void X11WindowHost::removeSurface(int surface) { sockets_.remove(surface); }

bool X11WindowHost::beginDrag(int number, std::vector<PasteboardItem> items, DragIconPixels icon) {
  XWin* w = byNumber(number);
  if (!w || w->id == None || !w->viewable) {
    logWarning("drag: the window is not on screen");
    return false;
  }
  return drag_.begin(w->id, lastTime_, std::move(items), std::move(icon), compositing());
}

}  // namespace vl::x11
