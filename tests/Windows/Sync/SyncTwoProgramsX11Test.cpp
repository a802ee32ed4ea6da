// Device sync end to end: two real programs on one machine, each with its own home, X display and
// clipboard, finding each other through a stand-in BlueZ on a private system bus and syncing over the
// loopback. A serves a network, B joins it through its screens.
// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <cairo.h>

#include <filesystem>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "support/SessionBusTestSupport.h"
#include "support/StandInBlueZ.h"
#include "support/TestSupport.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "SyncProgramTestSupport.h"
#include <X11/Xutil.h>
// clang-format on

namespace vl::x11test {
namespace {

using P = SyncPlaces;

// A PNG of one colour, so the receiving window can be searched for it.
std::string solidPng(double r, double g, double b) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 48, 48);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, r / 255, g / 255, b / 255);
  cairo_paint(cr);
  cairo_destroy(cr);
  std::string png;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* out, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(surface);
  return png;
}

// Pixels of the window with exactly that colour.
int pixelsOf(Display* x, ::Window window, unsigned long rgb) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(x, window, &a) || a.map_state != IsViewable) return 0;
  XImage* image = XGetImage(x, window, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                            AllPlanes, ZPixmap);
  if (!image) return 0;
  int n = 0;
  for (int y = 0; y < image->height; ++y)
    for (int i = 0; i < image->width; ++i) n += (XGetPixel(image, i, y) & 0xffffff) == rgb;
  XDestroyImage(image);
  return n;
}

// PNG files received into the program's forever folder.
int receivedImages(const std::string& home) {
  int n = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(home + "/.vellisto/forever", ec)) {
    std::optional<std::string> bytes = files::readFile(entry.path().string());
    n += bytes && bytes->rfind("\x89PNG", 0) == 0;
  }
  return n;
}

class SyncTwoProgramsX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped()) return;
    if (!files::exists(Program::path())) GTEST_SKIP() << "build the vellisto target first";
    const std::string second = secondServer_.displayName();
    if (second.empty()) GTEST_SKIP() << secondServer_.skipReason();
    a_.emplace(display_);
    b_.emplace(second);
    for (Desk* desk : {&*a_, &*b_})
      if (!desk->failure().empty()) GTEST_SKIP() << desk->failure();
    if (session_.address().empty()) GTEST_SKIP() << session_.skipReason();
    ASSERT_FALSE(system_.address().empty()) << system_.skipReason();
    bluez_.emplace(system_.address());
    ASSERT_TRUE(bluez_->ready());
  }
  void TearDown() override {
    a_.reset();
    b_.reset();
    bluez_.reset();
    secondServer_.stop();
  }

  void start(Desk& desk, const test::TempDir& root) {
    desk.program.emplace(
        root.path(), desk.display(),
        std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=" + session_.address(),
                                 "DBUS_SYSTEM_BUS_ADDRESS=" + system_.address(), "VELLISTO_SYNC_IFACE=lo",
                                 "VELLISTO_SYNC_PORT=" + std::to_string(port_), "VELLISTO_LOG=debug"});
    ASSERT_TRUE(desk.program->started());
  }
  // The network A made earlier, with its password.
  std::string storeNetwork(const std::string& home) {
    auto network = ServerSyncNetworkBean::ofName("Home", "pw");
    const std::string folder = home + "/.config/vellisto";
    EXPECT_TRUE(files::createDirectories(folder));
    UserDefaults defaults(UserDefaults::kStandardDomain, folder + "/vellisto.json");
    EXPECT_TRUE(defaults.setObject(CreatedDataSyncStore::kDefaultsKey, Json::array({network->toJson()})));
    return network->identifier();
  }
  // Switch on, Next, OK: A serves the network it made earlier.
  void serve(Desk& a) {
    switchSync(a);
    ASSERT_TRUE(a.logged("sync: start panel shown")) << a.errors();
    a.clickPanel(P::kRightItemX, P::kRightItemY);
    ASSERT_TRUE(a.logged("sync: network list shown (1)")) << a.errors();
    a.clickPanel(P::kRightItemX, P::kRightItemY);
    ASSERT_TRUE(a.logged("sync bar: serving on port " + std::to_string(port_))) << a.errors();
  }
  static void switchSync(Desk& desk) {
    desk.click(desk.size().first - P::kSwitchFromRight, -P::kSwitchFromBottom);
  }
  // What a program on that root said so far, also while none runs.
  static std::size_t said(const test::TempDir& root, const std::string& needle) {
    const std::string text = files::readFile(root.path() + "/vellisto.err").value_or("");
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
  }
  // B: the start panel, the join tile, Next: the join page scans.
  static void toJoinPage(Desk& b) {
    const std::size_t shown = b.count("sync: start panel shown");
    switchSync(b);
    ASSERT_TRUE(b.logged("sync: start panel shown", shown)) << b.errors();
    const std::size_t chosen = b.count("\"Join a network\" selected");
    b.clickPanel(P::kJoinTileX, P::kJoinTileY);
    ASSERT_TRUE(b.logged("\"Join a network\" selected", chosen)) << b.errors();
    const std::size_t pages = b.count("sync: join page shown");
    b.clickPanel(P::kRightItemX, P::kRightItemY);
    ASSERT_TRUE(b.logged("sync: join page shown", pages)) << b.errors();
  }
  // A copy on one desk reaches the other's history. One poll a second carries it; the limit is for a
  // machine whose every core is busy.
  static void textTravels(Desk& from, Desk& to, const std::string& text) {
    const std::string line = "sync merge: appended " + Vellisto_Chunk::md5HexDigest(text);
    ASSERT_TRUE(xclipSet(from.display(), "UTF8_STRING", text));
    EXPECT_TRUE(to.logged(line)) << text << "\n" << to.errors() << "\nThe sender:\n" << from.errors();
  }
  static void imageTravels(Desk& from, Desk& to, unsigned long rgb) {
    const int before = receivedImages(to.program->home());
    const std::size_t stored = to.count("sync transfer: image");
    ASSERT_TRUE(xclipSet(from.display(), "image/png", solidPng(rgb >> 16, (rgb >> 8) & 0xff, rgb & 0xff)));
    ASSERT_TRUE(to.logged("sync transfer: image", stored)) << to.errors() << "\nThe sender:\n"
                                                           << from.errors();
    EXPECT_TRUE(eventually([&] { return receivedImages(to.program->home()) > before; }));
    // In the list (and the preview of the chosen row) of the receiving window.
    EXPECT_TRUE(eventually([&] { return pixelsOf(to.x(), to.mainWindow(), rgb) > 200; }))
        << "a picture of the window: " << writeScreenshot(to.display(), to.mainWindow(), "failed-sync-image")
        << "\n"
        << to.errors();
  }

  XvfbServer secondServer_;
  std::optional<Desk> a_, b_;
  dbustest::PrivateSessionBus session_;
  dbustest::PrivateSessionBus system_;
  std::optional<dbustest::StandInBlueZ> bluez_;
  test::TempDir rootA_{"vl-sync-a"}, rootB_{"vl-sync-b"};
  const int port_ = freeLoopbackPort();
};

TEST_F(SyncTwoProgramsX11Test, AJoinedProgramSyncsBothWaysUntilItIsDisconnected) {
  Desk& a = *a_;
  Desk& b = *b_;
  const std::string network = storeNetwork(rootA_.path() + "/home");
  start(a, rootA_);
  start(b, rootB_);
  for (Desk* desk : {&a, &b}) {
    // Copies count from the end of launching; the hot key is grabbed by then.
    ASSERT_TRUE(desk->logged("start-up: launching finished")) << desk->errors();
    ASSERT_TRUE(desk->openMainWindow()) << desk->errors();
  }

  serve(a);

  // B copied something before it joins; A's history is empty.
  const std::string before = "copied on B before joining";
  ASSERT_TRUE(xclipSet(b.display(), "UTF8_STRING", before));
  ASSERT_TRUE(b.logged("append sig=" + Vellisto_Chunk::md5HexDigest(before))) << b.errors();

  // B finds it and signs in with a wrong password: the password panel asks again and nothing is joined.
  toJoinPage(b);
  ASSERT_TRUE(b.logged("sync: network " + network + " found nearby")) << b.errors();
  b.clickPanel(P::kFoundRowX, P::kFoundRowY);
  ASSERT_TRUE(b.logged("sync: password page shown")) << b.errors();
  b.type("wrong");
  b.clickPanel(P::kRightItemX, P::kRightItemY);
  ASSERT_TRUE(b.logged("sync: password panel shown")) << b.errors();
  EXPECT_EQ(b.count("sync: joined network"), 0u);
  EXPECT_EQ(a.count("sync bar: 1 devices connected"), 0u);
  // The panel's field has the keyboard; the right password joins.
  b.type("pw");
  b.clickPanel(P::kRightItemX, P::kRightItemY);
  const std::size_t listings = a.count("Show On HintTable");
  ASSERT_TRUE(b.logged("sync: joined network " + network)) << b.errors();
  ASSERT_TRUE(a.logged("sync bar: 1 devices connected")) << a.errors();
  // B's first sync brought its copy into A's empty history, and A's list shows it.
  ASSERT_TRUE(a.logged("sync merge: appended " + Vellisto_Chunk::md5HexDigest(before))) << a.errors();
  EXPECT_TRUE(a.logged("Show On HintTable", listings)) << a.errors();

  textTravels(a, b, "copied on A, read on B");
  textTravels(b, a, "copied on B, read on A");
  imageTravels(a, b, 0xfa00fa);
  imageTravels(b, a, 0x00fafa);

  // B quits: its goodbye takes it off A's devices.
  std::size_t left = a.count("sync bar: 0 devices connected");
  b.program.reset();
  ASSERT_TRUE(a.logged("sync bar: 0 devices connected", left)) << a.errors();

  // B again: its join page joins the remembered network by itself, with no password.
  const std::size_t launched = said(rootB_, "start-up: launching finished");
  const std::size_t asked = said(rootB_, "sync: password");
  const std::size_t connected = a.count("sync bar: 1 devices connected");
  start(b, rootB_);
  ASSERT_TRUE(b.logged("start-up: launching finished", launched)) << b.errors();
  ASSERT_TRUE(b.openMainWindow()) << b.errors();
  toJoinPage(b);
  ASSERT_TRUE(b.logged("sync: joined network " + network + " with its remembered token")) << b.errors();
  ASSERT_TRUE(a.logged("sync bar: 1 devices connected", connected)) << a.errors();
  b.clickPanel(P::kRightItemX, P::kRightItemY);
  ASSERT_TRUE(b.logged("sync: the bar is open as a joined device")) << b.errors();
  EXPECT_EQ(said(rootB_, "sync: password"), asked) << "asked for the password again";

  // A disconnects B on its devices screen: B's bar closes and says why.
  const std::size_t offs = b.count("sync bar: off");
  const std::size_t alerts = b.count("sync: alert shown over the main window");
  left = a.count("sync bar: 0 devices connected");
  a.click(a.size().first - P::kStatusButtonFromRight, -P::kStatusButtonFromBottom);
  ASSERT_TRUE(a.logged("sync: devices panel shown")) << a.errors();
  a.clickPanel(P::kDisconnectX, P::kDisconnectY);
  ASSERT_TRUE(a.logged("sync: asking before disconnecting a device")) << a.errors();
  a.clickPanel(P::kPageAlertOkX, P::kPageAlertOkY);
  ASSERT_TRUE(a.logged("sync: a connected device is to be disconnected")) << a.errors();
  EXPECT_TRUE(b.logged("the serving device disconnected this device")) << b.errors();
  EXPECT_TRUE(b.logged("sync bar: off", offs)) << b.errors();
  EXPECT_TRUE(b.logged("sync: alert shown over the main window", alerts)) << b.errors();
  EXPECT_TRUE(a.logged("sync bar: 0 devices connected", left)) << a.errors();
}

// Many adapters cannot advertise: A still serves (a device that knows the address reaches it), but an
// alert and the bar tell that nobody nearby can find the network.
TEST_F(SyncTwoProgramsX11Test, ANetworkBluetoothCannotAdvertiseIsServedAndTheUserIsTold) {
  bluez_.reset();
  dbustest::StandInBlueZ::Options options;
  options.canAdvertise = false;
  bluez_.emplace(system_.address(), options);
  ASSERT_TRUE(bluez_->ready());
  Desk& a = *a_;
  storeNetwork(rootA_.path() + "/home");
  start(a, rootA_);
  ASSERT_TRUE(a.logged("start-up: launching finished")) << a.errors();
  ASSERT_TRUE(a.openMainWindow()) << a.errors();
  serve(a);
  EXPECT_TRUE(a.logged("sync bar: serving, but not findable")) << a.errors();
  EXPECT_TRUE(a.logged("sync: message shown over the main window")) << a.errors();
  EXPECT_EQ(bluez_->seen().advertisements, 0);
  EXPECT_TRUE(listening(port_));
}

}  // namespace
}  // namespace vl::x11test
