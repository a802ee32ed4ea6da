// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include <gtest/gtest.h>
#include "platform/system/DragSource.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"
#include "support/X11TestSupport.h"
#include "platform/system/x11/window/X11WindowServer.h"
// clang-format on
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <algorithm>
#include <mutex>

namespace vl::x11test {
namespace {

// A client that plays an application taking drops: a window at a fixed place on the root that says it
// speaks XDND 5, answers every position with `accept`, and on a drop reads `want` from the drag's
// selection before it reports the drop finished.
class DropTarget {
 public:
  DropTarget(const std::string& display, int x, int y, bool accept, std::string want)
      : accept_(accept), want_(std::move(want)) {
    display_ = XOpenDisplay(display.c_str());
    XSetWindowAttributes a{};
    a.override_redirect = True;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), x, y, 200, 200, 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWOverrideRedirect, &a);
    const long version = 5;
    XChangeProperty(display_, window_, atom("XdndAware"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XMapRaised(display_, window_);
    XSync(display_, False);
    thread_ = std::thread([this] { run(); });
  }
  ~DropTarget() {
    stop_ = true;
    thread_.join();
    XCloseDisplay(display_);
  }
  std::vector<std::string> messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<std::string> types() {
    std::lock_guard lock(mutex_);
    return types_;
  }
  std::optional<std::string> data() {
    std::lock_guard lock(mutex_);
    return data_;
  }
  bool saw(const std::string& message) {
    auto m = messages();
    return std::find(m.begin(), m.end(), message) != m.end();
  }

 private:
  Atom atom(const char* name) { return XInternAtom(display_, name, False); }
  std::string name(Atom a) {
    char* n = XGetAtomName(display_, a);
    std::string s = n ? n : "";
    if (n) XFree(n);
    return s;
  }
  void note(const std::string& message) {
    std::lock_guard lock(mutex_);
    if (messages_.empty() || messages_.back() != message) messages_.push_back(message);
  }
  // The action goes in the third word of a finish and the fifth of a status.
  void reply(const char* message, long l1, long action) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = source_;
    e.xclient.message_type = atom(message);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(window_);
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[message == std::string("XdndFinished") ? 2 : 4] = action;
    XSendEvent(display_, source_, False, NoEventMask, &e);
    XFlush(display_);
  }
  void readTypes(const XClientMessageEvent& m) {
    std::vector<std::string> types;
    if (m.data.l[1] & 1) {
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      XGetWindowProperty(display_, source_, atom("XdndTypeList"), 0, 64, False, XA_ATOM, &type, &format,
                         &count, &after, &data);
      for (unsigned long i = 0; data && i < count; ++i)
        types.push_back(name(static_cast<Atom>(reinterpret_cast<long*>(data)[i])));
      if (data) XFree(data);
    } else {
      for (int i = 2; i < 5; ++i)
        if (m.data.l[i]) types.push_back(name(static_cast<Atom>(m.data.l[i])));
    }
    std::lock_guard lock(mutex_);
    types_ = types;
  }
  void handle(XEvent& e) {
    if (e.type == SelectionNotify) {
      std::optional<std::string> got;
      if (e.xselection.property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, window_, e.xselection.property, 0, 1 << 20, True, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        if (data) got = std::string(reinterpret_cast<char*>(data), count);
        if (data) XFree(data);
      }
      {
        std::lock_guard lock(mutex_);
        data_ = got;
      }
      reply("XdndFinished", got ? 1 : 0, static_cast<long>(atom("XdndActionCopy")));
      return;
    }
    if (e.type != ClientMessage) return;
    const XClientMessageEvent& m = e.xclient;
    const std::string what = name(m.message_type);
    source_ = static_cast<::Window>(m.data.l[0]);
    if (what == "XdndEnter") {
      readTypes(m);
      note("enter");
    } else if (what == "XdndPosition") {
      note("position");
      reply("XdndStatus", accept_ ? 1 : 0, accept_ ? static_cast<long>(atom("XdndActionCopy")) : 0);
    } else if (what == "XdndLeave") {
      note("leave");
    } else if (what == "XdndDrop") {
      note("drop");
      XConvertSelection(display_, atom("XdndSelection"), atom(want_.c_str()), atom("VL_DROP"), window_,
                        static_cast<Time>(m.data.l[2]));
      XFlush(display_);
    }
  }
  void run() {
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    while (!stop_) {
      while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        handle(e);
      }
      poll(&fd, 1, 20);
    }
  }

  Display* display_ = nullptr;
  ::Window window_ = 0;
  ::Window source_ = 0;
  bool accept_;
  std::string want_;
  std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<std::string> types_;
  std::optional<std::string> data_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A view that drags its items out as soon as the pointer moves with the button held.
class DragOut : public ui::View {
 public:
  DragOut() : ui::View({0, 0, 200, 200}) {}
  bool acceptsFirstMouse(const ui::Event&) override { return true; }
  void mouseDown(const ui::Event&) override { pressed = true; }
  void mouseDragged(const ui::Event&) override {
    if (began) return;
    began = true;
    PasteboardItem item(kPasteboardTypeString, "h\u00e9llo");
    item.setString(kPasteboardTypeHTML, "<b>h\u00e9llo</b>");
    // A red band of 40 by 20 points, held 10 points in from its top left.
    DragImage image;
    ui::DrawCommand band;
    band.rect = {0, 0, 40, 20};
    band.color = ui::Color::rgba(1, 0, 0);
    auto picture = std::make_shared<ui::DisplayList>();
    picture->add(band);
    image.picture = std::move(picture);
    image.size = {40, 20};
    image.grab = {10, 10};
    started = DragSource::shared()->beginDrag(*window(), {item}, std::move(image));
  }
  bool pressed = false;
  bool began = false;
  bool started = false;
};

class X11DragSourceTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    ui::WindowServer::install(server_);
    DragSource::install(server_);
  }
  void TearDown() override {
    DragSource::install(nullptr);
    ui::WindowServer::install(nullptr);
    server_.reset();
    if (probe_) XCloseDisplay(probe_);
  }
  void pointer(int x, int y) {
    XTestFakeMotionEvent(probe_, -1, x, y, CurrentTime);
    XFlush(probe_);
  }
  void button(bool press) {
    XTestFakeButtonEvent(probe_, 1, press, CurrentTime);
    XFlush(probe_);
  }

  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
};

TEST_F(X11DragSourceTest, ADropHandsTheRecordOverAndARefusalOrNowhereEndsQuietly) {
  struct Case {
    const char* name;
    bool target;
    bool accept;
    std::optional<std::string> data;
    const char* logLine;
  };
  for (const Case& c : std::vector<Case>{
           {"accepted", true, true, "h\u00e9llo", "drag: ended, dropped"},
           {"refused", true, false, std::nullopt, "drag: ended, the target did not take it"},
           {"nowhere", false, false, std::nullopt, "drag: ended, dropped where nobody takes it"},
       }) {
    SCOPED_TRACE(c.name);
    log_.reset();
    log_.emplace();
    auto window = ui::Window::create({0, 0, 200, 200}, ui::WindowStyle::Borderless);
    auto view = std::make_shared<DragOut>();
    window->contentView()->addSubview(view);
    window->orderFront();
    ASSERT_TRUE(waitUntil([&] {
      XWindowAttributes a{};
      const ::Window w = server_->xWindowOf(*window);
      return w != None && XGetWindowAttributes(probe_, w, &a) && a.map_state == IsViewable;
    }));
    int wx = 0, wy = 0;
    ::Window child = None;
    ASSERT_TRUE(waitUntil([&] {
      return XTranslateCoordinates(probe_, server_->xWindowOf(*window), DefaultRootWindow(probe_), 0, 0, &wx,
                                   &wy, &child) &&
             wx >= 0;
    }));
    std::optional<DropTarget> target;
    if (c.target) target.emplace(display_, wx + 400, wy, c.accept, "text/plain;charset=utf-8");

    pointer(wx + 50, wy + 50);
    button(true);
    ASSERT_TRUE(waitUntil([&] { return view->pressed; }));
    pointer(wx + 60, wy + 50);
    ASSERT_TRUE(waitUntil([&] { return view->began; }));
    EXPECT_TRUE(view->started);
    // The drag begins on the X side, which owns the drag's selection from then on: a release before
    // would end a drag that never began.
    ASSERT_TRUE(waitUntil([&] {
      return XGetSelectionOwner(probe_, XInternAtom(probe_, "XdndSelection", False)) ==
             server_->xWindowOf(*window);
    }));
    // The source takes the moves in order; only the last one's place matters to the target.
    for (int step = 1; step <= 5; ++step) pointer(wx + 60 + step * 90, wy + 60);
    if (target) {
      // The picture lies under the pointer, and the target under the picture still hears the drag.
      ASSERT_TRUE(waitUntil([&] { return target->saw("position"); }));
    }
    // The row's picture follows the pointer, held where the drag's source said, and shows its pixels.
    ::Window icon = None;
    ASSERT_TRUE(waitUntil([&] {
      icon = server_->dragIconWindow();
      int ix = 0, iy = 0;
      ::Window ignored = None;
      return icon != None &&
             XTranslateCoordinates(probe_, icon, DefaultRootWindow(probe_), 0, 0, &ix, &iy, &ignored) &&
             ix == wx + 60 + 5 * 90 - 10 && iy == wy + 60 - 10;
    }));
    XImage* pixel = XGetImage(probe_, icon, 30, 5, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(pixel, nullptr);
    const unsigned long red = XGetPixel(pixel, 0, 0);
    XDestroyImage(pixel);
    EXPECT_GT((red >> 16) & 0xff, 0xc0u) << std::hex << red;
    EXPECT_LT(red & 0xffff, 0x4040u) << std::hex << red;
    button(false);
    EXPECT_TRUE(waitUntil([&] { return log_->contains(c.logLine); }))
        << testing::PrintToString(log_->lines());
    if (target) {
      const auto types = target->types();
      EXPECT_NE(std::find(types.begin(), types.end(), "text/html"), types.end());
      EXPECT_EQ(target->data(), c.data);
      // The target hears the end on its own thread, maybe after the source logged it.
      EXPECT_TRUE(waitUntil([&] { return target->saw(c.accept ? "drop" : "leave"); }));
      EXPECT_FALSE(target->saw(c.accept ? "leave" : "drop"));
    }
    // The picture goes with the drag.
    EXPECT_TRUE(waitUntil([&] { return server_->dragIconWindow() == None; }));
    window->orderOut();
  }
}

}  // namespace
}  // namespace vl::x11test
