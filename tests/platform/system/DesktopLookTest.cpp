#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/system/dbus/IconPixmaps.h"
#include "platform/system/dbus/MenuLayout.h"
#include "platform/system/desktop/DesktopAppearance.h"
#include "platform/system/desktop/GtkTheme.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/view/Appearance.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

std::vector<std::uint8_t> pixel(const dbus::IconPixmap& p, int x, int y) {
  auto at = p.argb.begin() + (static_cast<std::ptrdiff_t>(y) * p.width + x) * 4;
  return {at, at + 4};
}

TEST(IconPixmapsTest, ScaledIntoAnArgbSquareWithoutDarkenedEdges) {
  // 2 x 1: opaque red, then fully transparent black.
  ui::Image wide({2, 1}, 2, 1, {255, 0, 0, 255, 0, 0, 0, 0});
  auto up = dbus::iconPixmaps(wide, {4});
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(pixel(up[0], 0, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));  // centred: top row empty
  EXPECT_EQ(pixel(up[0], 1, 1), (std::vector<std::uint8_t>{255, 255, 0, 0}));
  EXPECT_EQ(pixel(up[0], 2, 1), (std::vector<std::uint8_t>{0, 0, 0, 0}));

  // Half the pixels transparent: half the alpha, but the colour stays white.
  ui::Image square({2, 2}, 2, 2, {255, 255, 255, 255, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0});
  auto down = dbus::iconPixmaps(square, {1});
  EXPECT_EQ(pixel(down[1], 0, 0), (std::vector<std::uint8_t>{128, 255, 255, 255}));
  EXPECT_EQ(down[0].width, 2);  // its own size is sent too, largest first

  EXPECT_TRUE(dbus::iconPixmaps(ui::Image({16, 16})).empty());
  EXPECT_TRUE(dbus::iconPixmaps(ui::Image({2000, 1}, 2000, 1, std::vector<std::uint8_t>(8000))).empty());
}

TEST(GtkThemeTest, DarkFromThemeNameOrSettingsFile) {
  test::ScopedEnv env("GTK_THEME", std::nullopt);
  for (auto [name, dark] : std::vector<std::pair<const char*, bool>>{
           {"Adwaita:dark", true}, {"Arc-Dark", true}, {"Adwaita", false}, {"darkness", false}}) {
    EXPECT_EQ(gtkThemeNameIsDark(name), dark) << name;
  }
  struct Case {
    std::string ini;
    std::optional<bool> dark;
  };
  for (const Case& c : std::vector<Case>{
           {"[Settings]\ngtk-application-prefer-dark-theme=1\ngtk-theme-name=Adwaita\n", true},
           {"[Settings]\ngtk-theme-name = \"Foo-dark\"\n", true},
           {"[Settings]\ngtk-application-prefer-dark-theme=false\n", false},
           {"[Other]\ngtk-theme-name=Foo-dark\n", std::nullopt},
           {"[Settings]\ngtk-theme-name=Foo-dark\n" + std::string(70000, '#'), std::nullopt},
       }) {
    test::TempDir home;
    std::filesystem::create_directories(home / "gtk-3.0");
    std::ofstream(home / "gtk-3.0/settings.ini") << c.ini;
    EXPECT_EQ(gtkThemePrefersDark(home.path()), c.dark) << c.ini.substr(0, 60);
  }
}

// The settings file is read on the main thread: a FIFO, a device or a folder in its place is passed
// over at once, and the next file still counts.
TEST(GtkThemeTest, ASettingsFileThatIsNoRegularFileIsPassedOverWithoutWaiting) {
  test::ScopedEnv env("GTK_THEME", std::nullopt);
  const std::vector<std::function<void(const std::filesystem::path&)>> makers = {
      [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
      [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); },
      [](const std::filesystem::path& p) { std::filesystem::create_directories(p); },
  };
  for (std::size_t i = 0; i < makers.size(); ++i) {
    test::TempDir home;
    std::filesystem::create_directories(home / "gtk-4.0");
    std::filesystem::create_directories(home / "gtk-3.0");
    makers[i](home / "gtk-4.0/settings.ini");
    std::ofstream(home / "gtk-3.0/settings.ini") << "[Settings]\ngtk-theme-name=Foo-dark\n";
    auto answer = std::async(std::launch::async, [&] { return gtkThemePrefersDark(home.path()); });
    const bool answered = answer.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!answered) {
      // Lets a read stuck on the FIFO end, so the test can report instead of hanging.
      const int writer = ::open((home / "gtk-4.0/settings.ini").c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
    ASSERT_TRUE(answered) << "case " << i;
    EXPECT_EQ(answer.get(), std::optional<bool>(true)) << "case " << i;
  }
}

// Light or dark follows the desktop while the program runs: GTK's settings file as it is made, changed
// and removed, the theme a settings manager announces, and the portal, which wins while it states a mode.
// Runs the main queue until the condition holds, for at most a minute (the file watch's thread posts).
bool settles(const std::function<bool()>& condition) {
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
       std::chrono::steady_clock::now() < deadline;) {
    dispatch::MainLoop::runUntilIdle();
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

TEST(DesktopAppearanceTest, FollowsTheGtkThemeAndThePortalLive) {
  test::ScopedEnv forced("VELLISTO_APPEARANCE", std::nullopt);
  test::ScopedEnv gtk("GTK_THEME", std::nullopt);
  dispatch::MainLoop::adoptCurrentThread();
  test::TempDir home;
  const std::filesystem::path ini = home / "gtk-3.0/settings.ini";
  auto write = [&](const std::string& text) {
    std::filesystem::create_directories(home / "gtk-3.0");
    ASSERT_TRUE(files::atomicWrite(ini.string(), text));
  };
  DesktopAppearance& appearance = DesktopAppearance::shared();
  ui::SystemAppearance::shared().setDark(true);
  appearance.follow(home.path());
  struct Step {
    const char* what;
    std::function<void()> act;
    bool dark;
  };
  const std::vector<Step> steps = {
      {"no settings at all", [] {}, false},
      {"the folder and a dark theme in it", [&] { write("[Settings]\ngtk-theme-name=Adwaita-dark\n"); },
       true},
      {"a settings manager names a light theme", [&] { appearance.setLiveThemeName("Adwaita"); }, false},
      {"the file prefers dark", [&] { write("[Settings]\ngtk-application-prefer-dark-theme=1\n"); }, true},
      {"the portal states light", [&] { appearance.portalAnswered(false); }, false},
      {"the file changes under a portal", [&] { write("[Settings]\ngtk-theme-name=Foo-dark\n"); }, false},
      {"the portal states no preference", [&] { appearance.portalAnswered(std::nullopt); }, false},
      {"the manager goes", [&] { appearance.setLiveThemeName(std::nullopt); }, true},
      {"the file is removed", [&] { std::filesystem::remove(ini); }, false},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_TRUE(settles([&] { return ui::SystemAppearance::shared().isDark() == step.dark; })) << step.what;
  }
  appearance.stop();
  ui::SystemAppearance::shared().setDark(false);
}

TEST(MenuLayoutTest, DeepMenusAreCutAndRemovedRowsAreForgotten) {
  auto root = ui::Menu::create("root");
  auto menu = root;
  for (int i = 0; i < 20; ++i) {
    auto sub = ui::Menu::create();
    menu->addItemWithTitle("level " + std::to_string(i))->setSubmenu(sub);
    menu = sub;
  }
  auto gone = root->addItemWithTitle("gone", "x:");
  dbus::MenuLayoutBuilder builder;
  auto layout = builder.build(root);
  // Rows: one per level kept, plus "gone".
  EXPECT_EQ(layout->nodes.size(), static_cast<std::size_t>(1 + dbus::MenuLayoutBuilder::kMaxDepth + 1));
  const std::int32_t goneId = layout->nodes.at(0).children.back();
  EXPECT_EQ(builder.itemForId(goneId), gone);
  EXPECT_EQ(builder.build(root), layout);  // nothing changed: the same revision

  root->removeItem(gone.get());
  auto after = builder.build(root);
  EXPECT_GT(after->revision, layout->revision);
  EXPECT_EQ(builder.itemForId(goneId), nullptr);
  EXPECT_EQ(builder.menuForId(424242), nullptr);

  // A separator left with nothing to divide is hidden from the host, as on our own menus.
  auto ends = ui::Menu::create("ends");
  ends->addItem(ui::MenuItem::separatorItem());
  ends->addItemWithTitle("a", "x:");
  ends->addItem(ui::MenuItem::separatorItem());
  ends->addItem(ui::MenuItem::separatorItem());
  ends->addItemWithTitle("b", "x:");
  ends->addItem(ui::MenuItem::separatorItem());
  dbus::MenuLayoutBuilder endsBuilder;
  auto endsLayout = endsBuilder.build(ends);
  std::vector<bool> visible;
  for (std::int32_t id : endsLayout->nodes.at(0).children)
    visible.push_back(std::get<bool>(endsLayout->nodes.at(id).properties.at("visible")));
  EXPECT_EQ(visible, (std::vector<bool>{false, true, true, false, true, false}));
}

}  // namespace
}  // namespace vl
