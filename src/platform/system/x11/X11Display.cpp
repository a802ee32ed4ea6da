#include "platform/system/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/foundation/Log.h"

namespace vl::x11 {

namespace {

struct TrapState {
  Display* display;
  unsigned long firstSerial;
  int errorCode = 0;
};

// The traps alive now, on every connection; a leaf lock.
struct Traps {
  Mutex mutex;
  std::vector<TrapState> list VL_GUARDED_BY(mutex);
};

Traps& traps() {
  static Traps t;
  return t;
}

int onProtocolError(Display* display, XErrorEvent* error) {
  {
    Traps& all = traps();
    MutexLock lock(all.mutex);
    for (auto it = all.list.rbegin(); it != all.list.rend(); ++it) {
      if (it->display == display && error->serial >= it->firstSerial) {
        if (it->errorCode == 0) it->errorCode = error->error_code;
        return 0;
      }
    }
  }
  char text[128] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  logWarningf("X11: request %d.%d failed: %s (ignored)", error->request_code, error->minor_code, text);
  return 0;
}

int onConnectionLost(Display* display) {
  // Xlib ends the process when this returns anyway; leaving at once keeps other threads from using the
  // dead connection while static objects are torn down.
  logError(connectionLostMessage(display ? DisplayString(display) : ""));
  _exit(1);
}

void installHandlersOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(onProtocolError);
    XSetIOErrorHandler(onConnectionLost);
  });
}

}  // namespace

std::string connectionLostMessage(const std::string& displayName) {
  return "vellisto: lost the connection to the X display \"" + displayName + "\", exiting";
}

std::unique_ptr<X11Display> X11Display::open(const std::string& name) {
  installHandlersOnce();
  Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (!display) {
    logErrorf("X11: cannot open display \"%s\"", name.c_str());
    return nullptr;
  }
  return std::unique_ptr<X11Display>(new X11Display(display, DisplayString(display)));
}

X11Display::~X11Display() { XCloseDisplay(display_); }

Atom X11Display::atom(const std::string& name) {
  {
    MutexLock lock(atomMutex_);
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
  }
  const Atom a = XInternAtom(display_, name.c_str(), False);
  MutexLock lock(atomMutex_);
  rememberLocked(a, name);
  return a;
}

void X11Display::rememberLocked(Atom atom, const std::string& name) {
  if (atom == None || names_.size() >= kMaxCachedAtoms) return;
  atoms_.emplace(name, atom);
  names_.emplace(atom, name);
}

std::size_t X11Display::cachedAtomCount() {
  MutexLock lock(atomMutex_);
  return names_.size();
}

std::string X11Display::atomName(Atom atom) {
  if (atom == None) return {};
  {
    MutexLock lock(atomMutex_);
    auto it = names_.find(atom);
    if (it != names_.end()) return it->second;
  }
  X11ErrorTrap trap(display_);
  char* text = XGetAtomName(display_, atom);
  if (!text) return {};
  std::string name(text);
  XFree(text);
  MutexLock lock(atomMutex_);
  rememberLocked(atom, name);
  return name;
}

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display), firstSerial_(NextRequest(display)) {
  Traps& all = traps();
  MutexLock lock(all.mutex);
  all.list.push_back({display_, firstSerial_});
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(display_, False);
  Traps& all = traps();
  MutexLock lock(all.mutex);
  for (auto it = all.list.rbegin(); it != all.list.rend(); ++it) {
    if (it->display == display_ && it->firstSerial == firstSerial_) {
      all.list.erase(std::next(it).base());
      break;
    }
  }
}

bool X11ErrorTrap::sync() {
  XSync(display_, False);
  return errorCode() == 0;
}

int X11ErrorTrap::errorCode() const {
  Traps& all = traps();
  MutexLock lock(all.mutex);
  for (const auto& t : all.list) {
    if (t.display == display_ && t.firstSerial == firstSerial_) return t.errorCode;
  }
  return 0;
}

namespace {

// Format-32 items of the given type, at most `limit` of them.
std::vector<long> longsProperty(X11Display& x, ::Window window, const char* name, Atom type, long limit) {
  std::vector<long> values;
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  X11ErrorTrap trap(x.get());
  const int status = XGetWindowProperty(x.get(), window, x.atom(name), 0, limit, False, type, &actualType,
                                        &format, &count, &after, &data);
  if (status == Success && data && actualType == type && format == 32) {
    const auto* longs = reinterpret_cast<const long*>(data);
    values.assign(longs, longs + count);
  }
  if (data) XFree(data);
  return values;
}

}  // namespace

std::optional<long> cardinalProperty(X11Display& x, ::Window window, const char* name) {
  auto values = longsProperty(x, window, name, XA_CARDINAL, 1);
  if (values.empty()) return std::nullopt;
  return values.front();
}

std::optional<::Window> windowProperty(X11Display& x, ::Window window, const char* name) {
  auto values = longsProperty(x, window, name, XA_WINDOW, 1);
  if (values.empty() || values.front() == 0) return std::nullopt;
  return static_cast<::Window>(values.front());
}

std::vector<::Window> windowListProperty(X11Display& x, ::Window window, const char* name) {
  std::vector<::Window> windows;
  for (long v : longsProperty(x, window, name, XA_WINDOW, 4096)) windows.push_back(static_cast<::Window>(v));
  return windows;
}

std::vector<Atom> atomListProperty(X11Display& x, ::Window window, const char* name) {
  std::vector<Atom> atoms;
  for (long v : longsProperty(x, window, name, XA_ATOM, 4096)) atoms.push_back(static_cast<Atom>(v));
  return atoms;
}

std::pair<std::string, std::string> windowClass(X11Display& x, ::Window window) {
  XClassHint hint{};
  X11ErrorTrap trap(x.get());
  std::pair<std::string, std::string> result;
  if (XGetClassHint(x.get(), window, &hint)) {
    if (hint.res_name) result.first = hint.res_name;
    if (hint.res_class) result.second = hint.res_class;
  }
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return result;
}

bool putPixels(Display* display, Drawable drawable, GC gc, Visual* visual, int depth, std::uint32_t* pixels,
               int x, int y, int width, int height) {
  XImage* image =
      XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, reinterpret_cast<char*>(pixels),
                   static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
  if (!image) return false;
  XPutImage(display, drawable, gc, image, 0, 0, x, y, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  image->data = nullptr;  // the pixels are the caller's
  XDestroyImage(image);
  return true;
}

::Window parentWindow(X11Display& x, ::Window window) {
  ::Window root = None, parent = None;
  ::Window* children = nullptr;
  unsigned int count = 0;
  X11ErrorTrap trap(x.get());
  if (!XQueryTree(x.get(), window, &root, &parent, &children, &count)) return None;
  if (children) XFree(children);
  return parent == root ? None : parent;
}

}  // namespace vl::x11
