// clang-format off
// gtest and the toolkit before any X11 header: Xlib's macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/Appearance.h"
#include "statusbar/VLStatusBar.h"
#include "support/StandInTray.h"
#include <X11/keysym.h>
// clang-format on

#include <memory>

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/x11/X11TrayIcon.h"
#include "platform/system/x11/input/X11GlobalEventMonitor.h"
#include "platform/system/x11/input/X11HotKeyCenter.h"
#include "platform/system/x11/input/X11KeyPoster.h"
#include "support/X11TestSupport.h"

namespace vl {
namespace {

using x11test::waitUntil;
namespace Flags = ui::ModifierFlags;
constexpr std::uint64_t kCtrlAlt = Flags::Command | Flags::Option;

// The real hot key and modifier watch on a private X server; the main window is a counter. The clock
// stands still unless a test moves it, so how fast the server delivers never decides a double tap.
class StatusBarX11Test : public x11test::X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    home_.emplace("vl-statusbar-x11");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
    poster_ = X11KeyPoster::create(display_);
    monitor_ = X11GlobalEventMonitor::create(display_);
    ASSERT_TRUE(poster_ && monitor_ && monitor_->isAvailable());
    HotKeyCenter::install(X11HotKeyCenter::create(display_));
    GlobalEventMonitor::install(monitor_);
    VLStatusBar::setWindowActions({[this] { ++toggles_; }, {}, {}});
  }
  void TearDown() override {
    if (IsSkipped() || HasFatalFailure()) return;
    bar_.reset();
    dispatch::MainLoop::runUntilIdle();
    VLStatusBar::setWindowActions({});
    HotKeyCenter::install(nullptr);
    GlobalEventMonitor::install(nullptr);
    Clock::install(nullptr);
    VLConfig::resetForTesting();
    UserDefaults::resetForTesting();
    home_.reset();
  }
  void type(std::uint16_t code, std::uint64_t flags) {
    ASSERT_TRUE(poster_->postKeyEvent(code, flags, true));
    ASSERT_TRUE(poster_->postKeyEvent(code, flags, false));
  }
  // One tap of the left Ctrl, waited for until the status bar has counted it.
  void tapCtrl() {
    const std::int64_t before = bar_->commandKeyDownTime();
    const int toggles = toggles_;
    type(ui::KeyCode::Command, 0);
    ASSERT_TRUE(waitUntil([&] { return bar_->commandKeyDownTime() != before || toggles_ != toggles; }));
  }

  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<X11KeyPoster> poster_;
  std::shared_ptr<X11GlobalEventMonitor> monitor_;
  std::shared_ptr<VLStatusBar> bar_;
  int toggles_ = 0;

 private:
  std::optional<vl::test::PrivateHome> home_;
};

TEST_F(StatusBarX11Test, MainHotKeyTogglesAndAKeyHeldByAnotherClientLeavesItWorking) {
  // Another client holds Ctrl+Alt+X before we ask for it.
  x11test::TestWindow other(display_);
  XGrabKey(other.display(), XKeysymToKeycode(other.display(), XK_x), ControlMask | Mod1Mask,
           DefaultRootWindow(other.display()), False, GrabModeAsync, GrabModeAsync);
  XSync(other.display(), False);

  bar_ = VLStatusBar::create();
  type(ui::KeyCode::V, kCtrlAlt);
  ASSERT_TRUE(waitUntil([&] { return toggles_ == 1; }));

  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey, {0x180000, ui::KeyCode::X, 1, false});
  EXPECT_FALSE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
  EXPECT_FALSE(bar_->isRegistered(VLStatusBar::kMainHotKeyID));
  type(ui::KeyCode::V, kCtrlAlt);
  ASSERT_TRUE(waitUntil([&] { return toggles_ == 2; }));
}

TEST_F(StatusBarX11Test, DoubleTapOfCtrlTogglesButNotSlowlyOrWithAKeyBetween) {
  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey, {0x100000, ui::KeyCode::Command, 1, true});
  bar_ = VLStatusBar::create();
  tapCtrl();
  tapCtrl();
  EXPECT_EQ(toggles_, 1);

  clock_->advanceMs(1000);
  tapCtrl();
  clock_->advanceMs(300);
  tapCtrl();
  EXPECT_EQ(toggles_, 1);

  clock_->advanceMs(1000);
  tapCtrl();
  type(ui::KeyCode::A, 0);
  ASSERT_TRUE(waitUntil([&] { return bar_->commandKeyDownTime() == 0; }));
  tapCtrl();
  EXPECT_EQ(toggles_, 1);
}

// On a light desktop the black icon turns white in a dark XEmbed tray, and stays black in a light one;
// in a dark desktop a light tray still gets the black icon.
TEST_F(StatusBarX11Test, TheIconTakesTheShadeOfTheTrayItSitsIn) {
  VLConfig::shared().setValueOfKey(VLConfig::kStatusIconColor, "black");
  auto tray = x11::X11TrayIcon::create(display_);
  ASSERT_NE(tray, nullptr);
  ui::StatusBar::system().setBackend(tray);
  bar_ = VLStatusBar::create();
  bar_->produceStatusItem();
  struct Case {
    const char* name;
    unsigned long panel;
    bool darkDesktop;
    const char* icon;
    bool lightInk;
  };
  const Case cases[] = {
      {"tray-icon-black-on-dark-panel", 0x303030, false, "StatusIconWhite", true},
      {"tray-icon-black-on-light-panel", 0xececec, true, "StatusIconBlack", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::SystemAppearance::shared().setDark(c.darkDesktop);
    x11test::StandInTray manager(display_, c.panel, 0, 760);
    ASSERT_NE(manager.accept(5000), None);
    ASSERT_TRUE(waitUntil([&] { return bar_->getStatusItem()->displayedImageName() == c.icon; }));
    // The icon's ink in the panel: pixels far from the panel's colour, on the side the tray needs.
    int ink = 0;
    ASSERT_TRUE(waitUntil([&] {
      ink = 0;
      for (unsigned long p : manager.pixels(40, 40)) {
        const int grey = static_cast<int>((p >> 16 & 0xff) + (p >> 8 & 0xff) + (p & 0xff)) / 3;
        ink += c.lightInk ? grey > 0xc0 : grey < 0x60;
      }
      return ink > 40;
    }));
    EXPECT_TRUE(manager.writePicture(40, 40, c.name));
  }
  ui::SystemAppearance::shared().setDark(false);
  bar_.reset();
  ui::StatusBar::system().setBackend(nullptr);
}

}  // namespace
}  // namespace vl
