#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace vl::x11 {

// One connection to an X server. Every X11 backend opens its own, so a slow clipboard owner never
// holds up a hot key and each thread keeps to its own connection.
//
// Opening the first connection installs process-wide handlers: a protocol error is logged (or taken
// by an X11ErrorTrap) instead of ending the program, and losing the server ends the program with a
// clear message instead of leaving threads spinning on a dead socket.
class X11Display {
 public:
  // An empty name means $DISPLAY. nullptr (logged) when no server answers.
  static std::unique_ptr<X11Display> open(const std::string& name);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  Display* get() const { return display_; }
  ::Window root() const { return DefaultRootWindow(display_); }
  const std::string& name() const { return name_; }

  // At most this many names are remembered: other clients (a clipboard owner offering thousands of
  // made-up targets, copy after copy) choose which atoms we are asked about.
  static constexpr std::size_t kMaxCachedAtoms = 1024;

  // Interned once per connection (while the cache has room); safe from any thread.
  Atom atom(const std::string& name);
  // "" for None or an unknown atom.
  std::string atomName(Atom atom);
  std::size_t cachedAtomCount();

 private:
  X11Display(Display* display, std::string name) : display_(display), name_(std::move(name)) {}
  void rememberLocked(Atom atom, const std::string& name) VL_REQUIRES(atomMutex_);

  Display* display_;
  std::string name_;
  Mutex atomMutex_;
  std::map<std::string, Atom> atoms_ VL_GUARDED_BY(atomMutex_);
  std::map<Atom, std::string> names_ VL_GUARDED_BY(atomMutex_);
};

// Takes the protocol errors of the requests a connection makes while the trap lives (on this or any
// thread), so a refused grab or a vanished window becomes a result instead of a log line.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request made so far; true when none of them failed.
  bool sync();
  // The first error code caught (0 when none), e.g. BadAccess for a key another client grabbed.
  int errorCode() const;

 private:
  Display* display_;
  unsigned long firstSerial_;
};

// Window properties that other clients set, read defensively: a missing window, a missing property or
// one of the wrong type gives nothing.
std::optional<long> cardinalProperty(X11Display& x, ::Window window, const char* name);
std::optional<::Window> windowProperty(X11Display& x, ::Window window, const char* name);
std::vector<::Window> windowListProperty(X11Display& x, ::Window window, const char* name);
std::vector<Atom> atomListProperty(X11Display& x, ::Window window, const char* name);
// WM_CLASS: (instance, class); empty strings when missing.
std::pair<std::string, std::string> windowClass(X11Display& x, ::Window window);
// Puts `width` x `height` 32-bit pixels (rows packed, in the visual's own order) at (x, y) of the
// drawable; false when Xlib could not describe them. The pixels stay the caller's.
bool putPixels(Display* display, Drawable drawable, GC gc, Visual* visual, int depth, std::uint32_t* pixels,
               int x, int y, int width, int height);
// The parent of a window; None for the root or a window that is gone.
::Window parentWindow(X11Display& x, ::Window window);

// The message written before the program ends because the display went away.
std::string connectionLostMessage(const std::string& displayName);

}  // namespace vl::x11
