// clang-format off
// Our headers before the X11 ones: Xlib's macros (None, Status) would break them.
#include "lookup/EmbededWebview.h"
#include "platform/foundation/Files.h"
#include "support/ProgramUnderTest.h"
#include "support/WebPageTestSupport.h"
// clang-format on
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace vl::x11test {
namespace {

constexpr int kPageMs = 60000;

// The road of a user on the desktop: the real program, its hot key, a query that matches nothing, and
// the search row's preview showing the engine's page, drawn by the helper beside the program.
class WebSearchRoadX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
#ifndef VL_WEBVIEW_HELPER
    VL_SKIP_WITHOUT_DESKTOP("vellisto-webview was not built (no webkit2gtk-4.1 development files)");
#endif
    if (!files::exists(Program::path())) VL_SKIP_WITHOUT_DESKTOP("build the vellisto target first");
    x_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(x_, nullptr);
    // Windows come and go while the tree is walked; a vanished one is no failure.
    previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    handlerSet_ = true;
    wm_ = DisplayHelper::windowManager(display_);
    if (!wm_ || !wm_->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager (openbox)");
  }
  void TearDown() override {
    program_.reset();
    if (x_) XCloseDisplay(x_);
    if (handlerSet_) XSetErrorHandler(previousHandler_);
  }
  void keys(const std::vector<KeySym>& chord) {
    for (KeySym k : chord) XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, k), True, CurrentTime);
    for (auto k = chord.rbegin(); k != chord.rend(); ++k)
      XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, *k), False, CurrentTime);
    XSync(x_, False);
  }
  // The program's window titled so, mapped, at any depth (the window manager reparents).
  ::Window findMapped(::Window parent, const std::string& title) {
    return findMappedWindow(x_, parent, title);
  }
  // Whether the window shows a pixel of the colour anywhere.
  bool shows(::Window w, unsigned long colour) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(x_, w, &a) || a.map_state != IsViewable) return false;
    XImage* image = XGetImage(x_, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
    if (!image) return false;
    bool found = false;
    for (int y = 0; y < image->height && !found; y += 4) {
      for (int x = 0; x < image->width && !found; x += 4)
        found = (XGetPixel(image, x, y) & 0xffffff) == colour;
    }
    XDestroyImage(image);
    return found;
  }

  Display* x_ = nullptr;
  XErrorHandler previousHandler_ = nullptr;
  bool handlerSet_ = false;
  std::unique_ptr<DisplayHelper> wm_;
  test::TempDir root_{"vl-web-road"};
  LoopbackSite site_;
  std::optional<Program> program_;
};

TEST_F(WebSearchRoadX11Test, AQueryThatMatchesNothingShowsTheEnginesPageInThePreview) {
  const std::string services = root_.path() + "/services.json";
  ASSERT_TRUE(files::atomicWrite(services, R"({"google": ")" + site_.base() + R"("})"));
  program_.emplace(root_.path(), display_,
                   std::vector<std::string>{std::string(kServicesFileVariable) + "=" + services,
                                            "WEBKIT_DISABLE_COMPOSITING_MODE=1", "no_proxy=127.0.0.1"});
  ASSERT_TRUE(program_->started());
  ASSERT_TRUE(waitUntil([&] { return files::exists(root_.path() + "/home/.vellisto/data"); }, 20000))
      << program_->errors();
  TestWindow editor(display_, "Editor");
  editor.focus();
  editor.makeActive();
  // The hot key is registered once the program has finished launching.
  ASSERT_TRUE(waitUntil([&] { return program_->count("start-up: launching finished") > 0; }, 30000))
      << program_->errors();
  keys({XK_Control_L, XK_Alt_L, XK_v});
  ::Window main = None;
  ASSERT_TRUE(
      waitUntil([&] { return (main = findMapped(DefaultRootWindow(x_), "Vellisto")) != None; }, 30000))
      << program_->errors();
  ASSERT_TRUE(waitUntil([&] { return program_->count("Show On HintTable") > 0; })) << program_->errors();
  for (KeySym k : {XK_z, XK_z}) keys({k});
  keys({XK_Shift_L, XK_ampersand});
  keys({XK_q});
  // Nothing matches: the search row is the only one, and its preview asks the engine.
  ASSERT_TRUE(waitUntil([&] { return site_.count("/search", "zz&q") >= 1; }, kPageMs)) << program_->errors();
  EXPECT_EQ(site_.requests().back().agent, kEmbeddedWebUserAgent);
  ASSERT_TRUE(waitUntil([&] { return shows(main, 0x2f7d7a); }, kPageMs)) << program_->errors();
  EXPECT_TRUE(writeScreenshot(display_, main, "web-search-road"));
  // The detail view slides over the whole window: the page, which lies above all we draw, steps aside
  // while it is there, and comes back when Escape closes it.
  keys({XK_Shift_L, XK_Return});
  EXPECT_TRUE(waitUntil([&] { return !shows(main, 0x2f7d7a); })) << program_->errors();
  keys({XK_Escape});
  EXPECT_TRUE(waitUntil([&] { return shows(main, 0x2f7d7a); })) << program_->errors();
}

}  // namespace
}  // namespace vl::x11test
