#include "support/X11TestSupport.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/dispatch/Dispatch.h"
#include "support/ProgramUnderTest.h"

extern char** environ;

namespace vl::x11test {

namespace {

using Clock = std::chrono::steady_clock;

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

int msSince(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits for a child with a real-time bound; kills it when it overstays. The exit status, or -1.
int waitChild(pid_t pid, int timeoutMs) {
  const auto start = Clock::now();
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (msSince(start) > timeoutMs) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Starts `args` from the search path with stdin and stderr on /dev/null, stdout on `out` (or /dev/null),
// and `closeInChild` closed in the child. The pid, or -1.
pid_t spawnQuiet(std::vector<std::string> args, int out = -1, int closeInChild = -1) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, closeInChild);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (out >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_addclose(&actions, out);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Reads `fd` until end of file, a newline when `untilNewline`, or `timeoutMs` of real time, and closes it.
std::string readAndClose(int fd, int timeoutMs, bool untilNewline) {
  std::string out;
  const auto start = Clock::now();
  while (!(untilNewline && out.find('\n') != std::string::npos) && msSince(start) < timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    out.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return out;
}

}  // namespace

XvfbServer& XvfbServer::shared() {
  static XvfbServer server;
  return server;
}

bool XvfbServer::tryDisplay(int number) {
  const std::string n = std::to_string(number);
  if (exists("/tmp/.X11-unix/X" + n) || exists("/tmp/.X" + n + "-lock")) return false;
  int fds[2];
  if (pipe(fds) != 0) return false;
  // The server writes its display number to this descriptor once it takes connections.
  std::vector<std::string> args{
      "Xvfb", ":" + n, "-screen",    "0",          "1280x800x24",         "-nolisten",
      "tcp",  "-ac",   "-terminate", "-displayfd", std::to_string(fds[1])};
  pid_ = spawnQuiet(args, -1, fds[0]);
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    skipReason_ = "Xvfb is not installed (scripts/setup installs it); X11 tests skipped";
    tried_ = true;
    return false;
  }
  // Ends early when the server gives up (another one took the display first).
  const std::string answer = readAndClose(fds[0], 15000, true);
  if (answer.find('\n') != std::string::npos) {
    display_ = ":" + n;
    // Held for the whole suite: with -terminate the server ends with its last client, so a test run
    // that dies never leaves it behind, but it must not end between two tests.
    keeper_ = XOpenDisplay(display_.c_str());
    if (keeper_) return true;
  }
  kill(pid_, SIGKILL);
  waitChild(pid_, 5000);
  pid_ = -1;
  display_.clear();
  return false;
}

const std::string& XvfbServer::displayName() {
  if (!display_.empty() || tried_) return display_;
  for (int number = 90; number < 190 && !tried_; ++number) {
    if (tryDisplay(number)) return display_;
  }
  if (display_.empty() && skipReason_.empty()) skipReason_ = "no Xvfb display could be started";
  tried_ = true;
  return display_;
}

void XvfbServer::stop() {
  if (keeper_) XCloseDisplay(keeper_);
  keeper_ = nullptr;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitChild(pid_, 5000);
  }
  pid_ = -1;
  display_.clear();
  tried_ = false;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto start = Clock::now();
  for (;;) {
    dispatch::MainLoop::runUntilIdle();
    if (condition()) return true;
    if (msSince(start) > timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool waitForEvent(Display* display, long mask, const std::function<bool(const XEvent&)>& match,
                  int timeoutMs) {
  const auto start = Clock::now();
  for (;;) {
    // Reads what the connection has; once nothing matches, poll sees only what comes later.
    XEvent event;
    while (XCheckMaskEvent(display, mask, &event)) {
      if (match(event)) return true;
    }
    const int left = timeoutMs - msSince(start);
    if (left <= 0) return false;
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, left);
  }
}

bool waitOnEvents(Display* display, long mask, const std::function<bool()>& condition, int timeoutMs) {
  const auto start = Clock::now();
  bool changed = true;
  for (;;) {
    if (changed && condition()) return true;
    // Asking may have read events of its own; any of them means asking again.
    XEvent event;
    changed = false;
    while (XCheckMaskEvent(display, mask, &event)) changed = true;
    if (changed) continue;
    const int left = timeoutMs - msSince(start);
    if (left <= 0) return condition();
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, left);
  }
}

namespace {

std::optional<::Window> windowOnProperty(Display* display, ::Window window, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<::Window> value;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False, XA_WINDOW, &type,
                         &format, &count, &after, &data) == Success &&
      data && count == 1 && format == 32)
    value = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return value;
}

}  // namespace

std::string textProperty(Display* display, ::Window window, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, AnyPropertyType,
                     &type, &format, &count, &after, &data);
  std::string out = data && format == 8 ? std::string(reinterpret_cast<char*>(data), count) : "";
  if (data) XFree(data);
  return out;
}

::Window findMappedWindow(Display* display, ::Window parent, const std::string& title, int minWidth) {
  ::Window root = 0, up = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
  ::Window found = None;
  for (unsigned int i = 0; i < count && found == None; ++i) {
    char* name = nullptr;
    XWindowAttributes a;
    if (XFetchName(display, children[i], &name) && name) {
      if (title == name && XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable &&
          a.width > minWidth)
        found = children[i];
      XFree(name);
    }
    if (found == None) found = findMappedWindow(display, children[i], title, minWidth);
  }
  if (children) XFree(children);
  return found;
}

bool windowManagerRuns(Display* display) {
  const auto check = windowOnProperty(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK");
  if (!check) return false;
  // The root may still name the check window of a manager that went away (an earlier test's): that
  // window being gone means none runs, not an X error that ends the test program.
  XSync(display, False);
  const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const bool runs = windowOnProperty(display, *check, "_NET_SUPPORTING_WM_CHECK") == check;
  XSync(display, False);
  XSetErrorHandler(previous);
  return runs;
}

bool windowManagerCaughtUp(Display* display, int timeoutMs) {
  if (!windowManagerRuns(display)) return true;
  const ::Window root = DefaultRootWindow(display);
  // Never mapped, so the manager keeps nothing of it once it answered.
  const ::Window asker = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(display, asker, PropertyChangeMask);
  const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = asker;
  e.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  e.xclient.format = 32;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(display);
  bool answered = false;
  const auto start = Clock::now();
  while (!answered) {
    // Only the asker's events are taken; others on the connection stay for their readers.
    XEvent event;
    while (!answered && XCheckTypedWindowEvent(display, asker, PropertyNotify, &event))
      answered = event.xproperty.atom == extents;
    const int left = timeoutMs - msSince(start);
    if (answered || left <= 0) break;
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, left);
  }
  XDestroyWindow(display, asker);
  XSync(display, False);
  return answered;
}

bool xclipSet(const std::string& display, const std::string& target, const std::string& data) {
  char path[] = "/tmp/vl-x11-test-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return false;
  const bool written = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
  close(fd);
  // xclip reads everything, then leaves a child behind that serves the selection.
  const pid_t pid =
      written ? spawnQuiet({"xclip", "-d", display, "-selection", "clipboard", "-t", target, "-i", path})
              : -1;
  const bool ok = pid > 0 && waitChild(pid, 10000) == 0;
  unlink(path);
  return ok;
}

std::optional<std::string> xclipGet(const std::string& display, const std::string& target) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  std::vector<std::string> args{"xclip", "-d", display, "-selection", "clipboard", "-o"};
  if (!target.empty()) args.insert(args.end(), {"-t", target});
  const pid_t pid = spawnQuiet(args, fds[1], fds[0]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return std::nullopt;
  }
  std::string out = readAndClose(fds[0], 10000, false);
  if (waitChild(pid, 2000) != 0) return std::nullopt;
  return out;
}

void X11Test::TearDownTestSuite() { XvfbServer::shared().stop(); }

void X11Test::SetUp() {
  display_ = XvfbServer::shared().displayName();
  if (display_.empty()) VL_SKIP_WITHOUT_DESKTOP(XvfbServer::shared().skipReason());
  dispatch::MainLoop::adoptCurrentThread();
  log_.emplace();
}

void ProgramKeysTest::SetUp() {
  X11Test::SetUp();
  if (IsSkipped() || HasFatalFailure()) return;
  if (!std::filesystem::exists(Program::path())) VL_SKIP_WITHOUT_DESKTOP("build the vellisto target first");
  keys_ = XOpenDisplay(display_.c_str());
  ASSERT_NE(keys_, nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(keys_, &event, &error, &major, &minor)) VL_SKIP_WITHOUT_DESKTOP("no XTest");
}

void ProgramKeysTest::TearDown() {
  if (keys_) XCloseDisplay(keys_);
}

void pressChord(Display* xtest, const std::vector<KeySym>& chord) {
  for (KeySym sym : chord) XTestFakeKeyEvent(xtest, XKeysymToKeycode(xtest, sym), True, CurrentTime);
  for (auto it = chord.rbegin(); it != chord.rend(); ++it)
    XTestFakeKeyEvent(xtest, XKeysymToKeycode(xtest, *it), False, CurrentTime);
  XSync(xtest, False);
}

void ProgramKeysTest::press(const std::vector<KeySym>& chord) { pressChord(keys_, chord); }

::Window ProgramKeysTest::focused() { return keyboardFocus(keys_); }

namespace {

// The window holding the input focus, and whether it covers nothing (InputOnly), as a focus proxy does.
std::pair<::Window, bool> inputFocus(Display* display) {
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  XWindowAttributes a{};
  return {focus, focus != None && focus != PointerRoot && XGetWindowAttributes(display, focus, &a) &&
                     a.c_class == InputOnly};
}

// The window a focus proxy stands for, its parent; the proxy itself when it stands alone.
::Window proxiedBy(Display* display, ::Window proxy) {
  ::Window root = None, parent = None, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, proxy, &root, &parent, &children, &count)) return proxy;
  if (children) XFree(children);
  return parent != None && parent != root ? parent : proxy;
}

}  // namespace

::Window keyboardFocus(Display* display) {
  const auto [focus, proxy] = inputFocus(display);
  return proxy ? proxiedBy(display, focus) : focus;
}

std::pair<std::string, std::string> windowClass(Display* display, ::Window window) {
  XClassHint hint{};
  if (window == None || window == PointerRoot || !XGetClassHint(display, window, &hint)) return {};
  std::pair<std::string, std::string> names{hint.res_name ? hint.res_name : "",
                                            hint.res_class ? hint.res_class : ""};
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return names;
}

bool isProgramWindow(Display* display, ::Window window) {
  return windowClass(display, window).first == "vellisto";
}

bool programHasKeyboard(Display* display) {
  const auto [focus, proxy] = inputFocus(display);
  if (!proxy) return false;
  const ::Window w = proxiedBy(display, focus);
  return w != focus && isProgramWindow(display, w);
}

bool programTakesKeys(Display* display, int timeoutMs) {
  const auto start = Clock::now();
  for (;;) {
    if (programHasKeyboard(display) && windowManagerCaughtUp(display, timeoutMs) &&
        programHasKeyboard(display))
      return true;
    if (msSince(start) > timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TestWindow::TestWindow(const std::string& display, const std::string& wmClass, std::optional<long> pid) {
  display_ = XOpenDisplay(display.c_str());
  if (!display_) return;
  window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0, 0, 0);
  XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
  if (!wmClass.empty()) {
    std::string instance = wmClass;
    for (char& c : instance) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    XClassHint hint{instance.data(), const_cast<char*>(wmClass.c_str())};
    XSetClassHint(display_, window_, &hint);
  }
  if (pid) {
    const long value = *pid;
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
  }
  XSync(display_, False);
}

TestWindow::~TestWindow() {
  if (!display_) return;
  XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False));
  XDestroyWindow(display_, window_);
  XSync(display_, False);
  // The next connection may get this window's id: the window manager must be done with this one first.
  windowManagerCaughtUp(display_);
  XCloseDisplay(display_);
}

void TestWindow::focus() {
  Display* d = display_;
  const ::Window root = DefaultRootWindow(d);
  constexpr long kMask = StructureNotifyMask | FocusChangeMask | PropertyChangeMask;
  XSelectInput(d, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
  // _NET_ACTIVE_WINDOW changes there.
  XSelectInput(d, root, PropertyChangeMask);
  XMapRaised(d, window_);
  XSync(d, False);
  waitOnEvents(d, kMask, [&] {
    XWindowAttributes a{};
    return XGetWindowAttributes(d, window_, &a) && a.map_state == IsViewable;
  });
  // A window manager is asked as a pager would, and acts on requests in order: once it names this
  // window active, whatever it decided about the window on mapping it is done.
  const bool managed = windowManagerRuns(d);
  if (managed) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window_;
    e.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  XSetInputFocus(d, window_, RevertToPointerRoot, CurrentTime);
  waitOnEvents(d, kMask, [&] {
    ::Window focused = None;
    int revert = 0;
    XGetInputFocus(d, &focused, &revert);
    return focused == window_ && (!managed || windowOnProperty(d, root, "_NET_ACTIVE_WINDOW") == window_);
  });
  XSelectInput(d, root, NoEventMask);
  XSync(d, False);
}

void TestWindow::makeActive() {
  const long value = static_cast<long>(window_);
  XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False),
                  XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
  XSync(display_, False);
}

namespace {

TestWindow::Key keyOf(Display* display, const XEvent& event) {
  const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(event.xkey.keycode), 0, 0);
  const unsigned int mods = event.xkey.state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
  return {event.type == KeyPress, keysym, mods};
}

}  // namespace

std::vector<TestWindow::Key> TestWindow::keys(std::size_t count, int timeoutMs) {
  std::vector<Key> keys;
  if (count == 0) return keys;
  waitForEvent(
      display_, KeyPressMask | KeyReleaseMask,
      [&](const XEvent& event) {
        keys.push_back(keyOf(display_, event));
        return keys.size() == count;
      },
      timeoutMs);
  return keys;
}

std::vector<TestWindow::Key> TestWindow::heard() {
  std::vector<Key> keys;
  // The server answers only after it sent this connection every event that came before.
  XSync(display_, False);
  XEvent event;
  while (XCheckMaskEvent(display_, KeyPressMask | KeyReleaseMask, &event)) {
    keys.push_back(keyOf(display_, event));
  }
  return keys;
}

DisplayHelper::DisplayHelper(const std::string& display, std::vector<std::string> arguments,
                             const std::function<bool(Display*)>& ready) {
  // The window manager, the tray and the other helpers are the machine's tools, not the program under
  // test: they read their own configuration and themes where the system keeps them, not in the tests'
  // empty desktop.
  std::vector<std::string> environment{"DISPLAY=" + display};
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    if (!entry.starts_with("DISPLAY=") && !entry.starts_with("XDG_DATA_DIRS=") &&
        !entry.starts_with("XDG_CONFIG_DIRS="))
      environment.emplace_back(entry);
  }
  std::vector<char*> argv, envp;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (pid_ <= 0) {
    failure_ = arguments[0] + " is not installed (scripts/setup installs it)";
    return;
  }
  Display* d = XOpenDisplay(display.c_str());
  const auto start = Clock::now();
  bool ok = false;
  while (d && !(ok = ready(d)) && msSince(start) < 15000 && waitpid(pid_, nullptr, WNOHANG) == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (d) XCloseDisplay(d);
  if (!ok) {
    failure_ = arguments[0] + " did not start on the test display";
    kill(pid_, SIGKILL);
    waitChild(pid_, 5000);
    pid_ = -1;
  }
}

DisplayHelper::~DisplayHelper() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitChild(pid_, 5000);
}

std::unique_ptr<DisplayHelper> DisplayHelper::windowManager(const std::string& display) {
  // It publishes its hints before it handles requests; its answer to one shows it does. No window is
  // mapped to find out: the manager, behind under load, would still be unmanaging it when a test's
  // window reused its id, and would move and unmap that window instead.
  return std::make_unique<DisplayHelper>(
      display, std::vector<std::string>{"openbox", "--sm-disable"},
      [](Display* d) { return windowManagerRuns(d) && windowManagerCaughtUp(d, 250); });
}

std::unique_ptr<DisplayHelper> DisplayHelper::compositor(const std::string& display) {
  return std::make_unique<DisplayHelper>(display, std::vector<std::string>{"xcompmgr"}, [](Display* d) {
    return XGetSelectionOwner(d, XInternAtom(d, "_NET_WM_CM_S0", False)) != None;
  });
}

void clickAt(Display* xtest, int rootX, int rootY, unsigned button) {
  XTestFakeMotionEvent(xtest, -1, rootX, rootY, CurrentTime);
  XTestFakeButtonEvent(xtest, button, True, CurrentTime);
  XTestFakeButtonEvent(xtest, button, False, CurrentTime);
  XSync(xtest, False);
}

bool clickProgram(Display* xtest, const Program& program, int rootX, int rootY, bool slides) {
  const std::size_t clicks = program.count(kClickHandled), rests = program.count(kCameToRest);
  clickAt(xtest, rootX, rootY);
  return program.logged(kClickHandled, clicks) && (!slides || program.logged(kCameToRest, rests));
}

void destroyWindowOfAnotherClient(const std::string& display, ::Window window) {
  Display* hostile = XOpenDisplay(display.c_str());
  ASSERT_NE(hostile, nullptr);
  XDestroyWindow(hostile, window);
  XSync(hostile, False);
  XCloseDisplay(hostile);
}

FakeOwner::FakeOwner(const std::string& display, Responder respond) : respond_(std::move(respond)) {
  display_ = XOpenDisplay(display.c_str());
  if (!display_) return;
  window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display_, XInternAtom(display_, "CLIPBOARD", False), window_, CurrentTime);
  XSync(display_, False);
  thread_ = std::thread([this] { run(); });
}

FakeOwner::~FakeOwner() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (display_) XCloseDisplay(display_);
}

void FakeOwner::run() {
  while (!stop_) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != SelectionRequest) continue;
      const XSelectionRequestEvent& request = event.xselectionrequest;
      char* name = XGetAtomName(display_, request.target);
      auto answer = respond_(name ? name : "");
      if (name) XFree(name);
      if (!answer) continue;  // leave the requestor waiting
      if (answer->first == "ATOM") {
        std::vector<long> atoms;
        std::size_t start = 0;
        while (start < answer->second.size()) {
          std::size_t end = answer->second.find('\n', start);
          if (end == std::string::npos) end = answer->second.size();
          atoms.push_back(static_cast<long>(
              XInternAtom(display_, answer->second.substr(start, end - start).c_str(), False)));
          start = end + 1;
        }
        XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
      } else {
        XChangeProperty(display_, request.requestor, request.property,
                        XInternAtom(display_, answer->first.c_str(), False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(answer->second.data()),
                        static_cast<int>(answer->second.size()));
      }
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = request.requestor;
      reply.xselection.selection = request.selection;
      reply.xselection.target = request.target;
      reply.xselection.property = request.property;
      reply.xselection.time = request.time;
      XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
      XFlush(display_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool writeScreenshot(const std::string& display, unsigned long window, const std::string& name) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  XWindowAttributes a{};
  XImage* image = XGetWindowAttributes(d, window, &a) && a.map_state == IsViewable
                      ? XGetImage(d, window, 0, 0, static_cast<unsigned>(a.width),
                                  static_cast<unsigned>(a.height), AllPlanes, ZPixmap)
                      : nullptr;
  bool written = false;
  if (image) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image->width, image->height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image->height; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
      for (int x = 0; x < image->width; ++x) row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y));
    }
    cairo_surface_mark_dirty(surface);
    const std::string folder = std::string(VL_BINARY_DIR) + "/gallery";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    written =
        cairo_surface_write_to_png(surface, (folder + "/" + name + ".png").c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    XDestroyImage(image);
  }
  XCloseDisplay(d);
  return written;
}

}  // namespace vl::x11test
