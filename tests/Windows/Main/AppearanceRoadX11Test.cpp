// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "support/ProgramUnderTest.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace vl::x11test {
namespace {

// A settings manager as a desktop runs one: it owns _XSETTINGS_S0 and publishes the GTK theme's name
// (Net/ThemeName) in _XSETTINGS_SETTINGS, and changes it when the user picks another theme.
class SettingsManager {
 public:
  explicit SettingsManager(const std::string& display) : d_(XOpenDisplay(display.c_str())) {
    if (!d_) return;
    owner_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d_, XInternAtom(d_, "_XSETTINGS_S0", False), owner_, CurrentTime);
    XSync(d_, False);
  }
  ~SettingsManager() {
    if (d_) XCloseDisplay(d_);
  }
  bool ok() const { return d_ && owner_; }

  void publishTheme(const std::string& theme) {
    std::string bytes("\0\0\0\0", 4);  // little-endian
    u32(bytes, ++serial_);
    u32(bytes, 1);
    const std::string name = "Net/ThemeName";
    bytes += '\1';  // a string
    bytes += '\0';
    bytes += static_cast<char>(name.size());
    bytes += '\0';
    bytes += name;
    pad(bytes);
    u32(bytes, serial_);
    u32(bytes, static_cast<std::uint32_t>(theme.size()));
    bytes += theme;
    pad(bytes);
    const Atom settings = XInternAtom(d_, "_XSETTINGS_SETTINGS", False);
    XChangeProperty(d_, owner_, settings, settings, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    XSync(d_, False);
  }

 private:
  static void u32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
  }
  static void pad(std::string& s) {
    while (s.size() % 4) s += '\0';
  }
  Display* d_ = nullptr;
  ::Window owner_ = 0;
  std::uint32_t serial_ = 0;
};

using AppearanceRoadX11Test = X11Test;

// With no desktop portal, light and dark follow the GTK theme while the program runs: the theme the
// settings manager announces, and GTK's settings file, as a user changes either.
TEST_F(AppearanceRoadX11Test, ChangesOfTheGtkThemeShowWithoutARestart) {
  if (!files::exists(Program::path())) VL_SKIP_WITHOUT_DESKTOP("build the vellisto target first");
  SettingsManager manager(display_);
  ASSERT_TRUE(manager.ok());
  manager.publishTheme("Adwaita");
  test::TempDir root("vl-appearance");
  Program program(root.path(), display_);
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(waitUntil([&] { return program.count("start-up: launching finished") == 1; }, kProgramAnswerMs))
      << program.errors();
  EXPECT_EQ(program.count("appearance: dark"), 0u) << program.errors();

  manager.publishTheme("Adwaita-dark");
  EXPECT_TRUE(
      waitUntil([&] { return program.count("appearance: dark from the GTK theme") == 1; }, kProgramAnswerMs))
      << program.errors();
  manager.publishTheme("Adwaita");
  EXPECT_TRUE(
      waitUntil([&] { return program.count("appearance: light from the GTK theme") == 1; }, kProgramAnswerMs))
      << program.errors();

  // The settings file of the program's configuration folder, made after it started.
  const std::string folder = program.home() + "/.config/gtk-3.0";
  ASSERT_TRUE(files::createDirectories(folder));
  ASSERT_TRUE(
      files::atomicWrite(folder + "/settings.ini", "[Settings]\ngtk-application-prefer-dark-theme=1\n"));
  EXPECT_TRUE(
      waitUntil([&] { return program.count("appearance: dark from the GTK theme") == 2; }, kProgramAnswerMs))
      << program.errors();
}

using TrayMenuAppearanceRoadTest = RoadTest;

// The status menu that opens after the desktop went dark while the program ran is dark as the screen
// shows it, as the program's other windows are.
TEST_F(TrayMenuAppearanceRoadTest, TheStatusMenuTurnsDarkWithTheDesktop) {
  SettingsManager manager(display_);
  ASSERT_TRUE(manager.ok());
  manager.publishTheme("Adwaita");
  test::TempDir root("vl-tray-appearance");
  launch(root.path(), {}, true);
  if (HasFatalFailure()) return;
  // The shade (0 black, 255 white) of the middle of the left margin of the menu a click on the icon opens.
  auto menuShade = [&](const std::string& picture) {
    int shade = -1;
    for (int attempt = 0; attempt < 5 && shade < 0; ++attempt) {
      std::optional<std::pair<int, int>> centre;
      if (!waitUntil([&] { return (centre = tray_->iconCentre()).has_value(); })) break;
      const std::vector<Popup> before = popups(keys_);
      clickAt(keys_, centre->first, centre->second);
      std::vector<Popup> menus;
      if (!waitUntil([&] { return !(menus = popups(keys_, before)).empty(); }, 5000)) continue;
      waitUntil([&] { return keyboardGrabbed(keys_); });
      const ::Window menu = menus.front().id;
      waitUntil([&] {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(keys_, menu, &a) || a.map_state != IsViewable) return false;
        XImage* image = XGetImage(keys_, menu, 5, a.height / 2, 1, 1, AllPlanes, ZPixmap);
        if (!image) return false;
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        shade = static_cast<int>(((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff)) / 3;
        return shade > 0;  // black until the first picture is up
      });
      writeScreenshot(display_, menu, picture);
      press({XK_Escape});
      waitUntil([&] { return popups(keys_, before).empty(); });
    }
    return shade;
  };
  const int light = menuShade("tray-menu-light");
  EXPECT_GT(light, 160);
  manager.publishTheme("Adwaita-dark");
  ASSERT_TRUE(waitUntil([&] { return program_->count("appearance: dark from the GTK theme") == 1; },
                        kProgramAnswerMs))
      << program_->errors();
  const int dark = menuShade("tray-menu-dark");
  EXPECT_GE(dark, 0);
  EXPECT_LT(dark, 96);
}

}  // namespace
}  // namespace vl::x11test
