#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Windows/Preferences/Security/AccessibilityView.h"
#include "Windows/Preferences/Security/SecurityViewController.h"
#include "capture/AppMonitor.h"
#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/window/Window.h"
#include "support/Gallery.h"
#include "theme/ClassicThemeFixture.h"

namespace vl {
namespace {

using Names = std::vector<std::string>;

const Names kPasswordManagers = {"org.keepassxc.KeePassXC", "org.gnome.seahorse.Application", "bitwarden",
                                 "1password", "keepassxc"};

class SecurityPaneTest : public test::ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    // The installed applications are the entries this test writes, nothing of the machine's.
    env_.set("XDG_DATA_HOME", home_ / "data");
    env_.set("XDG_DATA_DIRS", home_ / "none");
    workspace_ = std::make_shared<HeadlessWorkspace>();
    Workspace::install(workspace_);
  }
  void TearDown() override {
    pane_.reset();
    Workspace::install(nullptr);
    ClassicThemeFixture::TearDown();
  }
  void install(const std::string& id, const std::string& name, const std::string& extra = "") {
    const std::string folder = home_ / "data/applications";
    ASSERT_TRUE(files::createDirectories(folder));
    ASSERT_TRUE(
        files::atomicWrite(folder + "/" + id + ".desktop",
                           "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n" + extra));
  }
  AccessibilityView& pane() {
    if (!pane_) pane_ = SecurityViewController::create()->pane();
    return *pane_;
  }
  static Json stored() { return VLConfig::shared().getValueOfKey(VLConfig::kIgnoredApps).value_or(Json()); }
  Names selectedRows() {
    Names out;
    for (const auto& item : pane().whitelistItems())
      if (item->isSelected()) out.push_back(item->name());
    return out;
  }
  bool blocks(const std::string& entryId) {
    workspace_->setFrontmostApplication(
        RunningApplication::fromDesktopEntry("/usr/share/applications/" + entryId + ".desktop", true));
    return AppMonitor().copiedFromSecurityApp();
  }

  std::shared_ptr<HeadlessWorkspace> workspace_;
  std::shared_ptr<AccessibilityView> pane_;
};

TEST_F(SecurityPaneTest, EditsAreStoredAtOnceAndCaptureFollowsThem) {
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", kPasswordManagers}, {"kept", 1}});
  EXPECT_EQ(pane().source(), kPasswordManagers);
  EXPECT_EQ(selectedRows(), Names{"org.keepassxc.KeePassXC"});
  EXPECT_TRUE(blocks("org.keepassxc.KeePassXC"));
  EXPECT_FALSE(blocks("org.example.Editor"));

  // A name given twice, or already listed, appears once; an empty one not at all.
  pane().addNames({"org.example.Editor", "", "org.example.Editor", "bitwarden"});
  Names expected = kPasswordManagers;
  expected.push_back("org.example.Editor");
  EXPECT_EQ(pane().source(), expected);
  EXPECT_EQ(stored(), (Json{{"appList", expected}, {"kept", 1}}));
  EXPECT_TRUE(blocks("org.example.Editor"));

  // "-" removes the selected row; the first row is selected after.
  pane().whitelistItems()[5]->click();
  EXPECT_EQ(selectedRows(), Names{"org.example.Editor"});
  pane().deleteClick();
  EXPECT_EQ(pane().source(), kPasswordManagers);
  EXPECT_EQ(selectedRows(), Names{"org.keepassxc.KeePassXC"});
  EXPECT_FALSE(blocks("org.example.Editor"));

  for (std::size_t i = 0; i < kPasswordManagers.size(); ++i) pane().deleteClick();
  pane().deleteClick();  // nothing left to delete
  EXPECT_TRUE(pane().whitelistItems().empty());
  EXPECT_EQ(stored(), (Json{{"appList", Json::array()}, {"kept", 1}}));
  EXPECT_FALSE(blocks("org.keepassxc.KeePassXC"));
}

TEST_F(SecurityPaneTest, StoredListsThatAreNotListsOfNamesShowWhatCanBeUsed) {
  struct Case {
    Json stored;
    Names shown;
    Json afterAdding;
  };
  const Case cases[] = {
      {Json{{"other", true}}, {}, Json{{"other", true}, {"appList", {"x"}}}},
      {Json{{"appList", "x"}}, {}, Json{{"appList", {"x"}}}},
      // Entries the pane cannot show are another writer's: they stay where they are.
      {Json{{"appList", {1, "a", nullptr, "a"}}}, {"a"}, Json{{"appList", {1, "a", nullptr, "a", "x"}}}},
      {Json::array({"a"}), {}, Json{{"appList", {"x"}}}},
      {Json("a"), {}, Json{{"appList", {"x"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.dump());
    VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, c.stored);
    pane_.reset();
    EXPECT_EQ(pane().source(), c.shown);
    pane().addNames({"x"});
    EXPECT_EQ(stored(), c.afterAdding);
  }
  // Removing a name given twice removes both, so capture stops ignoring it; the rest stays as it was.
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", {1, "a", {{"n", 2}}, "a", "b"}}});
  pane_.reset();
  EXPECT_EQ(pane().source(), (Names{"a", "b"}));
  pane().deleteClick();
  EXPECT_EQ(stored(), (Json{{"appList", {1, {{"n", 2}}, "b"}}}));
}

TEST_F(SecurityPaneTest, AnApplicationsNameIsItsFileNameWithoutATrailingSuffix) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/share/applications/org.gnome.Maps.desktop", "org.gnome.Maps"},
      {"/opt/Tool.app.app", "Tool.app"},
      {"/home/ann/notes.txt", "notes.txt"},
      {"/opt/Photo.application Tool.desktop", "Photo.application Tool"},
      {"/opt/EDITOR.DESKTOP", "EDITOR.DESKTOP"},
      {"/opt/.desktop", ".desktop"},
  };
  for (const auto& [path, name] : cases)
    EXPECT_EQ(AccessibilityView::applicationNameOfPath(path), name) << path;
}

TEST_F(SecurityPaneTest, TheChooserOffersInstalledApplicationsNotYetListed) {
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", {"bitwarden"}}});
  install("org.example.Zed", "zed");
  install("bitwarden", "Bitwarden");
  install("org.example.Hidden", "Hidden", "NoDisplay=true\n");
  install("org.example.Alpha", "Alpha Notes");
  install("org.example.Mail", "Mail");

  pane().addClick();
  auto chooser = pane().chooser();
  ASSERT_TRUE(chooser);
  EXPECT_TRUE(pane().center()->isHidden());
  Names offered, titles;
  for (const auto& item : chooser->items()) {
    offered.push_back(item->name());
    titles.push_back(item->title());
  }
  EXPECT_EQ(offered, (Names{"org.example.Alpha", "org.example.Mail", "org.example.Zed"}));
  EXPECT_EQ(titles, (Names{"Alpha Notes", "Mail", "zed"}));

  // Several rows can be marked; a second click unmarks one.
  for (int i : {2, 0, 1, 1}) chooser->items()[static_cast<std::size_t>(i)]->click();
  chooser->okClick();
  EXPECT_FALSE(pane().chooser());
  EXPECT_FALSE(pane().center()->isHidden());
  EXPECT_EQ(pane().source(), (Names{"bitwarden", "org.example.Alpha", "org.example.Zed"}));
  // A listed application shows the name its desktop gives it.
  EXPECT_EQ(pane().whitelistItems()[1]->title(), "Alpha Notes");

  pane().addClick();
  pane().chooser()->items()[0]->click();
  pane().chooser()->cancelClick();
  EXPECT_FALSE(pane().chooser());
  EXPECT_EQ(stored(), (Json{{"appList", {"bitwarden", "org.example.Alpha", "org.example.Zed"}}}));
}

TEST_F(SecurityPaneTest, ALongListOpensAtItsFirstRow) {
  Names many;
  for (int i = 0; i < 12; ++i) many.push_back("app" + std::to_string(i));
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", many}});
  const double documentHeight = pane().containerView()->frame().height();
  EXPECT_EQ(documentHeight, 12 * 30);
  EXPECT_EQ(pane().center()->documentVisibleRect().maxY(), documentHeight);
  EXPECT_EQ(pane().whitelistItems()[0]->frame().maxY(), documentHeight);

  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", {"one"}}});
  pane().reloadSettings();
  EXPECT_EQ(pane().containerView()->frame().height(), 250);
  EXPECT_EQ(pane().whitelistItems()[0]->frame().maxY(), 250);
}

// A list longer than its frame, scrolled to cut a row at each edge, draws nothing outside that frame.
TEST_F(SecurityPaneTest, AScrolledListStaysInsideItsFrame) {
  test::DesktopPaintingScope painting;
  Names many;
  for (int i = 0; i < 20; ++i) many.push_back("org.example.App" + std::to_string(i));
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", many}});
  auto window = ui::Window::create({100, 100, AccessibilityView::kWidth, AccessibilityView::kHeight},
                                   ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  window->contentView()->addSubview(pane_ = AccessibilityView::create());
  auto& list = *pane().center();
  ASSERT_GT(list.documentView()->frame().height(), list.contentSize().height + 60);
  EXPECT_EQ(test::pixelsChangedOutsideWhenScrolled(*window, list, {0, 107}), 0);
}

TEST_F(SecurityPaneTest, Gallery) {
  test::DesktopPaintingScope painting;
  // The desktop's own icons, where the machine has a theme, so the picture shows what a person sees.
  // The fixture's data folders hold only its entries; the icons are the system's.
  IconProvider::install(std::make_shared<ThemeIconProvider>(std::vector<std::string>{"/usr/share/icons"},
                                                            std::vector<std::string>{"/usr/share/pixmaps"}));
  IconProvider::setPreferredThemeName("Adwaita");
  install("org.example.Editor", "Text Editor", "Icon=folder-documents\n");
  install("org.example.Mail", "Mail", "Icon=folder-pictures\n");
  install("org.example.Maps", "Maps");
  VLConfig::shared().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", kPasswordManagers}});
  auto window = ui::Window::create({100, 100, AccessibilityView::kWidth, AccessibilityView::kHeight},
                                   ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  window->contentView()->addSubview(pane_ = AccessibilityView::create());
  pane().addNames({"org.example.Editor"});
  EXPECT_EQ(test::writeGallery(*window, "security-pane").size(), 2u);
  pane().addClick();
  ASSERT_EQ(pane().chooser()->items().size(), 2u);
  pane().chooser()->items()[0]->click();
  EXPECT_EQ(test::writeGallery(*window, "security-pane-chooser").size(), 2u);
  IconProvider::setPreferredThemeName("");
  IconProvider::install(nullptr);
}

}  // namespace
}  // namespace vl
