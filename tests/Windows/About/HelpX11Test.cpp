// clang-format off
// Our headers before the X11 ones the support brings: Xlib's macros (None, Status) would break them.
#include "Windows/About/HelpViewController.h"
#include "Windows/About/HelpWindow.h"
#include "Windows/Main/WindowCenter.h"
#include "support/WebPageTestSupport.h"
// clang-format on
#include <X11/Xutil.h>

namespace vl::x11test {
namespace {

class HelpX11Test : public WebPageX11Test {
 protected:
  void TearDown() override {
    if (window_) window_->close();
    window_.reset();
    WindowCenter::shared().resetForTesting();
    WebPageX11Test::TearDown();
  }
  // The colour of a pixel of the page, as the screen shows it.
  unsigned long pagePixel(int x, int y) {
    XImage* image = XGetImage(probe_, server_->xWindowOf(*window_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0UL;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return p;
  }
  std::shared_ptr<HelpWindow> window_;
};

TEST_F(HelpX11Test, TheManualShowsOfflineAndFollowsLightAndDark) {
  WindowCenter::shared().resetForTesting();
  window_ = HelpWindow::registerHelpWindow();
  WindowCenter::shared().showWindowByKey(kHelpWindowKey);
  auto& controller = static_cast<HelpViewController&>(*window_->contentViewController());
  const std::string home = HelpViewController::manualHomeURL();
  ASSERT_TRUE(waitUntil([&] { return controller.webView()->URL() == home; }, kPageMs));
  // The manual's paper colours, light and dark (resources/help/style.css).
  const auto state = [&] {
    const unsigned long socket = controller.webView()->nativeWindow();
    const unsigned long plug = server_->embeddedWindowOf(controller.webView()->surfaceNumber());
    const Geometry s = geometry(socket), p = geometry(plug);
    return "socket " + std::to_string(socket) + " " + std::to_string(s.x) + "," + std::to_string(s.y) + " " +
           std::to_string(s.w) + "x" + std::to_string(s.h) + (s.viewable ? " viewable" : " hidden") +
           "; plug " + std::to_string(plug) + " " + std::to_string(p.w) + "x" + std::to_string(p.h) +
           (p.viewable ? " viewable" : " hidden");
  };
  ASSERT_TRUE(waitUntil([&] { return pagePixel(5, 200) == 0xfbfbfb; }, kPageMs))
      << std::hex << pagePixel(5, 200) << std::dec << state();
  EXPECT_TRUE(writeScreenshot(display_, server_->xWindowOf(*window_), "help-window-light"));
  ui::SystemAppearance::shared().setDark(true);
  ASSERT_TRUE(waitUntil([&] { return pagePixel(5, 200) == 0x232323; }, kPageMs))
      << std::hex << pagePixel(5, 200);
  EXPECT_TRUE(waitUntil([&] { return !server_->frameScheduled(); }));
  EXPECT_TRUE(writeScreenshot(display_, server_->xWindowOf(*window_), "help-window-dark"));
  EXPECT_TRUE(site_.requests().empty()) << "the manual needs no network";
}

// The desktop's GTK theme is a dark one while the program is light: pages that follow the colour scheme
// take the program's light, and its dark once it turns dark.
TEST_F(HelpX11Test, PagesFollowTheProgramsModeNotTheDesktopsGtkTheme) {
  env_.set("GTK_THEME", "Adwaita:dark");
  ui::SystemAppearance::shared().setDark(false);
  WindowCenter::shared().resetForTesting();
  window_ = HelpWindow::registerHelpWindow();
  WindowCenter::shared().showWindowByKey(kHelpWindowKey);
  auto& controller = static_cast<HelpViewController&>(*window_->contentViewController());
  ASSERT_TRUE(
      waitUntil([&] { return controller.webView()->URL() == HelpViewController::manualHomeURL(); }, kPageMs));
  EXPECT_TRUE(waitUntil([&] { return pagePixel(5, 200) == 0xfbfbfb; }, kPageMs))
      << std::hex << pagePixel(5, 200);
  ui::SystemAppearance::shared().setDark(true);
  EXPECT_TRUE(waitUntil([&] { return pagePixel(5, 200) == 0x232323; }, kPageMs))
      << std::hex << pagePixel(5, 200);
}

}  // namespace
}  // namespace vl::x11test
