// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include "Windows/Main/placement/AppFrame.h"
#include "Windows/Main/MainView.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/WindowServer.h"
#include "ui/panels/EscStack.h"
#include "platform/system/PointerLocation.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "support/X11TestSupport.h"
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/XTest.h>
// clang-format on

namespace vl::x11test {
namespace {

// The Xvfb screen split into two monitors side by side, 640 x 800 each, the left one primary.
class MainWindowX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(probe_, &event, &error) || !XRRQueryVersion(probe_, &major, &minor) ||
        major * 100 + minor < 105) {
      VL_SKIP_WITHOUT_DESKTOP("the test server has no RandR 1.5 monitors");
    }
    addMonitor("vl-left", 0, true, true);
    addMonitor("vl-right", 640, false, false);
    XSync(probe_, False);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    ui::WindowServer::install(server_);
    ASSERT_TRUE(waitUntil([] { return ui::Screen::screens().size() == 2; }));
    WindowCenter::shared().resetForTesting();
    AppFrame::shared().resetForTesting();
    EscStack::shared().resetForTesting();
  }
  void TearDown() override {
    WindowCenter::shared().resetForTesting();
    ui::WindowServer::install(nullptr);
    server_.reset();
    if (probe_) {
      for (const char* name : {"vl-left", "vl-right"}) {
        XRRDeleteMonitor(probe_, DefaultRootWindow(probe_), XInternAtom(probe_, name, False));
      }
      XCloseDisplay(probe_);
    }
    ui::Screen::resetToDefault();
  }

  // The left monitor takes over the server's one output, so only these two are reported.
  void addMonitor(const char* name, int x, bool primary, bool withOutput) {
    const ::Window root = DefaultRootWindow(probe_);
    XRRScreenResources* resources = XRRGetScreenResources(probe_, root);
    XRRMonitorInfo* m = XRRAllocateMonitor(probe_, withOutput && resources->noutput > 0 ? 1 : 0);
    m->name = XInternAtom(probe_, name, False);
    m->primary = primary;
    m->automatic = False;
    m->x = x;
    m->y = 0;
    m->width = 640;
    m->height = 800;
    m->mwidth = 170;
    m->mheight = 210;
    if (m->noutput == 1) m->outputs[0] = resources->outputs[0];
    XRRSetMonitor(probe_, root, m);
    XRRFreeMonitors(m);
    XRRFreeScreenResources(resources);
  }
  ::Window focus() { return keyboardFocus(probe_); }

  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
};

TEST_F(MainWindowX11Test, TheHotKeyShowsTheMainWindowOnTheClickedMonitorAndHidingGivesTheFocusBack) {
  TestWindow other(display_, "Editor");
  other.focus();
  other.makeActive();
  auto main = MainWindow::create();
  main->setContentViewController(EmptyMainViewController::create());
  WindowCenter::shared().registerWindow(main, kMainWindowKey);

  AppFrame::shared().updateByMousePoint({700, 100});
  WindowCenter::shared().activeOrInactiveVellisto();
  ASSERT_TRUE(waitUntil([&] { return focus() == server_->xWindowOf(*main); }));
  EXPECT_EQ(main->frame(), ui::Rect(640, 150, 680, 500));  // wider than the monitor: kept on it

  WindowCenter::shared().activeOrInactiveVellisto();
  EXPECT_TRUE(waitUntil([&] { return focus() == other.id(); }));
  EXPECT_FALSE(main->isVisible());
}

TEST_F(MainWindowX11Test, BeforeAnyClickTheMonitorHoldingThePointerIsActive) {
  AppFrame& frame = AppFrame::shared();
  frame.setPointerLocation(pointerLocationSource(display_));
  for (int x : {1000, 20}) {
    XTestFakeMotionEvent(probe_, -1, x, 10, CurrentTime);
    XSync(probe_, False);
    EXPECT_EQ(frame.activeScreenFrame(), ui::Rect(x < 640 ? 0 : 640, 0, 640, 800));
  }
  frame.setPointerLocation(nullptr);
}

}  // namespace
}  // namespace vl::x11test
