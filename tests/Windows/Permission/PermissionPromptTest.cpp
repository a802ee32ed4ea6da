#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/preview/FilePermissionView.h"
#include "Windows/Permission/DirectPasteObstacle.h"
#include "Windows/Permission/PermissionView2.h"
#include "Windows/Permission/PermissionWindow.h"
#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/headless/HeadlessKeyEventPoster.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Window.h"
#include "support/Gallery.h"
#include "theme/ClassicThemeFixture.h"

namespace vl {
namespace {

PasteSession gSession;
PasteSession fakeSession() { return gSession; }

class PermissionPromptTest : public test::ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    gSession = {};
    WindowCenter::shared().resetForTesting();
  }
  void TearDown() override {
    WindowCenter::shared().resetForTesting();
    KeyEventPoster::install(nullptr);
    ClassicThemeFixture::TearDown();
  }
  // The permission window with a view that reads `gSession`.
  std::shared_ptr<PermissionWindow> permissionWindow() {
    auto window = PermissionWindow::registerPermissionWindow(fakeSession);
    EXPECT_EQ(window->permissionView()->frame().size, window->contentRect().size);
    return window;
  }
};

TEST_F(PermissionPromptTest, ThePromptSaysWhatThisDesktopLacks) {
  struct Case {
    PasteSession session;
    DirectPasteObstacle obstacle;
    const char* textKey;
  };
  const Case cases[] = {
      {{true, true, "", "x11"}, DirectPasteObstacle::None, "permission.missing.none"},
      {{false, true, "", "x11"}, DirectPasteObstacle::NoXTest, "permission.missing.xtest"},
      // XWayland gives the program an X display; XTEST missing there is still XTEST missing.
      {{false, true, "wayland-0", "wayland"}, DirectPasteObstacle::NoXTest, "permission.missing.xtest"},
      {{false, false, "wayland-0", ""},
       DirectPasteObstacle::WaylandWithoutXWayland,
       "permission.missing.wayland"},
      {{false, false, "", "wayland"},
       DirectPasteObstacle::WaylandWithoutXWayland,
       "permission.missing.wayland"},
      {{false, false, "", "tty"}, DirectPasteObstacle::NoDisplay, "permission.missing.display"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.textKey);
    EXPECT_EQ(directPasteObstacle(c.session), c.obstacle);
    gSession = c.session;
    auto view = PermissionView2::create({0, 0, 430, 620}, fakeSession);
    EXPECT_EQ(view->directPaste2()->string(), localized(c.textKey));
    EXPECT_NE(view->directPaste2()->string(), c.textKey);  // the string table has it
  }
}

TEST_F(PermissionPromptTest, TheRunningProgramsKeyPosterDecides) {
  auto poster = std::make_shared<HeadlessKeyEventPoster>();
  KeyEventPoster::install(poster);
  poster->setAccessibilityTrusted(false);
  EXPECT_FALSE(currentPasteSession().canPostKeys);
  poster->setAccessibilityTrusted(true);
  EXPECT_TRUE(currentPasteSession().canPostKeys);
}

TEST_F(PermissionPromptTest, ButtonsCheckAgainOrLeaveForThePreferences) {
  auto window = permissionWindow();
  auto preferences = ui::Window::create({0, 0, 650, 300}, ui::WindowStyle::Titled);
  WindowCenter::shared().registerWindow(preferences, kPreferencesWindowKey);
  WindowCenter& center = WindowCenter::shared();

  center.showWindowByKey(kPermissionWindowKey);
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(center.currentKeyWindow(), kPermissionWindowKey);
  // Nothing changed: the window stays and says the same.
  window->permissionView()->checkAgainClick();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->permissionView()->obstacle(), DirectPasteObstacle::NoDisplay);
  gSession.canPostKeys = true;
  window->permissionView()->checkAgainClick();
  EXPECT_FALSE(window->isVisible());

  center.showWindowByKey(kPermissionWindowKey);
  auto button = window->permissionView()->openVellistoPreferencesButton();
  button->performAction(button->action(), button.get());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(preferences->isVisible());
  EXPECT_EQ(center.currentKeyWindow(), kPreferencesWindowKey);
}

// "Open folder" hands the closed file's folder to the desktop's handler; without a file nothing opens.
TEST_F(PermissionPromptTest, OpenFolderOpensTheFolderOfTheClosedFile) {
  auto workspace = std::make_shared<HeadlessWorkspace>();
  Workspace::install(workspace);
  const std::pair<std::string, std::string> cases[] = {
      {"/tmp/pictures/a.png", "file:///tmp/pictures"},
      {"file:///tmp/my%20pictures/a.png", "file:///tmp/my%20pictures"},
      {"/a.png", "file:///"},
      {"relative/a.png", ""},
      {"", ""},
  };
  auto view = FilePermissionView::create({0, 0, 300, 300});
  std::vector<std::string> expected;
  for (const auto& [failed, folder] : cases) {
    view->setFailedOpenUrl(failed);
    EXPECT_EQ(view->folderUrl(), folder) << failed;
    const auto& button = view->openFolderButton();
    button->performAction(button->action(), button.get());
    if (!folder.empty()) expected.push_back(folder);
  }
  EXPECT_EQ(workspace->openedURLs(), expected);
  EXPECT_EQ(view->openFolderButton()->title(), localized("preview.permission.action"));
  Workspace::install(nullptr);
}

TEST_F(PermissionPromptTest, TheOpenFolderButtonStaysCentredUnderTheMessage) {
  for (const ui::Size size : {ui::Size{300, 300}, ui::Size{640, 480}}) {
    auto view = FilePermissionView::create({{0, 0}, size});
    const ui::Rect alert = view->alert()->frame();
    const ui::Rect button = view->openFolderButton()->frame();
    EXPECT_EQ(button, (ui::Rect{(size.width - 120) / 2, alert.origin.y - 45, 120, 25}));
    EXPECT_EQ(alert.maxY(), size.height - 100);
  }
}

TEST_F(PermissionPromptTest, Gallery) {
  test::DesktopPaintingScope painting;
  for (const auto& [name, session] :
       {std::pair<const char*, PasteSession>{"permission-xtest", {false, true, "", ""}},
        {"permission-wayland", {false, false, "wayland-0", "wayland"}}}) {
    gSession = session;
    auto window = permissionWindow();
    EXPECT_EQ(test::writeGallery(*window, name).size(), 2u);
  }
  auto window = ui::Window::create({0, 0, 400, 300}, ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  window->contentView()->addSubview(FilePermissionView::create({0, 0, 400, 300}));
  EXPECT_EQ(test::writeGallery(*window, "file-permission").size(), 2u);
}

}  // namespace
}  // namespace vl
