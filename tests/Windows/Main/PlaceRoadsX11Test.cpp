// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/Xatom.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// The main window: the pin tab bar's "+" while only the clipboard tab is there, then the first pin tab
// in its place; a panel's navigation bar's right item (OK).
constexpr Spot kAddPinTab{135, 20}, kFirstPinTab{175, 20}, kPanelRightItem{485, 22};

// Roads of placement through the assembled program under a window manager: where menus open, and where
// windows that open at a place of their own come to stand.
class PlaceRoadsX11Test : public RoadTest {
 protected:
  void start() { ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}, true)); }
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

  test::TempDir root_{"vl-placeroads"};
};

// A window manager that reparents the main window into a frame it places only afterwards, with no word
// to the window (it ends where it asked to be): the window's own configure event came while the frame
// still stood at the screen's corner. A pin tab's menu, right-clicked then, opens at the click.
TEST_F(PlaceRoadsX11Test, APinTabsMenuOpensAtTheClickWhereverTheFrameStoodWhenTheWindowWasConfigured) {
  ASSERT_NO_FATAL_FAILURE(start());
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  ASSERT_TRUE(showMain());
  const ::Window main = window("Vellisto");
  click(main, kAddPinTab, kSlides);
  type("tickets");
  click(main, kPanelRightItem, kSlides);
  ASSERT_TRUE(waitUntil([&] { return !pinFolder("tickets").empty(); })) << program_->errors();

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
  ASSERT_TRUE(typeIntoSearch("z"));
  XMoveWindow(keys_, frame, placed.x, placed.y);
  keepManagerOut(false);
  XSync(keys_, False);
  ASSERT_TRUE(windowManagerCaughtUp(keys_));

  const auto [x, y] = onRoot(keys_, main, kFirstPinTab);
  const std::vector<Popup> before = popups(keys_);
  clickAt(keys_, x, y, Button3);
  std::vector<Popup> menus;
  ASSERT_TRUE(waitUntil([&] { return !(menus = popups(keys_, before)).empty(); })) << program_->errors();
  // Its top left at the click, where the pointer stands in its first row.
  EXPECT_LE(std::abs(menus.front().attributes.x - x), 2) << "click at " << x << ", " << y;
  EXPECT_LE(std::abs(menus.front().attributes.y - y), 2) << "click at " << x << ", " << y;
  press({XK_Escape});
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
  // The General pane, the tallest, shows once the window has taken its height.
  ASSERT_TRUE(waitUntil([&] { return heightOf(preferences) > 500; })) << program_->errors();
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
