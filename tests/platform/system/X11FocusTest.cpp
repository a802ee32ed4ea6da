// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include "support/X11TestSupport.h"
#include "platform/system/x11/X11Display.h"
#include "platform/system/x11/input/X11Focus.h"
// clang-format on
#include <X11/Xatom.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace vl::x11test {
namespace {

// Another client that fights for the focus: on a connection and thread of its own, it keeps putting the
// input focus and _NET_ACTIVE_WINDOW on a window of its own (one a window manager leaves alone, as a
// pop-up's), as fast as the server takes it.
class FocusFighter {
 public:
  explicit FocusFighter(const std::string& display) {
    display_ = XOpenDisplay(display.c_str());
    if (!display_) return;
    Display* d = display_;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = StructureNotifyMask;
    window_ = XCreateWindow(d, DefaultRootWindow(d), 300, 300, 100, 50, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(d, window_);
    XSync(d, False);
    waitOnEvents(d, StructureNotifyMask, [&] {
      XWindowAttributes a{};
      return XGetWindowAttributes(d, window_, &a) && a.map_state == IsViewable;
    });
    // Nothing more is read on this connection: its events would only pile up.
    XSelectInput(d, window_, NoEventMask);
    active_ = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    thread_ = std::thread([this] { run(); });
  }
  ~FocusFighter() {
    stop();
    if (!display_) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  FocusFighter(const FocusFighter&) = delete;
  FocusFighter& operator=(const FocusFighter&) = delete;
  bool started() const { return display_ != nullptr; }
  // Stops fighting; returns once the fighter's thread is done.
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  void run() {
    const long value = static_cast<long>(window_);
    for (unsigned long round = 1; !stop_; ++round) {
      XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
      XChangeProperty(display_, DefaultRootWindow(display_), active_, XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&value), 1);
      // Now and then the server catches up, so the requests never run far ahead of it.
      if (round % 1024 == 0) {
        XSync(display_, False);
      } else {
        XFlush(display_);
      }
    }
  }

  Display* display_ = nullptr;
  ::Window window_ = None;
  Atom active_ = None;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class X11FocusTest : public X11Test, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure() || !GetParam()) return;
    wm_ = DisplayHelper::windowManager(display_);
    if (!wm_->running()) VL_SKIP_WITHOUT_DESKTOP(wm_->failure());
  }
  std::unique_ptr<DisplayHelper> wm_;
};

// The paste road waits for the focus with the user's keys held back: clients that keep taking the focus,
// from each other and from the window it goes back to, must not hold the road past the bound.
TEST_P(X11FocusTest, TheWaitForTheFocusEndsByItsBoundWhileOtherClientsFightForIt) {
  TestWindow editor(display_, "Editor");
  editor.focus();
  // More than one, so the changes come faster than one reader takes them.
  std::vector<std::unique_ptr<FocusFighter>> fighters;
  for (int i = 0; i < 3; ++i) {
    fighters.push_back(std::make_unique<FocusFighter>(display_));
    ASSERT_TRUE(fighters.back()->started());
  }
  auto connection = x11::X11Display::open(display_);
  ASSERT_NE(connection, nullptr);

  constexpr int kWaitMs = 1000;
  const auto start = std::chrono::steady_clock::now();
  auto wait = std::async(std::launch::async, [&] {
    (void)x11::activateWindowAndWait(*connection, editor.id(), CurrentTime, kWaitMs);
    return std::chrono::steady_clock::now() - start;
  });
  // Far longer than the bound, so a loaded machine does not fail it; a wait that never ends does.
  constexpr int kGiveUpMs = 10 * kWaitMs;
  const bool ended = wait.wait_for(std::chrono::milliseconds(kGiveUpMs)) == std::future_status::ready;
  // Once the fight stops, even a wait that would not end by itself does.
  for (auto& fighter : fighters) fighter->stop();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(wait.get());
  EXPECT_TRUE(ended) << "still waiting after " << kGiveUpMs << " ms";
  // The bound, and what one look at the server takes on a busy machine.
  EXPECT_LT(took.count(), kWaitMs + 1500);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, X11FocusTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "openbox" : "none"; });

}  // namespace
}  // namespace vl::x11test
