// clang-format off
#include <gtest/gtest.h>
#include "support/X11TestSupport.h"
#include "platform/system/x11/window/X11EmbedSockets.h"
// clang-format on

#include <memory>
#include <vector>

namespace vl::x11test {
namespace {

class X11EmbedSocketsTest : public X11Test {};

// A socket's number is told to the page's process the moment the socket is made, and that process asks
// the server about it on its own connection at once: by then the server must know the window, whether
// it is shown or not.
TEST_F(X11EmbedSocketsTest, ASocketIsKnownToOtherClientsWhenItsNumberIsTold) {
  std::unique_ptr<x11::X11Display> x = x11::X11Display::open(display_);
  ASSERT_TRUE(x);
  Display* other = XOpenDisplay(display_.c_str());
  ASSERT_TRUE(other);
  const ::Window parent = XCreateSimpleWindow(x->get(), x->root(), 0, 0, 300, 200, 0, 0, 0);
  XSync(x->get(), False);

  struct Told {
    int surface;
    bool known;
  };
  std::vector<Told> told;
  x11::X11EmbedSockets sockets(*x, [&](int surface, ::Window window) {
    if (window == None) return;
    XWindowAttributes a{};
    x11::X11ErrorTrap trap(other);
    told.push_back({surface, XGetWindowAttributes(other, window, &a) != 0});
  });
  for (const bool visible : {true, false}) {
    x11::SurfacePlacement p;
    p.owner = 1;
    p.surface = visible ? 2 : 3;
    p.frame = {10, 10, 200, 100};
    p.visible = visible;
    sockets.place(parent, p);
  }
  sockets.ownerRemade(1, parent);

  ASSERT_EQ(told.size(), 4u);
  for (const Told& t : told) EXPECT_TRUE(t.known) << "surface " << t.surface;
  XCloseDisplay(other);
  XDestroyWindow(x->get(), parent);
  XSync(x->get(), False);
}

}  // namespace
}  // namespace vl::x11test
