// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include <gtest/gtest.h>
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/menu/MenuWindow.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/window/Screen.h"
#include "support/StandInTray.h"
#include "support/X11TestSupport.h"
#include "platform/system/x11/X11TrayIcon.h"
#include "platform/system/x11/window/X11WindowServer.h"
// clang-format on
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <filesystem>

namespace vl::x11test {
namespace {

using namespace vl::ui;

// A blue disc on a transparent square of 22 pixels, as the status icon frames are drawn.
ImageRef disc() {
  std::vector<std::uint8_t> rgba(22 * 22 * 4, 0);
  for (int y = 0; y < 22; ++y) {
    for (int x = 0; x < 22; ++x) {
      if (std::hypot(x - 10.5, y - 10.5) > 9) continue;
      std::uint8_t* p = &rgba[static_cast<std::size_t>(y * 22 + x) * 4];
      p[0] = 0x34, p[1] = 0x78, p[2] = 0xf6, p[3] = 0xff;
    }
  }
  return std::make_shared<Image>(Size{22, 22}, 22, 22, std::move(rgba), "disc");
}

class Recorder : public Responder {
 public:
  bool respondsToAction(const std::string& a) const override { return a == "show:"; }
  bool performAction(const std::string&, ActionTarget*) override {
    ++count;
    return true;
  }
  int count = 0;
};

class X11TrayIconTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    WindowServer::install(server_);
    MenuTracker::install();
    tray_ = x11::X11TrayIcon::create(display_);
    ASSERT_NE(tray_, nullptr);
    StatusBar::system().setBackend(tray_);
  }
  void TearDown() override {
    item_.reset();
    StatusBar::system().setBackend(nullptr);
    tray_.reset();
    MenuTracker::install(false);
    WindowServer::install(nullptr);
    server_.reset();
  }
  void showItem() {
    item_ = StatusBar::system().statusItemWithLength(kSquareStatusItemLength);
    item_->button()->setImage(disc());
    auto menu = Menu::create("status");
    menu->setAutoenablesItems(false);
    menu->addItemWithTitle("Show", "show:")->setTarget(recorder_);
    menu->addItemWithTitle("Quit", "quit:");
    item_->setMenu(menu);
  }

  std::shared_ptr<x11::X11WindowServer> server_;
  std::shared_ptr<x11::X11TrayIcon> tray_;
  std::shared_ptr<StatusItem> item_;
  std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
};

// Without a tray one line says so; a tray that starts later docks the icon, which shows the item's
// picture over the panel's own colour, and docks it again when the tray restarts.
TEST_F(X11TrayIconTest, DocksInATrayThatStartsLaterAndDrawsTheIcon) {
  EXPECT_FALSE(tray_->trayPresent());
  showItem();
  ASSERT_TRUE(waitUntil([&] { return log_->contains("no StatusNotifierWatcher and no system tray"); }));
  for (auto [name, panel] : {std::pair{"light", 0xececec}, std::pair{"dark", 0x303030}}) {
    StandInTray manager(display_, panel, 0, 760);
    const ::Window icon = manager.accept(5000);
    ASSERT_NE(icon, None) << name;
    EXPECT_TRUE(tray_->trayPresent());
    EXPECT_EQ(tray_->iconWindow(), icon);
    std::vector<unsigned long> px;
    // The panel at (8 + 1, 8 + 1) is outside the disc, its centre inside.
    ASSERT_TRUE(waitUntil([&] {
      px = manager.pixels(40, 40);
      return px.size() == 1600 && px[20 * 40 + 20] == 0x3478f6;
    })) << name;
    EXPECT_EQ(px[9 * 40 + 9], static_cast<unsigned long>(panel)) << name;
    EXPECT_TRUE(manager.writePicture(40, 40, std::string("tray-icon-") + name));
  }
}

// With no tray, the frames of a copy's pulse are not turned into the tray's pictures (nobody would see
// them); a tray that starts later gets the picture shown at that moment.
TEST_F(X11TrayIconTest, PicturesAreMadeOnlyForATrayThatHoldsTheIcon) {
  showItem();
  ASSERT_TRUE(waitUntil([&] { return log_->contains("no StatusNotifierWatcher and no system tray"); }));
  for (int frame = 0; frame < 5; ++frame) item_->button()->setImage(disc());
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(tray_->picturesMade(), 0);
  StandInTray manager(display_, 0xececec, 0, 760);
  ASSERT_NE(manager.accept(5000), None);
  ASSERT_TRUE(waitUntil([&] {
    const std::vector<unsigned long> px = manager.pixels(40, 40);
    return px.size() == 1600 && px[20 * 40 + 20] == 0x3478f6;
  }));
  EXPECT_EQ(tray_->picturesMade(), 1);
}

// The tray's colours beat its background (which the status bar's own test samples); colours announced
// later count from then on, and the status bar hears of each change.
TEST_F(X11TrayIconTest, TheTraysShadeComesFromItsColoursElseFromItsBackground) {
  showItem();
  int heard = 0;
  Observation seen = NotificationCenter::defaultCenter().observe(
      StatusBar::kHostBackgroundChangedNotification, nullptr, [&](const Notification&) { ++heard; });
  struct Case {
    const char* what;
    unsigned long panel;
    std::optional<unsigned> foreground;  // one grey for all three channels
    bool dark;
  };
  const Case cases[] = {
      {"light panel", 0xececec, std::nullopt, false},
      {"light panel with light text", 0xececec, 0xffff, true},
      {"dark panel with dark text", 0x303030, 0x1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StandInTray manager(display_, c.panel, 0, 760);
    if (c.foreground) manager.setForeground(*c.foreground, *c.foreground, *c.foreground);
    ASSERT_NE(manager.accept(5000), None);
    const int before = heard;
    EXPECT_TRUE(waitUntil([&] { return tray_->hostBackgroundIsDark() == c.dark && heard > before; }));
    EXPECT_EQ(StatusBar::system().hostBackgroundIsDark(), c.dark);
    // Colours announced later count from then on.
    manager.setForeground(c.dark ? 0 : 0xffff, c.dark ? 0 : 0xffff, c.dark ? 0 : 0xffff);
    EXPECT_TRUE(waitUntil([&] { return tray_->hostBackgroundIsDark() == !c.dark; }));
  }
}

// A click on the icon opens the item's menu as our own pop-up under the icon; its keys choose.
TEST_F(X11TrayIconTest, AClickOpensTheStatusMenuUnderTheIcon) {
  showItem();
  StandInTray manager(display_, 0xececec, 0, 760);
  ASSERT_NE(manager.accept(5000), None);
  Display* probe = XOpenDisplay(display_.c_str());
  // The tray tells where the icon is, for what points at it (the paste popover).
  std::optional<std::pair<int, int>> centre;
  ASSERT_TRUE(waitUntil([&] { return (centre = manager.iconCentre()).has_value(); }));
  std::optional<Rect> icon = item_->iconFrameOnScreen();
  ASSERT_TRUE(icon.has_value());
  EXPECT_NEAR(icon->midX(), centre->first, 1);
  EXPECT_NEAR(DisplayHeight(probe, DefaultScreen(probe)) - icon->midY(), centre->second, 1);
  std::optional<Rect> menuFrame;
  std::function<void()> poll = [&] {
    auto* t = MenuTracker::current();
    if (!t) {
      dispatch::after(20, dispatch::Queue::main(), poll);
      return;
    }
    menuFrame = t->windows().front()->frame();
    waitUntil([&] {
      XWindowAttributes a{};
      return XGetWindowAttributes(probe, server_->xWindowOf(*t->windows().front()), &a) &&
             a.map_state == IsViewable;
    });
    for (KeySym k : {XK_Down, XK_Return}) {
      XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, k), True, CurrentTime);
      XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, k), False, CurrentTime);
    }
    XSync(probe, False);
    if (!waitUntil([&] { return t->finished(); }, 3000)) t->cancel();
  };
  dispatch::Queue::main()->async(poll);
  // The icon's centre: the panel is at y 760, the icon at (8, 8) in it.
  XTestFakeMotionEvent(probe, -1, 8 + 12, 760 + 8 + 12, CurrentTime);
  XTestFakeButtonEvent(probe, Button1, True, CurrentTime);
  XTestFakeButtonEvent(probe, Button1, False, CurrentTime);
  XSync(probe, False);
  EXPECT_TRUE(waitUntil([&] { return recorder_->count == 1; }));
  ASSERT_TRUE(menuFrame.has_value());
  // Under the icon's left edge, kept on the screen (the panel is at its bottom).
  EXPECT_NEAR(menuFrame->minX(), 8, 1);
  EXPECT_GE(menuFrame->minY(), 0);
  XCloseDisplay(probe);
}

}  // namespace
}  // namespace vl::x11test
