#pragma once

// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/RequiredDesktop.h"
#include "support/TestSupport.h"

// Everything the X11 backend tests share: a private Xvfb server, the xclip tool, test clients that play
// other applications, and waiting in real time (the X server does not follow the program's clock).
namespace vl::x11test {

// A private X server on the first free display from :90 upward. Skips when Xvfb is not installed.
class XvfbServer {
 public:
  static XvfbServer& shared();
  // Starts the server on first use; "" when it could not be started (reason in skipReason()).
  const std::string& displayName();
  const std::string& skipReason() const { return skipReason_; }
  void stop();

 private:
  bool tryDisplay(int number);

  pid_t pid_ = -1;
  std::string display_;
  std::string skipReason_;
  bool tried_ = false;
  Display* keeper_ = nullptr;
};

// Runs the main loop until `condition` holds or `timeoutMs` of real time pass; true when it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000);

// The window as the X server shows it, with what other programs draw in its child windows (a web page),
// written to ${VL_BINARY_DIR}/gallery/<name>.png for a person to look at. False when it could not be
// taken or written.
bool writeScreenshot(const std::string& display, unsigned long window, const std::string& name);

// xclip against the test display. Setting returns once xclip has started serving in the background.
bool xclipSet(const std::string& display, const std::string& target, const std::string& data);
std::optional<std::string> xclipGet(const std::string& display, const std::string& target = "");

// Waits on `display` for an event of `mask` that `match` accepts; those of `mask` it passes over are
// dropped, others stay queued. At most `timeoutMs` of real time.
bool waitForEvent(Display* display, long mask, const std::function<bool(const XEvent&)>& match,
                  int timeoutMs = 30000);
// Looks at `condition` and again each time events of `mask` arrive on `display` (they are dropped),
// until it holds or `timeoutMs` of real time pass. The events must be those that change its answer.
bool waitOnEvents(Display* display, long mask, const std::function<bool()>& condition, int timeoutMs = 30000);
// The window holding the keyboard focus as a user sees it. The program keeps the focus on a child of its
// window that covers nothing (its focus proxy); that counts as the window itself.
::Window keyboardFocus(Display* display);
// The window's WM_CLASS: its instance name and class name; empty when it has none.
std::pair<std::string, std::string> windowClass(Display* display, ::Window window);
// Whether the window is one of the real program's (of instance name "vellisto").
bool isProgramWindow(Display* display, ::Window window);
// Whether the keyboard focus is on the focus proxy of a window of the real program: keys pressed now
// reach that window whatever lies under the pointer.
bool programHasKeyboard(Display* display);
// Waits until keys typed next reach the program: the window manager has done what it was asked before
// (it puts the focus on a window itself, which then hands keys to a page under the pointer, until the
// program moves it on to its proxy), and the program has the keyboard. False after `timeoutMs`.
bool programTakesKeys(Display* display, int timeoutMs = 30000);
// Whether a window manager that follows the extended hints runs on the display.
bool windowManagerRuns(Display* display);
// The mapped window titled so, at any depth (a window manager reparents); None when absent. Windows at
// most `minWidth` wide do not count: the tray icon carries the program's name too.
::Window findMappedWindow(Display* display, ::Window parent, const std::string& title, int minWidth = 100);
// The text of a window property (8-bit formats, as UTF-8 is); "" when absent.
std::string textProperty(Display* display, ::Window window, const char* name);
// Returns once the window manager has dealt with everything the server told it before: it handles
// events in order and answers a _NET_REQUEST_FRAME_EXTENTS, so its answer comes after all it decided
// about windows mapped, focused or destroyed earlier. True at once when none runs; false when it did
// not answer within `timeoutMs` of real time.
bool windowManagerCaughtUp(Display* display, int timeoutMs = 10000);

// Log lines written while a LogCapture lives (from any thread).
class LogCapture : public vl::test::LogCapture {
 public:
  std::vector<std::string> lines() const { return take(); }
};

// The base of the X11 tests: a server for the whole suite, the main thread adopted, logs captured.
class X11Test : public ::testing::Test {
 protected:
  static void TearDownTestSuite();
  void SetUp() override;
  std::string display_;
  std::optional<LogCapture> log_;
};

// Presses the keys through XTest in order and lets them go in reverse; returns once the server has them.
void pressChord(Display* xtest, const std::vector<KeySym>& chord);

// A road test that drives the built program with keys sent through XTest on a connection of its own.
class ProgramKeysTest : public X11Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Presses the keys in order and lets them go in reverse.
  void press(const std::vector<KeySym>& chord);
  ::Window focused();
  Display* keys_ = nullptr;
};

// A top-level window of a test client that plays another application: it can take the focus, record
// key events, and carry a class and a process id.
class TestWindow {
 public:
  explicit TestWindow(const std::string& display, const std::string& wmClass = "",
                      std::optional<long> pid = std::nullopt);
  ~TestWindow();
  ::Window id() const { return window_; }
  Display* display() const { return display_; }
  // Maps the window and gives it the input focus; under a window manager, returns once the manager
  // names it the active window too, so none of its own focus decisions is still to come.
  void focus();
  // Publishes the window as the window manager's active window.
  void makeActive();
  struct Key {
    bool press;
    KeySym keysym;
    unsigned int state;
    bool operator==(const Key&) const = default;
  };
  // The next `count` key events, waiting up to `timeoutMs`.
  std::vector<Key> keys(std::size_t count, int timeoutMs = 20000);
  // The key events the window was sent for every key the server handled so far, at once: keys pressed
  // through XTest before (the window's share of a hot key, of a menu's keys) are all among them.
  std::vector<Key> heard();

 private:
  Display* display_ = nullptr;
  ::Window window_ = 0;
};

// A program run against the test display for one test (a window manager, a compositing manager), ended
// when the object goes. Skips the test when the program is not installed or never becomes ready.
class DisplayHelper {
 public:
  // `ready` is asked of a connection of the helper's own until it holds.
  DisplayHelper(const std::string& display, std::vector<std::string> arguments,
                const std::function<bool(Display*)>& ready);
  ~DisplayHelper();
  bool running() const { return pid_ > 0; }
  const std::string& failure() const { return failure_; }

  // openbox, ready once it publishes _NET_SUPPORTING_WM_CHECK and answers requests.
  static std::unique_ptr<DisplayHelper> windowManager(const std::string& display);
  // xcompmgr, ready once it owns _NET_WM_CM_S0.
  static std::unique_ptr<DisplayHelper> compositor(const std::string& display);

 private:
  pid_t pid_ = -1;
  std::string failure_;
};

class Program;
// What the real program (at VELLISTO_LOG=debug) logs once it dealt with the release of a left click, and
// once a sheet or an alert that slides came to rest (clicks reach it only then).
inline constexpr const char* kClickHandled = "click: LeftMouseUp";
inline constexpr const char* kCameToRest = "came to rest";
// A press and release of `button` through XTest at a point of the root window; returns once the server
// has them.
void clickAt(Display* xtest, int rootX, int rootY, unsigned button = Button1);
// A left click through XTest at a point of the root window, returning once `program` says it dealt with
// it, and when the click `slides` a sheet or an alert in or out, once that came to rest too. A window
// manager holds a click until it has looked at it while keys pass straight on, so keys typed after a
// click wait for this. False when the program did not say so in time.
bool clickProgram(Display* xtest, const Program& program, int rootX, int rootY, bool slides = false);

// Another client that does what X allows any client to do to our windows: destroy them. Returns once
// the server has done it.
void destroyWindowOfAnotherClient(const std::string& display, ::Window window);

// A client that owns CLIPBOARD and answers requests as told: `respond(target)` gives (type, data), or
// nullopt to leave the request unanswered. Type "ATOM" sends the newline-separated names as atoms.
class FakeOwner {
 public:
  using Responder = std::function<std::optional<std::pair<std::string, std::string>>(const std::string&)>;
  FakeOwner(const std::string& display, Responder respond);
  ~FakeOwner();

 private:
  void run();
  Display* display_ = nullptr;
  ::Window window_ = 0;
  Responder respond_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vl::x11test
