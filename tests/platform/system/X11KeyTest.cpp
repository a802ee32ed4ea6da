// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

#include <unistd.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/x11/input/X11GlobalEventMonitor.h"
#include "platform/system/x11/input/X11HotKeyCenter.h"
#include "platform/system/x11/input/X11KeyPoster.h"
#include "platform/ui/view/Event.h"
#include "support/X11TestSupport.h"

namespace vl {
namespace {

using x11test::waitUntil;
using Key = x11test::TestWindow::Key;
namespace Flags = ui::ModifierFlags;

class X11KeyTest : public x11test::X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    poster_ = X11KeyPoster::create(display_);
    ASSERT_NE(poster_, nullptr);
  }
  // Types a combination as a user would: modifiers, key, release.
  void type(std::uint16_t keyCode, std::uint64_t flags) {
    ASSERT_TRUE(poster_->postKeyEvent(keyCode, flags, true));
    ASSERT_TRUE(poster_->postKeyEvent(keyCode, flags, false));
  }
  void pasteChord() { type(ui::KeyCode::V, Flags::Command); }
  std::shared_ptr<X11KeyPoster> poster_;
};

TEST_F(X11KeyTest, PasteChordReachesTheFocusedWindowAsCtrlVDownAndUp) {
  x11test::TestWindow editor(display_, "Editor");
  editor.focus();
  EXPECT_TRUE(poster_->isAccessibilityTrusted());
  pasteChord();
  const std::vector<Key> expected = {
      {true, XK_Control_L, 0},
      {true, XK_v, ControlMask},
      {false, XK_v, ControlMask},
      {false, XK_Control_L, ControlMask},
  };
  EXPECT_EQ(editor.keys(4), expected);
  // Nothing is left pressed: a plain key afterwards carries no modifier.
  type(ui::KeyCode::A, 0);
  EXPECT_EQ(editor.keys(2), (std::vector<Key>{{true, XK_a, 0}, {false, XK_a, 0}}));
}

TEST_F(X11KeyTest, PasteChordLetsGoOfAModifierTheUserStillHolds) {
  x11test::TestWindow editor(display_, "Editor");
  editor.focus();
  // Shift still down from the hot key that brought up the window would turn the paste into Ctrl+Shift+V.
  ASSERT_TRUE(poster_->postKeyEvent(ui::KeyCode::Shift, 0, true));
  pasteChord();
  auto keys = editor.keys(5);
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[1], (Key{false, XK_Shift_L, ShiftMask}));
  EXPECT_EQ(keys[3], (Key{true, XK_v, ControlMask}));
}

TEST_F(X11KeyTest, RegisteredHotKeyPressedAnywhereReachesItsHandlerOnTheMainQueue) {
  auto center = X11HotKeyCenter::create(display_);
  ASSERT_NE(center, nullptr);
  std::vector<HotKeyPress> presses;
  bool onMain = true;
  auto handler = [&](const HotKeyPress& p) {
    onMain = onMain && dispatch::MainLoop::isMainThread();
    presses.push_back(p);
  };
  ASSERT_TRUE(center->registerHotKey(1, ui::KeyCode::C, Flags::Command | Flags::Shift, handler));
  ASSERT_TRUE(center->registerHotKey(2, ui::KeyCode::R, Flags::Command | Flags::Shift, handler));

  type(ui::KeyCode::C, Flags::Command | Flags::Shift);
  ASSERT_TRUE(waitUntil([&] { return presses.size() == 1; }));
  EXPECT_EQ(presses[0], (HotKeyPress{1, ui::KeyCode::C, Flags::Command | Flags::Shift}));
  EXPECT_TRUE(onMain);

  // Caps Lock on: still the same hot key.
  type(ui::KeyCode::CapsLock, 0);
  type(ui::KeyCode::R, Flags::Command | Flags::Shift);
  type(ui::KeyCode::CapsLock, 0);
  ASSERT_TRUE(waitUntil([&] { return presses.size() == 2; }));
  EXPECT_EQ(presses[1].hotKeyID, 2);

  // After unregistering, the combination goes to other applications again; the press of hot key 2
  // that follows it on the same connection shows that nothing came for hot key 1.
  center->unregisterHotKey(1);
  type(ui::KeyCode::C, Flags::Command | Flags::Shift);
  type(ui::KeyCode::R, Flags::Command | Flags::Shift);
  ASSERT_TRUE(waitUntil([&] { return presses.size() == 3; }));
  EXPECT_EQ(presses[2].hotKeyID, 2);
}

TEST_F(X11KeyTest, CombinationHeldByAnotherApplicationIsRefusedAndTheOldOneStays) {
  x11test::TestWindow other(display_);
  Display* dpy = other.display();
  const int keycode = XKeysymToKeycode(dpy, XK_r);
  XGrabKey(dpy, keycode, ControlMask | ShiftMask, DefaultRootWindow(dpy), False, GrabModeAsync,
           GrabModeAsync);
  XSync(dpy, False);

  auto center = X11HotKeyCenter::create(display_);
  ASSERT_NE(center, nullptr);
  int fired = 0;
  ASSERT_TRUE(center->registerHotKey(1, ui::KeyCode::C, Flags::Command | Flags::Shift,
                                     [&](const HotKeyPress&) { ++fired; }));
  EXPECT_FALSE(center->registerHotKey(1, ui::KeyCode::R, Flags::Command | Flags::Shift,
                                      [&](const HotKeyPress&) { fired += 100; }));
  EXPECT_TRUE(log_->contains("could not be registered"));
  EXPECT_EQ(center->registeredCombination(1), std::make_pair(ui::KeyCode::C, Flags::Command | Flags::Shift));

  type(ui::KeyCode::C, Flags::Command | Flags::Shift);
  ASSERT_TRUE(waitUntil([&] { return fired == 1; }));
  // One combination cannot serve two ids.
  EXPECT_FALSE(center->registerHotKey(3, ui::KeyCode::C, Flags::Command | Flags::Shift, nullptr));
}

TEST_F(X11KeyTest, GlobalMonitorSeesKeysAndClicksMeantForOtherApplications) {
  auto monitor = X11GlobalEventMonitor::create(display_);
  ASSERT_NE(monitor, nullptr);
  ASSERT_TRUE(monitor->isAvailable());
  std::vector<ui::Event> events;
  auto token = monitor->addGlobalMonitorForEvents(
      ui::EventMasks::KeyDown | ui::EventMasks::FlagsChanged | ui::EventMasks::LeftMouseDown,
      [&](const ui::Event& e) { events.push_back(e); });

  x11test::TestWindow other(display_, "Other", 1);
  other.focus();
  pasteChord();
  ASSERT_TRUE(waitUntil([&] { return events.size() == 3; }));
  EXPECT_EQ(events[0].type(), ui::EventType::FlagsChanged);
  EXPECT_EQ(events[0].keyCode(), ui::KeyCode::Command);
  EXPECT_EQ(events[0].modifierFlags(), Flags::Command);
  EXPECT_EQ(events[1].type(), ui::EventType::KeyDown);
  EXPECT_EQ(events[1].keyCode(), ui::KeyCode::V);
  EXPECT_EQ(events[1].modifierFlags(), Flags::Command);
  EXPECT_EQ(events[2].type(), ui::EventType::FlagsChanged);
  EXPECT_EQ(events[2].modifierFlags(), 0u);

  // A click at (100, 200) from the top of a 800 point high screen is at y 600 from the bottom.
  Display* dpy = other.display();
  XTestFakeMotionEvent(dpy, 0, 100, 200, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  XSync(dpy, False);
  ASSERT_TRUE(waitUntil([&] { return events.size() == 4; }));
  EXPECT_EQ(events[3].type(), ui::EventType::LeftMouseDown);
  EXPECT_EQ(events[3].locationInWindow(), (ui::Point{100, 600}));
}

TEST_F(X11KeyTest, GlobalMonitorIgnoresKeysTypedIntoOurOwnWindows) {
  auto monitor = X11GlobalEventMonitor::create(display_);
  ASSERT_NE(monitor, nullptr);
  std::vector<std::uint16_t> keys;
  auto token = monitor->addGlobalMonitorForEvents(ui::EventMasks::KeyDown,
                                                  [&](const ui::Event& e) { keys.push_back(e.keyCode()); });
  {
    x11test::TestWindow ours(display_, "Vellisto", static_cast<long>(getpid()));
    ours.focus();
    type(ui::KeyCode::A, 0);
    // Handled while our window still has the focus.
    ASSERT_TRUE(monitor->handlePendingEvents());
  }
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(keys.empty());
  x11test::TestWindow other(display_, "Other", 1);
  other.focus();
  type(ui::KeyCode::B, 0);
  ASSERT_TRUE(waitUntil([&] { return !keys.empty(); }));
  EXPECT_EQ(keys, std::vector<std::uint16_t>{ui::KeyCode::B});

  // A removed monitor hears nothing more, while one added after it hears the next key.
  monitor->removeMonitor(token);
  std::vector<std::uint16_t> later;
  auto second = monitor->addGlobalMonitorForEvents(ui::EventMasks::KeyDown,
                                                   [&](const ui::Event& e) { later.push_back(e.keyCode()); });
  type(ui::KeyCode::C, 0);
  ASSERT_TRUE(waitUntil([&] { return !later.empty(); }));
  EXPECT_EQ(later, std::vector<std::uint16_t>{ui::KeyCode::C});
  EXPECT_EQ(keys, std::vector<std::uint16_t>{ui::KeyCode::B});
}

}  // namespace
}  // namespace vl
