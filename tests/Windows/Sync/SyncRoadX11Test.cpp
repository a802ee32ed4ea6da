// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "support/RoadTestSupport.h"
#include "support/SessionBusTestSupport.h"
#include "support/StandInBlueZ.h"
#include "support/TestSupport.h"
#include "SyncProgramTestSupport.h"
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Where the main window lays out what the road clicks, in window points from its top left: the sync
// switch at the foot of the preview column (measured from the bottom edge), and in the panel that drops
// from the top the navigation bar's right button, the "new network" row and the form's three fields.
constexpr int kSwitchX = 640, kSwitchFromBottom = 25;
constexpr int kRightItemX = 485, kRightItemY = 22;
constexpr int kNewRowX = 253, kNewRowY = 94;
constexpr int kFieldX = 312, kNameY = 94, kPasswordY = 134, kConfirmY = 174;

class SyncRoadX11Test : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (session_.address().empty()) VL_SKIP_WITHOUT_DESKTOP(session_.skipReason());
    ASSERT_FALSE(system_.address().empty()) << system_.skipReason();
  }

  // A click at a point of the main window, y from its top (or, negative, from its bottom).
  void click(int x, int y) {
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(keys_, main_, &a));
    int rx = 0, ry = 0;
    ::Window child = None;
    XTranslateCoordinates(keys_, main_, DefaultRootWindow(keys_), x, y < 0 ? a.height + y : y, &rx, &ry,
                          &child);
    EXPECT_TRUE(clickProgram(keys_, *program_, rx, ry)) << x << "," << y << "\n" << program_->errors();
  }
  // A click into a text field, then the text. The window manager holds a click until it has looked at it
  // while keys pass straight on: the keys wait until the program dealt with the click.
  void typeInto(int x, int y, const std::string& text) {
    click(x, y);
    type(text);
  }
  // Waits for the program to log `needle` once more than it had when `before` was taken.
  bool logged(const std::string& needle, std::size_t before, int seconds = 60) {
    return eventually([&] { return program_->count(needle) > before; }, seconds);
  }

  dbustest::PrivateSessionBus session_;
  dbustest::PrivateSessionBus system_;
  test::TempDir root_{"vl-syncroad"};
  ::Window main_ = None;
};

// Switch on, Next, a new network, OK: the network is advertised over the stand-in Bluetooth and served
// on the sync port; switching off stops both; Escape on the start panel closes the bar again.
TEST_F(SyncRoadX11Test, ANewNetworkIsAdvertisedAndServedUntilTheBarIsSwitchedOff) {
  dbustest::StandInBlueZ bluez(system_.address());
  ASSERT_TRUE(bluez.ready());
  const int port = freeLoopbackPort();
  program_.emplace(
      root_.path(), display_,
      std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=" + session_.address(),
                               "DBUS_SYSTEM_BUS_ADDRESS=" + system_.address(), "VELLISTO_LOG=debug",
                               "VELLISTO_SYNC_PORT=" + std::to_string(port), "VELLISTO_SYNC_IFACE=lo"});
  ASSERT_TRUE(program_->started());
  // The hot key is grabbed by the end of launching.
  ASSERT_TRUE(logged("start-up: launching finished", 0)) << program_->errors();

  press({XK_Control_L, XK_Alt_L, XK_v});
  ASSERT_NE(main_ = window("Vellisto"), None) << program_->errors();
  ASSERT_TRUE(logged("Show On HintTable", 0)) << program_->errors();

  std::size_t shown = program_->count("sync: start panel shown");
  click(kSwitchX, -kSwitchFromBottom);
  ASSERT_TRUE(logged("sync: start panel shown", shown)) << program_->errors();

  std::size_t lists = program_->count("sync: network list shown");
  click(kRightItemX, kRightItemY);  // Next: Bluetooth is on, the address is the loopback's
  ASSERT_TRUE(logged("sync: network list shown", lists)) << program_->errors();

  click(kNewRowX, kNewRowY);
  ASSERT_TRUE(logged("sync: network form shown", 0)) << program_->errors();
  typeInto(kFieldX, kNameY, "home");
  typeInto(kFieldX, kPasswordY, "pw");
  typeInto(kFieldX, kConfirmY, "pw");
  click(kRightItemX, kRightItemY);  // Add
  ASSERT_TRUE(logged("sync: network list shown (1)", 0)) << program_->errors();

  std::size_t hidden = program_->count("sync: start panel hidden");
  click(kRightItemX, kRightItemY);  // OK
  ASSERT_TRUE(logged("sync bar: serving on port " + std::to_string(port), 0)) << program_->errors();
  // The switch answers again once the panel is up.
  ASSERT_TRUE(logged("sync: start panel hidden", hidden)) << program_->errors();
  EXPECT_TRUE(eventually([&] { return bluez.seen().advertisements == 1; })) << program_->errors();
  EXPECT_TRUE(listening(port));

  // Off: the bar asks first; its OK sits at the lower right of the alert in the middle of the window.
  click(kSwitchX, -kSwitchFromBottom);
  ASSERT_TRUE(logged("sync bar: asking before switching off", 0)) << program_->errors();
  const int height = heightOf(main_);
  click(480, height / 2 + 47);
  ASSERT_TRUE(logged("sync bar: stopped serving", 0)) << program_->errors();
  EXPECT_TRUE(eventually([&] { return bluez.seen().advertisements == 0; }));
  EXPECT_TRUE(eventually([&] { return !listening(port); }));
  ASSERT_TRUE(logged("sync bar: answered", 0)) << program_->errors();

  // On again, and Escape backs out: the panel goes and the bar is off.
  shown = program_->count("sync: start panel shown");
  const std::size_t offs = program_->count("sync bar: off");
  click(kSwitchX, -kSwitchFromBottom);
  ASSERT_TRUE(logged("sync: start panel shown", shown)) << program_->errors();
  hidden = program_->count("sync: start panel hidden");
  press({XK_Escape});
  EXPECT_TRUE(logged("sync: start panel hidden", hidden)) << program_->errors();
  EXPECT_TRUE(logged("sync bar: off", offs)) << program_->errors();
}

}  // namespace
}  // namespace vl::x11test
