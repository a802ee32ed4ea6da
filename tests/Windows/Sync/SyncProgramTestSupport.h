#pragma once

// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/ProgramUnderTest.h"
#include "support/X11TestSupport.h"
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {

// A port of the loopback nothing listens on now.
inline int freeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

inline bool listening(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// One desk a user sits at: an X display with its window manager, the keyboard and mouse XTest drives
// there, and the real program on it. Places on the main window are window points from its top left
// (a negative y counts from its bottom); the sync panels drop from the top edge, centred, 375 wide.
class Desk {
 public:
  static constexpr double kPanelWidth = 375;

  // Empty failure(): ready for a program.
  explicit Desk(const std::string& display) : display_(display) {
    x_ = XOpenDisplay(display.c_str());
    if (!x_) {
      failure_ = "cannot open display " + display;
      return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x_, &event, &error, &major, &minor)) {
      failure_ = "no XTest on " + display;
      return;
    }
    wm_ = DisplayHelper::windowManager(display);
    if (!wm_ || !wm_->running()) failure_ = "no window manager on " + display;
  }
  ~Desk() {
    program.reset();
    wm_.reset();
    if (x_) XCloseDisplay(x_);
  }
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  const std::string& failure() const { return failure_; }
  const std::string& display() const { return display_; }
  Display* x() const { return x_; }
  ::Window mainWindow() const { return main_; }

  void keys(const std::vector<KeySym>& chord) { pressChord(x_, chord); }
  void type(const std::string& text) {
    for (char c : text) keys({static_cast<KeySym>(c)});
  }
  void click(int x, int y) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(x_, main_, &a)) return;
    int rx = 0, ry = 0;
    ::Window child = 0;
    XTranslateCoordinates(x_, main_, DefaultRootWindow(x_), x, y < 0 ? a.height + y : y, &rx, &ry, &child);
    // Returns once the program dealt with it: keys typed next must not overtake it.
    EXPECT_TRUE(clickProgram(x_, *program, rx, ry)) << x << "," << y << "\n" << errors();
  }
  // A point of the shown panel, from its top left.
  void clickPanel(double x, double y) {
    click(static_cast<int>((size().first - kPanelWidth) / 2 + x), static_cast<int>(y));
  }
  std::pair<int, int> size() const {
    XWindowAttributes a;
    return XGetWindowAttributes(x_, main_, &a) ? std::pair{a.width, a.height} : std::pair{0, 0};
  }

  // Waits for the program to log `needle` once more than `before` times.
  bool logged(const std::string& needle, std::size_t before = 0, int seconds = 60) const {
    return eventually([&] { return program->count(needle) > before; }, seconds);
  }
  std::size_t count(const std::string& needle) const { return program->count(needle); }
  std::string errors() const { return program ? program->errors() : std::string(); }

  // The hot key, then the main window mapped and its list shown.
  bool openMainWindow() {
    const std::size_t shown = count("Show On HintTable");
    keys({XK_Control_L, XK_Alt_L, XK_v});
    return eventually([&] { return (main_ = findMain()) != 0; }) && logged("Show On HintTable", shown) &&
           programTakesKeys(x_);
  }

  std::optional<Program> program;

 private:
  // Windows of the desk come and go during the walk (tooltips, popups): a window gone between listing
  // and asking is no failure.
  ::Window findMain() {
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const ::Window found = findMapped(DefaultRootWindow(x_), "Vellisto");
    XSync(x_, False);
    XSetErrorHandler(previous);
    return found;
  }
  ::Window findMapped(::Window parent, const std::string& title) {
    return findMappedWindow(x_, parent, title);
  }

  std::string display_;
  Display* x_ = nullptr;
  std::unique_ptr<DisplayHelper> wm_;
  ::Window main_ = 0;
  std::string failure_;
};

// Where the sync screens put what the roads click. The main window: the sync bar's switch at the foot
// of the preview column, and the button of its status view (a served network's devices, a joined
// network's name) left of it, both from the window's right and bottom edges. In a panel, from its top
// left: the navigation bar's right button, the first row (the "new network", current network and
// password rows), the join tile of the start panel, the first row of the join page's found networks,
// the first device's Disconnect, and the OK of a question asked over a panel page.
struct SyncPlaces {
  static constexpr int kSwitchFromRight = 40, kSwitchFromBottom = 25;
  static constexpr int kStatusButtonFromRight = 196, kStatusButtonFromBottom = 29;
  static constexpr double kRightItemX = 332, kRightItemY = 22;
  static constexpr double kFirstRowX = 100, kFirstRowY = 94;
  static constexpr double kJoinTileX = 281, kJoinTileY = 205;
  static constexpr double kFoundRowX = 100, kFoundRowY = 179;
  static constexpr double kDisconnectX = 310, kDisconnectY = 94;
  static constexpr double kPageAlertOkX = 295, kPageAlertOkY = 243;
};

}  // namespace vl::x11test
