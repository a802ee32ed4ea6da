// clang-format off
// Our headers before the X11 ones the support brings: Xlib's macros (None, Status) would break them.
#include "lookup/EmbededWebview.h"
#include "platform/system/web/WebHelperProcess.h"
#include "platform/ui/window/Window.h"
#include "support/WebPageTestSupport.h"
// clang-format on
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace vl::x11test {
namespace {

// The search row's preview on the display: the helper shows the loopback engine's pages in it.
class WebSearchX11Test : public WebPageX11Test {
 protected:
  void SetUp() override {
    WebPageX11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    window_ =
        ui::Window::create({200, 200, CustomView::kWidth, CustomView::kHeight}, ui::WindowStyle::Titled);
    view_ = EmbededWebview::create({0, 0, CustomView::kWidth, CustomView::kHeight});
    window_->contentView()->addSubview(view_);
    window_->orderFront();
  }
  void TearDown() override {
    if (window_) window_->orderOut();
    view_.reset();
    window_.reset();
    WebPageX11Test::TearDown();
  }
  bool finishedAt(const std::string& url, int timeoutMs = kPageMs) {
    return waitUntil([&] { return view_->webView()->URL() == url; }, timeoutMs);
  }
  unsigned long plug() { return server_->embeddedWindowOf(view_->webView()->surfaceNumber()); }
  ::Window focus() { return keyboardFocus(probe_); }
  // Whether `w` is `ancestor` or lies inside it.
  bool isInside(::Window w, ::Window ancestor) {
    while (w != None && w != ancestor) {
      ::Window root = None, up = None, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(probe_, w, &root, &up, &children, &n)) return false;
      if (children) XFree(children);
      if (w == root) return false;
      w = up;
    }
    return w != None;
  }
  void click(int x, int y) {
    XTestFakeMotionEvent(probe_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(probe_, Button1, True, CurrentTime);
    XTestFakeButtonEvent(probe_, Button1, False, CurrentTime);
    XSync(probe_, False);
  }
  unsigned long pixel(int x, int y) {
    XImage* image = XGetImage(probe_, server_->xWindowOf(*window_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0UL;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return p;
  }

  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<EmbededWebview> view_;
};

TEST_F(WebSearchX11Test, TheSearchRowShowsTheEnginesPageInThePreview) {
  view_->setJsonData(Json{{"search", true}, {"search_context", "a&b"}}, "");
  ASSERT_TRUE(finishedAt(site_.base() + "/search?q=a%26b")) << view_->webView()->URL();
  ASSERT_EQ(site_.count("/search", "a&b"), 1u);
  EXPECT_EQ(site_.requests()[0].target, "/search?q=a%26b");
  EXPECT_EQ(site_.requests()[0].agent, kEmbeddedWebUserAgent);
  // The page lies in the child window under the bar, sized by the helper to fill it.
  const unsigned long socket = view_->webView()->nativeWindow();
  EXPECT_EQ(geometry(socket), (Geometry{0, 38, 336, 231, true}));
  EXPECT_TRUE(waitUntil([&] { return geometry(plug()) == Geometry{0, 0, 336, 231, true}; }, kPageMs));
  // The loopback results page's colour, drawn by the helper into our window.
  ASSERT_TRUE(waitUntil([&] { return pixel(5, 260) == 0x2f7d7a; }, kPageMs)) << std::hex << pixel(5, 260);
  EXPECT_TRUE(writeScreenshot(display_, server_->xWindowOf(*window_), "web-search-preview-light"));
  ui::SystemAppearance::shared().setDark(true);
  EXPECT_TRUE(waitUntil([&] { return pixel(5, 5) != 0xf5f5f7 && !server_->frameScheduled(); }));
  EXPECT_TRUE(writeScreenshot(display_, server_->xWindowOf(*window_), "web-search-preview-dark"));

  // The preview grows: the bar keeps to the top, the page takes the rest, in our window and in the plug.
  view_->setFrameSize({336, 300});
  window_->setContentSize({336, 300});
  EXPECT_TRUE(waitUntil([&] { return geometry(socket) == Geometry{0, 38, 336, 262, true}; }));
  EXPECT_TRUE(waitUntil([&] { return geometry(plug()).h == 262; }, kPageMs)) << geometry(plug()).h;
}

TEST_F(WebSearchX11Test, BackAndForwardWalkTwoNavigations) {
  WebViewToolbar& bar = *view_->webViewToolbar();
  view_->setJsonData(Json{{"search_context", "one"}}, "");
  const std::string first = site_.base() + "/search?q=one", second = site_.base() + "/second";
  ASSERT_TRUE(finishedAt(first));
  EXPECT_FALSE(bar.back()->enabled());
  view_->webView()->loadURL(second);
  ASSERT_TRUE(finishedAt(second));
  EXPECT_TRUE(bar.back()->enabled());
  EXPECT_FALSE(bar.forward()->enabled());
  bar.backAction();
  ASSERT_TRUE(finishedAt(first));
  EXPECT_FALSE(bar.back()->enabled());
  EXPECT_TRUE(bar.forward()->enabled());
  bar.forwardAction();
  ASSERT_TRUE(finishedAt(second));
  EXPECT_TRUE(bar.back()->enabled());
  bar.homeAction();
  EXPECT_TRUE(finishedAt(first));
}

// Typing goes to our window (the search field) while a page loads; a click on the page gives it the
// keyboard, and a click beside it takes the keyboard back.
TEST_F(WebSearchX11Test, TheKeyboardStaysWithUsUntilThePageIsClicked) {
  const ::Window ours = server_->xWindowOf(*window_);
  window_->makeKeyAndOrderFront();
  ASSERT_TRUE(waitUntil([&] { return focus() == ours; }));
  view_->setJsonData(Json{{"search_context", "keys"}}, "");
  ASSERT_TRUE(finishedAt(site_.base() + "/search?q=keys"));
  ASSERT_TRUE(waitUntil([&] { return geometry(plug()).viewable; }, kPageMs));
  EXPECT_EQ(focus(), ours) << "the page took the keyboard while loading";

  int x = 0, y = 0;
  ::Window child = None;
  XTranslateCoordinates(probe_, ours, DefaultRootWindow(probe_), 0, 0, &x, &y, &child);
  click(x + 150, y + 150);  // on the page
  EXPECT_TRUE(waitUntil([&] { return focus() != ours && isInside(focus(), plug()); }, kPageMs));
  click(x + 200, y + 19);  // on the bar, beside the buttons
  EXPECT_TRUE(waitUntil([&] { return focus() == ours; }));
}

TEST_F(WebSearchX11Test, AHelperKilledMidPageIsStartedAgainAndThePageLoadsAgain) {
  view_->setJsonData(Json{{"search_context", "slow"}}, "");
  ASSERT_TRUE(waitUntil([&] { return site_.count("/search", "slow") == 1; }, kPageMs));
  const int first = client_->helperPid();
  ASSERT_GT(first, 0);
  ::kill(first, SIGKILL);
  ASSERT_TRUE(waitUntil([&] { return site_.count("/search", "slow") == 2; }, kPageMs));
  EXPECT_NE(client_->helperPid(), first);
  site_.release();
  EXPECT_TRUE(finishedAt(site_.base() + "/search?q=slow"));
  EXPECT_TRUE(view_->webView()->available());
  EXPECT_FALSE(view_->offersBrowser());
}

// Every page the view finished, in order.
class FinishedPages : public WebViewNavigationDelegate {
 public:
  void webViewDidFinishNavigation(WebView& view) override { urls.push_back(view.URL()); }
  std::vector<std::string> urls;
};

// A page may open a new window (shown in this view) on the web, never at a file of this machine: file
// addresses are for the program's own loads (the manual).
TEST_F(WebSearchX11Test, APageOpensOnlyWebAddressesInANewWindow) {
  auto finished = std::make_shared<FinishedPages>();
  view_->webView()->setNavigationDelegate(finished);
  const std::string file = home_ / "private.html";
  std::ofstream(file) << "<p>a file of this machine</p>";
  ::Window ours = server_->xWindowOf(*window_);
  int x = 0, y = 0;
  ::Window child = None;
  XTranslateCoordinates(probe_, ours, DefaultRootWindow(probe_), 0, 0, &x, &y, &child);

  const std::string toFile = site_.base() + "/opener?to=file://" + file;
  view_->webView()->loadURL(toFile);
  ASSERT_TRUE(finishedAt(toFile));
  ASSERT_TRUE(waitUntil([&] { return geometry(plug()).viewable; }, kPageMs));
  click(x + 150, y + 150);
  // The page carried on after asking: the window was refused by then.
  ASSERT_TRUE(waitUntil([&] { return site_.count("/opened", "") == 1; }, kPageMs));

  const std::string toWeb = site_.base() + "/opener?to=" + site_.base() + "/second";
  view_->webView()->loadURL(toWeb);
  ASSERT_TRUE(finishedAt(toWeb));
  click(x + 150, y + 150);
  EXPECT_TRUE(finishedAt(site_.base() + "/second"));
  for (const std::string& url : finished->urls) EXPECT_EQ(url.rfind("file:", 0), std::string::npos) << url;
}

TEST_F(WebSearchX11Test, WithoutTheHelperTheViewOffersTheBrowser) {
  WebEngine::install(WebHelperClient::create(home_ / "no-such-helper", display_, [] { return 1.0; }));
  auto view = EmbededWebview::create({0, 0, CustomView::kWidth, CustomView::kHeight});
  window_->contentView()->addSubview(view);
  view->setJsonData(Json{{"search_context", "x"}}, "");
  EXPECT_TRUE(waitUntil([&] { return view->offersBrowser(); }));
  EXPECT_TRUE(site_.requests().empty());
}

// Told of a window that is not there (gone already, or not yet known to the server), the helper makes no
// page outside every window: it says the view is closed, so the program can embed it again.
TEST_F(WebSearchX11Test, AnEmbedIntoAWindowThatIsNotThereIsAnsweredClosed) {
  const ::Window gone = XCreateSimpleWindow(probe_, DefaultRootWindow(probe_), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(probe_, gone);
  XSync(probe_, False);
  std::mutex mutex;
  std::vector<std::string> events;
  WebHelperProcess::Callbacks callbacks;
  callbacks.report = [&](Json report) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(report.value("event", "") + ":" + std::to_string(report.value("view", -1)));
  };
  auto helper = WebHelperProcess::start(VL_WEBVIEW_HELPER, {{"DISPLAY", display_}, {"GDK_BACKEND", "x11"}},
                                        std::move(callbacks));
  ASSERT_TRUE(helper);
  ASSERT_TRUE(helper->send({{"cmd", "embed"}, {"view", 7}, {"window", gone}, {"width", 50}, {"height", 50}}));
  ASSERT_TRUE(helper->send({{"cmd", "load"}, {"view", 7}, {"url", site_.base() + "/second"}}));
  auto saw = [&](const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex);
    return std::find(events.begin(), events.end(), event) != events.end();
  };
  EXPECT_TRUE(waitUntil([&] { return saw("closed:7"); }, kPageMs));
  helper->stop();
  EXPECT_FALSE(saw("finished:7"));
  EXPECT_TRUE(site_.requests().empty());
}

}  // namespace
}  // namespace vl::x11test
