// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "support/ProgramUnderTest.h"
#include "support/StandInTray.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

struct Spot {
  int x, y;
};
// The main window: the pin tab bar's "+" while only the clipboard tab is there, then the first pin tab
// in its place; a panel's navigation bar's right item (OK).
constexpr Spot kAddPinTab{135, 20}, kFirstPinTab{175, 20}, kPanelRightItem{485, 22};
constexpr int kSlideMs = 800;

// Roads of placement through the assembled program under a window manager: where menus open, and where
// windows that open at a place of their own come to stand.
class PlaceRoadsX11Test : public ProgramKeysTest {
 protected:
  void SetUp() override {
    ProgramKeysTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    handlerSet_ = true;
    wm_ = DisplayHelper::windowManager(display_);
    if (!wm_ || !wm_->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  }
  void TearDown() override {
    program_.reset();
    tray_.reset();
    if (handlerSet_) XSetErrorHandler(previousHandler_);
    ProgramKeysTest::TearDown();
  }

  void start(std::vector<std::string> environment = {}) {
    tray_.emplace(display_, 0xececec, 0, 0);
    environment.push_back("VELLISTO_LOG=debug");
    program_.emplace(root_.path(), display_, environment);
    ASSERT_TRUE(program_->started());
    ASSERT_NE(tray_->accept(20000), None) << program_->errors();
    ASSERT_TRUE(waitUntil([&] { return program_->count("start-up: launching finished") == 1; }, 20000))
        << program_->errors();
  }
  void keys(const std::vector<KeySym>& chord) {
    press(chord);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  void type(const std::string& text) {
    for (char c : text) keys({static_cast<KeySym>(c)});
  }
  void click(int x, int y, unsigned button = Button1, int settleMs = 300) {
    XTestFakeMotionEvent(keys_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(keys_, button, True, CurrentTime);
    XTestFakeButtonEvent(keys_, button, False, CurrentTime);
    XSync(keys_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
  }
  std::pair<int, int> onRoot(::Window w, Spot at) {
    int x = 0, y = 0;
    ::Window child = None;
    XTranslateCoordinates(keys_, w, DefaultRootWindow(keys_), at.x, at.y, &x, &y, &child);
    return {x, y};
  }
  void click(::Window w, Spot at, unsigned button = Button1, int settleMs = 300) {
    auto [x, y] = onRoot(w, at);
    click(x, y, button, settleMs);
  }
  ::Window window(const std::string& title, int timeoutMs = 15000) {
    ::Window found = None;
    waitUntil([&] { return (found = findMappedWindow(keys_, DefaultRootWindow(keys_), title)) != None; },
              timeoutMs);
    return found;
  }
  std::string focusedTitle() {
    for (::Window w = focused(); w != None && w != PointerRoot;) {
      char* name = nullptr;
      if (XFetchName(keys_, w, &name) && name) {
        std::string title = name;
        XFree(name);
        return title;
      }
      ::Window root = None, parent = None, *children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(keys_, w, &root, &parent, &children, &count)) break;
      if (children) XFree(children);
      if (parent == root) break;
      w = parent;
    }
    return "";
  }
  bool showMain() {
    press({XK_Control_L, XK_Alt_L, XK_v});
    return window("Vellisto") != None && waitUntil([&] { return focusedTitle() == "Vellisto"; });
  }
  // Our menus on screen: the override-redirect windows mapped since `before` was taken, with their place
  // on the root.
  struct Popup {
    ::Window id;
    XWindowAttributes a;
  };
  std::vector<Popup> popups(const std::vector<Popup>& before = {}) {
    std::vector<Popup> found;
    ::Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(keys_, DefaultRootWindow(keys_), &root, &up, &children, &count)) return found;
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes a;
      const bool old =
          std::any_of(before.begin(), before.end(), [&](const Popup& p) { return p.id == children[i]; });
      if (!old && XGetWindowAttributes(keys_, children[i], &a) && a.map_state == IsViewable &&
          a.override_redirect)
        found.push_back({children[i], a});
    }
    if (children) XFree(children);
    return found;
  }
  // The status menu's Preferences: a click on the tray icon, then the keys a user would press.
  ::Window openPreferences() {
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
      std::optional<std::pair<int, int>> centre;
      if (!waitUntil([&] { return (centre = tray_->iconCentre()).has_value(); })) break;
      const std::vector<Popup> before = popups();
      click(centre->first, centre->second);
      opened = waitUntil([&] { return !popups(before).empty(); }, 2000);
    }
    EXPECT_TRUE(opened) << program_->errors();
    // The menu takes the keyboard just after it shows: keys before that would go elsewhere.
    EXPECT_TRUE(waitUntil([&] {
      const int grabbed =
          XGrabKeyboard(keys_, DefaultRootWindow(keys_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
      if (grabbed == GrabSuccess) XUngrabKeyboard(keys_, CurrentTime);
      XSync(keys_, False);
      return grabbed == AlreadyGrabbed;
    }));
    for (int i = 0; i < 5; ++i) keys({XK_Down});
    keys({XK_Return});
    return window("Vellisto Preferences");
  }
  // The window as it stands on screen with what the window manager put around it.
  struct Outer {
    int x = 0, y = 0, width = 0, height = 0;
    int bottom() const { return y + height; }
  };
  Outer outerOf(::Window w) {
    ::Window top = w;
    for (;;) {
      ::Window root = None, parent = None, *children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(keys_, top, &root, &parent, &children, &count)) break;
      if (children) XFree(children);
      if (parent == root || parent == None) break;
      top = parent;
    }
    XWindowAttributes a{};
    XGetWindowAttributes(keys_, top, &a);
    return {a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width};
  }
  bool pinTabNamed(const std::string& name) {
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(program_->home() + "/.vellisto/pin", error)) {
      if (entry.path().filename().string().find("._." + name + "._.") != std::string::npos) return true;
    }
    return false;
  }

  XErrorHandler previousHandler_ = nullptr;
  bool handlerSet_ = false;
  std::unique_ptr<DisplayHelper> wm_;
  test::TempDir root_{"vl-placeroads"};
  std::optional<StandInTray> tray_;
  std::optional<Program> program_;
};

// A window manager that reparents the main window into a frame it places only afterwards, with no word
// to the window (it ends where it asked to be): the window's own configure event came while the frame
// still stood at the screen's corner. A pin tab's menu, right-clicked then, opens at the click.
TEST_F(PlaceRoadsX11Test, APinTabsMenuOpensAtTheClickWhereverTheFrameStoodWhenTheWindowWasConfigured) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  ASSERT_TRUE(showMain()) << program_->errors();
  const ::Window main = window("Vellisto");
  click(main, kAddPinTab, Button1, kSlideMs);
  type("tickets");
  click(main, kPanelRightItem, Button1, kSlideMs);
  ASSERT_TRUE(waitUntil([&] { return pinTabNamed("tickets"); })) << program_->errors();

  // Played here with the manager kept out (override-redirect): the frame goes to the corner, the window
  // is configured in it, and once the program has read that (it answered a key typed after), the frame
  // goes back where it was, which moves the window on screen without an event of its own.
  ::Window root = None, frame = None, *children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(keys_, main, &root, &frame, &children, &count));
  if (children) XFree(children);
  ASSERT_NE(frame, root) << "the window manager did not reparent the main window";
  XWindowAttributes placed{};
  ASSERT_TRUE(XGetWindowAttributes(keys_, frame, &placed));
  auto keepManagerOut = [&](bool out) {
    XSetWindowAttributes a{};
    a.override_redirect = out ? True : False;
    for (::Window w : {frame, main}) XChangeWindowAttributes(keys_, w, CWOverrideRedirect, &a);
  };
  keepManagerOut(true);
  XMoveWindow(keys_, frame, 0, 0);
  XMoveWindow(keys_, main, 1, 0);
  XMoveWindow(keys_, main, 0, 0);
  XSync(keys_, False);
  const std::size_t searched = program_->count("Show On HintTable");
  type("z");
  ASSERT_TRUE(waitUntil([&] { return program_->count("Show On HintTable") > searched; }))
      << program_->errors();
  XMoveWindow(keys_, frame, placed.x, placed.y);
  keepManagerOut(false);
  XSync(keys_, False);
  ASSERT_TRUE(windowManagerCaughtUp(keys_));

  const auto [x, y] = onRoot(main, kFirstPinTab);
  const std::vector<Popup> before = popups();
  click(x, y, Button3);
  std::vector<Popup> menus;
  ASSERT_TRUE(waitUntil([&] { return !(menus = popups(before)).empty(); })) << program_->errors();
  // Its top left at the click, where the pointer stands in its first row.
  EXPECT_LE(std::abs(menus.front().a.x - x), 2) << "click at " << x << ", " << y;
  EXPECT_LE(std::abs(menus.front().a.y - y), 2) << "click at " << x << ", " << y;
  keys({XK_Escape});
}

// Preferences opens inside the work area of the 800-pixel-high screen, which a dock along the bottom
// edge makes shorter still: its frame with the title bar the window manager draws around it, the tallest
// pane showing.
TEST_F(PlaceRoadsX11Test, PreferencesOpensInsideTheWorkArea) {
  constexpr long kDockHeight = 48;
  const ::Window root = DefaultRootWindow(keys_);
  const int screenWidth = DisplayWidth(keys_, DefaultScreen(keys_));
  const int screenHeight = DisplayHeight(keys_, DefaultScreen(keys_));
  XSetWindowAttributes attributes{};
  attributes.background_pixel = 0x303030;
  const ::Window dock = XCreateWindow(keys_, root, 0, screenHeight - kDockHeight, screenWidth, kDockHeight, 0,
                                      CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
  const Atom dockType = XInternAtom(keys_, "_NET_WM_WINDOW_TYPE_DOCK", False);
  XChangeProperty(keys_, dock, XInternAtom(keys_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&dockType), 1);
  const long strut[12] = {0, 0, 0, kDockHeight, 0, 0, 0, 0, 0, 0, 0, screenWidth - 1};
  XChangeProperty(keys_, dock, XInternAtom(keys_, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
  XSelectInput(keys_, root, PropertyChangeMask);
  XMapWindow(keys_, dock);
  XSync(keys_, False);
  auto workAreaHeight = [&]() -> long {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long height = -1;
    if (XGetWindowProperty(keys_, root, XInternAtom(keys_, "_NET_WORKAREA", False), 0, 4, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        data && count >= 4) {
      height = reinterpret_cast<long*>(data)[3];
    }
    if (data) XFree(data);
    return height;
  };
  ASSERT_TRUE(waitOnEvents(keys_, PropertyChangeMask, [&] {
    return workAreaHeight() == screenHeight - kDockHeight;
  })) << "the window manager made no room for the dock";
  XSelectInput(keys_, root, NoEventMask);

  ASSERT_NO_FATAL_FAILURE(start());
  const ::Window preferences = openPreferences();
  ASSERT_NE(preferences, None) << program_->errors();
  auto height = [&] {
    XWindowAttributes a{};
    return XGetWindowAttributes(keys_, preferences, &a) ? a.height : 0;
  };
  // The General pane, the tallest, shows once the window has taken its height.
  ASSERT_TRUE(waitUntil([&] { return height() > 500; })) << program_->errors();
  ASSERT_TRUE(windowManagerCaughtUp(keys_));
  const Outer outer = outerOf(preferences);
  EXPECT_GE(outer.y, 0);
  EXPECT_LE(outer.bottom(), screenHeight - kDockHeight)
      << "from " << outer.y << ", " << outer.height << " high";
  EXPECT_GE(outer.x, 0);
  EXPECT_LE(outer.x + outer.width, screenWidth);
  XDestroyWindow(keys_, dock);
  XSync(keys_, False);
}

}  // namespace
}  // namespace vl::x11test
