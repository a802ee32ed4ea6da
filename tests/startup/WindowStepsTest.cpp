#include "Windows/Main/MainView.h"
#include "Windows/Main/PastePopoverViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/WindowCenter.h"
#include "core/LocalShortcutsManager.h"
#include "startup/StartupTestSupport.h"
#include "startup/WindowSteps.h"
#include "statusbar/VLStatusBar.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PopoverCenter.h"

namespace vl::test {
namespace {

using WindowStepsTest = StartupFixture;

TEST_F(WindowStepsTest, LaunchingRegistersTheWindowsAndTheHotKeyTogglesTheMainOne) {
  StartupHooks hooks;
  installWindowSteps(hooks);
  AppDelegate::setHooks(hooks);
  startProgram();

  WindowCenter& center = WindowCenter::shared();
  auto main = center.windowForKey(kMainWindowKey);
  ASSERT_NE(main, nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<MainView>(QuickAccess::mainViewController()->view()), nullptr);
  EXPECT_EQ(MainViewHooks::current().mainWindow(), main.get());
  auto popover = PopoverCenter::shared().popoverForKey("vellisto_popover_paste");
  ASSERT_NE(popover, nullptr);
  EXPECT_EQ(popover->contentSize(), ui::Size(300, 160));
  EXPECT_NE(std::dynamic_pointer_cast<PastePopoverViewController>(popover->contentViewController()), nullptr);

  VLStatusBar::wakeupOrHidden();
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->frame().size, ui::Size(680, EmptyMainViewController::kHeight));
  VLStatusBar::wakeupOrHidden();
  EXPECT_FALSE(main->isVisible());
  VLStatusBar::wakeupOrHidden();
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
  EXPECT_FALSE(main->isVisible());

  stopProgram();
  main->orderOut();
  center.resetForTesting();
  PopoverCenter::shared().resetForTesting();
  MainViewHooks::install({});
  VLStatusBar::setWindowActions({});
}

}  // namespace
}  // namespace vl::test
