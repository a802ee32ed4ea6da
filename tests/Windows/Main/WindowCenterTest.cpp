#include <gtest/gtest.h>

#include "Windows/Main/Window.h"
#include "Windows/Main/WindowsTestSupport.h"
#include "platform/system/CrashAnalyticsService.h"
#include "platform/system/desktop/Workspace.h"
#include "support/Gallery.h"

namespace vl::test {
namespace {

class WindowCenterTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    about_ = ui::Window::create({0, 0, 288, 430}, ui::WindowStyle::Titled | ui::WindowStyle::Closable);
    record_ = ui::Window::create({0, 0, 264, 77}, ui::WindowStyle::Titled);
    center().registerWindow(about_, kAboutWindowKey);
    center().registerWindow(record_, kRecordWindowKey);
  }
  void TearDown() override {
    for (auto* w : {static_cast<ui::Window*>(main_.get()), about_.get(), record_.get()}) w->orderOut();
    WindowsTest::TearDown();
  }
  bool mainShown() const { return main_->isVisible() && main_->appeared(); }

  std::shared_ptr<ui::Window> about_;
  std::shared_ptr<ui::Window> record_;
};

TEST_F(WindowCenterTest, ToggleShowsAndHidesTheMainWindowWithItsEscapeEntry) {
  CrashAnalyticsService& analytics = CrashAnalyticsService::shared();
  analytics.resetForTesting();
  EXPECT_TRUE(analytics.start("5c0d9a17-3e42-4b8f-a6d1-70e2f4b9c386", CrashAnalyticsService::Analytics));
  center().activeOrInactiveVellisto();
  EXPECT_TRUE(mainShown());
  EXPECT_TRUE(main_->isKeyWindow());
  EXPECT_EQ(center().currentKeyWindow(), kMainWindowKey);
  EXPECT_EQ(main_->frame(), ui::Rect(380, 200, 680, 500));
  EXPECT_EQ(EscStack::shared().count(), 1u);
  ASSERT_EQ(analytics.events().size(), 1u);
  EXPECT_EQ(analytics.events()[0].name, "active");
  analytics.resetForTesting();

  center().activeOrInactiveVellisto();
  EXPECT_FALSE(mainShown());
  EXPECT_EQ(center().currentKeyWindow(), "");
  EXPECT_EQ(EscStack::shared().count(), 0u);
  EXPECT_TRUE(center().existWindowForKey(kMainWindowKey));

  // Escape forgets the query as the hot key's hide does: the hot key right after it, before the program
  // resigned, shows an empty search field.
  int cleared = 0;
  center().setHooks({nullptr, [&] { ++cleared; }, nullptr});
  center().activeOrInactiveVellisto();
  EscStack::shared().pop(false);
  EXPECT_FALSE(mainShown());
  EXPECT_EQ(center().currentKeyWindow(), "");
  EXPECT_EQ(cleared, 1);
  center().setHooks({});
}

TEST_F(WindowCenterTest, ShowingAnotherWindowClosesTheMainOneButNeverTheRecordWindow) {
  center().showWindowByKey(kRecordWindowKey);
  center().activeOrInactiveVellisto();
  center().showWindowByKey(kAboutWindowKey);
  EXPECT_FALSE(mainShown());
  EXPECT_TRUE(about_->isVisible());
  EXPECT_TRUE(record_->isVisible());
  EXPECT_EQ(center().currentKeyWindow(), kAboutWindowKey);
  EXPECT_EQ(about_->frame().origin, ui::Point(576, 900 - about_->frame().height() - 220));

  // The main window's Escape entry has nothing to close now and lets the next one try.
  bool nextTried = false;
  EscStack::shared().resetForTesting();
  EscStack::shared().push([&](bool) { return nextTried = true; });
  center().activeOrInactiveVellisto();
  center().showWindowByKey(kAboutWindowKey);
  EscStack::shared().pop(false);
  EXPECT_TRUE(nextTried);

  center().dismissWindowByKey(kRecordWindowKey);
  EXPECT_TRUE(record_->isVisible());
  center().dismissRecord();
  EXPECT_FALSE(record_->isVisible());

  // Next toggle shows the main window again instead of hiding it.
  center().activeOrInactiveVellisto();
  EXPECT_TRUE(mainShown());
}

// A desktop whose window before ours never takes the keyboard back: waiting for it would wait in vain.
class UnansweringDesktop : public Workspace {
 public:
  std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }
  std::vector<RunningApplication> runningApplications() const override { return {}; }
  bool launchApplication(const std::string&) override { return false; }
  bool openURL(const std::string&) override { return false; }
  bool openURL(const std::string&, const std::string&) override { return false; }
  bool giveFocusBack() override {
    ++waits;
    return false;
  }
  int waits = 0;
};

// Hiding the main window (hot key, Escape, the program resigning) leaves handing the keyboard back to the
// window server and waits for nothing, so the hot key pressed next shows it at once.
TEST_F(WindowCenterTest, HidingTheMainWindowWaitsForNoWindowToTakeTheKeyboard) {
  auto desktop = std::make_shared<UnansweringDesktop>();
  Workspace::install(desktop);
  center().activeOrInactiveVellisto();
  center().activeOrInactiveVellisto();
  center().activeOrInactiveVellisto();
  EscStack::shared().pop(false);
  center().activeOrInactiveVellisto();
  EscStack::shared().clean();
  EXPECT_FALSE(mainShown());
  EXPECT_EQ(desktop->waits, 0);
  Workspace::install(nullptr);
}

TEST_F(WindowCenterTest, AnUnregisteredKeyIsLoggedAndChangesNothing) {
  center().activeOrInactiveVellisto();
  center().showWindowByKey("vellisto_nothing");
  EXPECT_TRUE(logContains("nothing is registered under \"vellisto_nothing\""));
  EXPECT_TRUE(mainShown());
  EXPECT_EQ(center().currentKeyWindow(), kMainWindowKey);
  EXPECT_FALSE(center().windowAppear("vellisto_nothing"));
}

TEST_F(WindowCenterTest, GalleryOfTheEmptyMainWindow) {
  DesktopPaintingScope painting;
  auto window = MainWindow::create({0, 0, 680, 500});
  window->setContentViewController(EmptyMainViewController::create());
  const std::vector<std::string> paths = writeGallery(*window, "main-window");
  ASSERT_EQ(paths.size(), 2u);
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    auto probe = PixelProbe::fromPng(path);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->at({0.5, 0.5}).a, 0);  // rounded off
    EXPECT_EQ(probe->at({340, 250}).a, 255);
  }
}

}  // namespace
}  // namespace vl::test
