// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include <gtest/gtest.h>
#include "platform/system/web/WebHelperProcess.h"
#include "platform/ui/view/NativeSurfaceView.h"
#include "platform/ui/window/Window.h"
#include "platform/ui/window/WindowServer.h"
#include "support/X11TestSupport.h"
#include "platform/system/x11/window/X11WindowServer.h"
// clang-format on

#include <signal.h>

#include <chrono>
#include <fstream>
#include <future>
#include <mutex>

namespace vl::x11test {
namespace {

TEST(WebHelperLinesTest, ReportsAreBoundedLinesOfFlatObjects) {
  std::vector<std::string> lines;
  WebHelperProcess::LineCutter cutter;
  const auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  // A line may come in pieces; an over-long one goes whole, up to its end, and the next one stays intact.
  cutter.feed(R"({"event":"rea)", collect);
  cutter.feed("dy\"}\n" + std::string(WebHelperProcess::kMaxLine, 'x'), collect);
  cutter.feed(std::string(10, 'y') + "\n{\"event\":\"pong\"}\n\n", collect);
  EXPECT_EQ(lines, (std::vector<std::string>{R"({"event":"ready"})", R"({"event":"pong"})"}));

  struct Case {
    std::string line;
    bool report;
  };
  const Case cases[] = {
      {R"({"event":"finished","view":3,"url":"http://a/","back":true,"forward":false})", true},
      {R"({"event":"finished","extra":{"nested":{"deeper":1}}})", false},
      {R"(["event"])", false},
      {R"({"view":3})", false},
      {R"({"event":7})", false},
      {std::string("{\"event\":\"x\0\"}", 15), false},
      {"\xff\xfe{}", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WebHelperProcess::parseReport(c.line).has_value(), c.report) << c.line;
}

// The state letter of a process in /proc ('T' stopped, 'Z' not yet collected); 0 when there is none.
char processState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

// A helper that was stopped (SIGSTOP, a debugger) or hangs never takes the request to end. Quitting
// waits for it, so stopping it is bounded: it is killed after its grace and collected.
TEST(WebHelperStopTest, AFrozenHelperIsKilledAfterItsGrace) {
  // A program that ends when its input does stands in for the helper.
  auto helper = WebHelperProcess::start("/bin/cat", {}, {});
  ASSERT_NE(helper, nullptr);
  const pid_t pid = helper->pid();
  ASSERT_EQ(::kill(pid, SIGSTOP), 0);
  ASSERT_TRUE(waitUntil([&] { return processState(pid) == 'T'; }));
  const auto start = std::chrono::steady_clock::now();
  constexpr double kGraceMs = 200;
  auto stopped = std::async(std::launch::async, [&] { helper->stop(kGraceMs); });
  const bool ended = stopped.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!ended) ::kill(pid, SIGKILL);  // lets stop() return, so the test can end
  stopped.wait();
  ASSERT_TRUE(ended) << "stopping a frozen helper did not return";
  EXPECT_LT(ms, kGraceMs + 5000);
  EXPECT_EQ(processState(pid), 0) << "the helper is left as a process";
}

class NativeSurfaceX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    ui::WindowServer::install(server_);
  }
  void TearDown() override {
    if (window_) window_->orderOut();
    window_.reset();
    ui::WindowServer::install(nullptr);
    server_.reset();
    if (probe_) XCloseDisplay(probe_);
  }
  struct Geometry {
    int x = -1, y = -1;
    unsigned w = 0, h = 0;
    bool viewable = false;
    bool operator==(const Geometry&) const = default;
  };
  Geometry geometry(::Window w) {
    Geometry g;
    XWindowAttributes a{};
    if (w == None || !XGetWindowAttributes(probe_, w, &a)) return g;
    return {a.x, a.y, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
            a.map_state == IsViewable};
  }

  ::Window parent(::Window w) {
    ::Window root = None, up = None, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(probe_, w, &root, &up, &children, &n)) return None;
    if (children) XFree(children);
    return up;
  }

  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
  std::shared_ptr<ui::Window> window_;
};

TEST_F(NativeSurfaceX11Test, TheChildWindowFollowsItsViewAndGoesWithIt) {
  window_ = ui::Window::create({100, 100, 400, 300}, ui::WindowStyle::Titled);
  auto holder = ui::View::create({0, 0, 400, 300});
  window_->contentView()->addSubview(holder);
  auto surface = std::make_shared<ui::NativeSurfaceView>(ui::Rect{20, 30, 200, 100});
  holder->addSubview(surface);
  window_->orderFront();
  ASSERT_TRUE(waitUntil([&] { return surface->nativeWindow() != 0; }));
  const ::Window child = surface->nativeWindow();
  EXPECT_EQ(parent(child), server_->xWindowOf(*window_));
  // Window pixels from the top left: 300 - 30 - 100 = 170.
  EXPECT_TRUE(waitUntil([&] { return geometry(child) == Geometry{20, 170, 200, 100, true}; }));

  surface->setFrame({50, 10, 300, 250});
  EXPECT_TRUE(waitUntil([&] { return geometry(child) == Geometry{50, 40, 300, 250, true}; }));
  // Clipped by its ancestor: only the part inside the holder shows.
  holder->setFrame({0, 0, 200, 300});
  EXPECT_TRUE(waitUntil([&] { return geometry(child) == Geometry{50, 40, 150, 250, true}; }));
  holder->setHidden(true);
  EXPECT_TRUE(waitUntil([&] { return !geometry(child).viewable; }));
  holder->setHidden(false);
  EXPECT_TRUE(waitUntil([&] { return geometry(child).viewable; }));
  // An overlay drawn over it (a view added later, over the holder) would vanish under the child window:
  // the child window hides while it is there.
  auto overlay = ui::View::create({100, 100, 50, 50});
  window_->contentView()->addSubview(overlay);
  EXPECT_TRUE(waitUntil([&] { return !geometry(child).viewable; }));
  overlay->removeFromSuperview();
  EXPECT_TRUE(waitUntil([&] { return geometry(child).viewable; }));

  // Out of the window (a preview showing another record) it waits hidden, and comes back as it was.
  surface->removeFromSuperview();
  EXPECT_TRUE(waitUntil([&] { return !geometry(child).viewable; }));
  EXPECT_EQ(surface->nativeWindow(), child);
  holder->addSubview(surface);
  EXPECT_TRUE(waitUntil([&] { return geometry(child) == Geometry{50, 40, 150, 250, true}; }));
  // Gone with its view.
  surface->removeFromSuperview();
  surface.reset();
  window_->contentView()->setNeedsDisplay(true);
  EXPECT_TRUE(waitUntil([&] { return geometry(child).w == 0; })) << "the child window outlived its view";
}

#ifdef VL_WEBVIEW_HELPER
// The helper program itself: it answers once GTK is up and takes no harm from what does not fit.
TEST_F(NativeSurfaceX11Test, TheHelperSkipsHostileLinesAndKeepsAnswering) {
  std::mutex mutex;
  std::vector<std::string> events;
  bool ended = false;
  WebHelperProcess::Callbacks callbacks;
  callbacks.report = [&](Json report) {
    std::lock_guard lock(mutex);
    events.push_back(report.value("event", ""));
  };
  callbacks.ended = [&] {
    std::lock_guard lock(mutex);
    ended = true;
  };
  auto count = [&](const std::string& event) {
    std::lock_guard lock(mutex);
    return std::count(events.begin(), events.end(), event);
  };
  auto helper = WebHelperProcess::start(VL_WEBVIEW_HELPER, {{"DISPLAY", display_}, {"NO_AT_BRIDGE", "1"}},
                                        std::move(callbacks));
  ASSERT_NE(helper, nullptr);
  ASSERT_TRUE(waitUntil([&] { return count("ready") == 1; }, 30000));
  ASSERT_TRUE(helper->send({{"cmd", "ping"}}));
  ASSERT_TRUE(waitUntil([&] { return count("pong") == 1; }));

  // Longer than any line the helper reads: refused here, and dropped there when written anyway.
  const Json tooLong{{"cmd", "load"}, {"view", 1}, {"url", std::string(300 * 1024, 'a')}};
  EXPECT_FALSE(helper->send(tooLong));
  ASSERT_TRUE(helper->sendLine(tooLong.dump()));
  for (const std::string& hostile :
       {std::string(5000, '[') + std::string(5000, ']'), std::string(R"({"cmd":{"cmd":{"cmd":"ping"}}})"),
        std::string(R"({"cmd":"embed","view":1,"window":-5})"), std::string(R"({"cmd":"back","view":99})"),
        std::string("{\"cmd\":\"p\0ing\"}", 15), std::string("\xff\xfe"), std::string("[1,2]")}) {
    ASSERT_TRUE(helper->sendLine(hostile));
  }
  ASSERT_TRUE(helper->send({{"cmd", "ping"}}));
  EXPECT_TRUE(waitUntil([&] { return count("pong") == 2; }));
  helper->stop();
  EXPECT_TRUE(waitUntil([&] {
    std::lock_guard lock(mutex);
    return ended;
  }));
}
#endif

}  // namespace
}  // namespace vl::x11test
