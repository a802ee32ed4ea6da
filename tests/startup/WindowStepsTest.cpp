#include <atomic>
#include <chrono>
#include <thread>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainView.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/paste/PastePopoverViewController.h"
#include "Windows/Main/preview/CustomView.h"
#include "Windows/Permission/PermissionView2.h"
#include "Windows/Permission/PermissionWindow.h"
#include "Windows/Pins/PinScreens.h"
#include "capture/ClipboardListener.h"
#include "core/keys/FlagsDetect.h"
#include "core/keys/LocalShortcutsManager.h"
#include "pins/PinManager.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/EventDriver.h"
#include "startup/StartupTestSupport.h"
#include "startup/WindowSteps.h"
#include "statusbar/VLStatusBar.h"
#include "think/bar/ThinkingBar.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
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
  // The pin tab bar heads the main window, showing the list loaded before it; its panels are registered.
  auto controller = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
  auto bar = std::dynamic_pointer_cast<PinTabBar>(controller->pinTabBar());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->superview(), controller->view().get());
  EXPECT_GE(PinManager::shared().tabCount(), 1u);
  EXPECT_EQ(bar->tabs().size(), PinManager::shared().tabCount());
  EXPECT_NE(PanelCenter::shared().panelForKey(kPanelPinDetail), nullptr);
  EXPECT_NE(PanelCenter::shared().panelForKey(kPanelPinMove), nullptr);
  // The thinking bar sits under the search field.
  auto thinking = std::dynamic_pointer_cast<ThinkingBar>(controller->thinkingBar());
  ASSERT_NE(thinking, nullptr);
  EXPECT_EQ(controller->thinkingBarSlot(), thinking.get());
  EXPECT_EQ(thinking->superview(), controller->view().get());

  VLStatusBar::wakeupOrHidden();
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->frame().size, ui::Size(680, 513));
  // The list it shows told the thinking bar, which offers something. The listing runs on the workers
  // and hands its rows over on the main thread; the task leaves the registry once they are shown.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Vellisto_Master::shared().processingCount() > 0 && std::chrono::steady_clock::now() < deadline) {
    dispatch::MainLoop::runUntilIdle();
    std::this_thread::yield();
  }
  dispatch::MainLoop::runUntilIdle();
  EXPECT_FALSE(thinking->actionButtons().empty());
  VLStatusBar::wakeupOrHidden();
  EXPECT_FALSE(main->isVisible());
  VLStatusBar::wakeupOrHidden();
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
  EXPECT_FALSE(main->isVisible());

  // The tray menu's Preferences row brings up the preferences window.
  auto pref = center.windowForKey(kPreferencesWindowKey);
  ASSERT_NE(pref, nullptr);
  EXPECT_EQ(MainViewHooks::current().preferencesWindow(), pref.get());
  ui::Menu& menu = *VLStatusBar::shared().produceStatusItem()->menu();
  menu.performActionForItemAtIndex(menu.indexOfItemWithTag(VLStatusBar::kSettingsTag));
  EXPECT_TRUE(pref->isVisible());
  EXPECT_EQ(center.currentKeyWindow(), kPreferencesWindowKey);
  pref->close();
  // Its About and Help rows bring up theirs; the search row's preview is the web search, the dictionary
  // action's the dictionary view.
  for (const auto& [tag, key] : {std::pair{VLStatusBar::kAboutTag, kAboutWindowKey},
                                 std::pair{VLStatusBar::kHelpTag, kHelpWindowKey}}) {
    menu.performActionForItemAtIndex(menu.indexOfItemWithTag(tag));
    ASSERT_NE(center.windowForKey(key), nullptr) << key;
    EXPECT_TRUE(center.windowForKey(key)->isVisible()) << key;
    center.windowForKey(key)->close();
  }
  EXPECT_TRUE(CustomView::isKnown("EmbededWebview"));
  EXPECT_TRUE(CustomView::isKnown("TranslateView"));

  stopProgram();
  main->orderOut();
  center.resetForTesting();
  PopoverCenter::shared().resetForTesting();
  PanelCenter::shared().resetForTesting();
  PinScreens::resetForTesting();
  MainViewHooks::install({});
  VLStatusBar::setWindowActions({});
}

// The whole road a user takes: the hot key, typing, Return, and the record pasted into the window the
// user came from, with capture not taking our own write for a new copy.
class MainRoadTest : public StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    StartupHooks hooks;
    installWindowSteps(hooks);
    AppDelegate::setHooks(hooks);
    startProgram();
    CaptureHooks::setPayAnimate([this] { ++captured_; });
    for (const char* text : {"alpha one", "beta two", "gamma three"}) {
      const int before = captured_.load();
      copyFromOtherProgram(text);
      waitForCapture(before);
    }
    ASSERT_EQ(captured_.load(), 3);
    workspace_->setFrontmostApplication(
        RunningApplication::fromDesktopEntry("/usr/share/applications/editor.desktop", true));
    StartupEnvironment::keys->clearPostedKeys();
    main_ = WindowCenter::shared().windowForKey(kMainWindowKey);
    controller_ = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
    ASSERT_NE(controller_, nullptr);
  }
  void TearDown() override {
    FlagsDetect::setCurrentEventFlagsProvider(nullptr);
    stopProgram();
    if (main_) main_->orderOut();
    WindowCenter::shared().resetForTesting();
    PopoverCenter::shared().resetForTesting();
    MainViewHooks::install({});
    VLStatusBar::setWindowActions({});
    StartupFixture::TearDown();
  }

  // The record texts the list shows, the web-search row left out. Searches answer from workers.
  std::vector<std::string> listed() {
    std::vector<std::string> out;
    for (const auto& row : controller_->hintTable()->getDataSource()) {
      if (!row->json() || !row->json()->contains("search")) out.push_back(row->string());
    }
    return out;
  }
  static void waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      dispatch::MainLoop::runUntilIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  // The poll runs on the manual clock; each turn lets it look again.
  void waitForCapture(int before) {
    waitFor([&] {
      dispatch::MainLoop::advance(100);
      return captured_.load() > before;
    });
  }
  void waitForList(const std::vector<std::string>& expected) {
    waitFor([&] { return listed() == expected; });
    ASSERT_EQ(listed(), expected);
  }
  std::vector<std::string> pasteboardTexts() {
    std::vector<std::string> out;
    for (const auto& item : StartupEnvironment::board->items())
      out.push_back(item.data(kPasteboardTypeString).value_or(""));
    return out;
  }
  void expectChordAndNoCapture() {
    using Key = HeadlessKeyEventPoster::PostedKey;
    EXPECT_EQ(StartupEnvironment::keys->postedKeys(),
              (std::vector<Key>{{ui::KeyCode::V, ui::ModifierFlags::Command, true},
                                {ui::KeyCode::V, ui::ModifierFlags::Command, false}}));
    EXPECT_FALSE(main_->isVisible());
    // A copy from elsewhere after ours is taken, so by then capture has looked at our write.
    copyFromOtherProgram("delta four");
    waitForCapture(3);
    EXPECT_EQ(captured_.load(), 4) << "our own write was taken for a copy";
  }

  std::atomic<int> captured_{0};
  std::shared_ptr<ui::Window> main_;
  std::shared_ptr<MainViewController> controller_;
  ui::EventDriver driver_;
};

TEST_F(MainRoadTest, TypingNarrowsTheListAndReturnPastesIntoTheWindowTheUserCameFrom) {
  EXPECT_EQ(controller_->size(), ui::Size(680, 513));
  VLStatusBar::wakeupOrHidden();
  ASSERT_TRUE(main_->isVisible());
  waitForList({"gamma three", "beta two", "alpha one"});

  // Rows of a search overtaken by a newer one never reach the list.
  auto stale = DisplayAttributedString::initWithString("stale row");
  controller_->chunkContent()->receivedData(
      {stale}, static_cast<std::int64_t>(Vellisto_Master::shared().getAtomTaskId()) - 1, false);
  EXPECT_EQ(listed(), (std::vector<std::string>{"gamma three", "beta two", "alpha one"}));

  driver_.typeText("bet");
  waitForList({"beta two"});
  driver_.typeKey(ui::KeyCode::Return);
  EXPECT_EQ(pasteboardTexts(), std::vector<std::string>{"beta two"});
  expectChordAndNoCapture();
  // A moment after the hide the paste is no longer ours to guard: the record window may paste again.
  dispatch::MainLoop::advance(AppDelegate::kHideSettleMs);
  EXPECT_EQ(ClipboardListener::shared().pasteChunk(), nullptr);
}

TEST_F(MainRoadTest, ShiftSelectedRowsArePastedInTheOrderChosen) {
  VLStatusBar::wakeupOrHidden();
  waitForList({"gamma three", "beta two", "alpha one"});
  FlagsDetect::setCurrentEventFlagsProvider([] { return FlagsDetect::kShiftFlag; });
  ASSERT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("multiHistoryDown"));
  FlagsDetect::setCurrentEventFlagsProvider(nullptr);
  driver_.typeKey(ui::KeyCode::Return);
  EXPECT_EQ(pasteboardTexts(), (std::vector<std::string>{"gamma three", "beta two"}));
  waitFor([] {
    dispatch::MainLoop::advance(100);
    return !ClipboardListener::shared().multiplePaste();
  });
  expectChordAndNoCapture();
}

TEST_F(MainRoadTest, BadMomentsStopTheRoadSafely) {
  // Nothing matches: Return on the web-search row opens a search and writes nothing.
  VLStatusBar::wakeupOrHidden();
  waitForList({"gamma three", "beta two", "alpha one"});
  driver_.typeText("zz&z");
  waitForList({});
  driver_.typeKey(ui::KeyCode::Return);
  EXPECT_EQ(pasteboardTexts(), std::vector<std::string>{"gamma three"});
  ASSERT_EQ(workspace_->openedURLs().size(), 1u);
  EXPECT_EQ(workspace_->openedURLs()[0], "https://www.google.com/search?q=zz%26z");

  // The window the user came from closed meanwhile: the record is on the clipboard, no keys are sent
  // into whatever is in front now.
  VLStatusBar::wakeupOrHidden();
  ASSERT_FALSE(main_->isVisible());
  VLStatusBar::wakeupOrHidden();
  waitForList({"gamma three", "beta two", "alpha one"});
  workspace_->setFrontmostApplication(std::nullopt);
  driver_.typeKey(ui::KeyCode::Return);
  EXPECT_EQ(pasteboardTexts(), std::vector<std::string>{"gamma three"});
  EXPECT_FALSE(main_->isVisible());
  EXPECT_TRUE(StartupEnvironment::keys->postedKeys().empty());

  // Pressed twice quickly, the hot key shows and hides; Escape closes the detail first, then the window.
  VLStatusBar::wakeupOrHidden();
  VLStatusBar::wakeupOrHidden();
  EXPECT_FALSE(main_->isVisible());
  VLStatusBar::wakeupOrHidden();
  ASSERT_TRUE(main_->isVisible());
  ASSERT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("previewAcitve"));
  EXPECT_TRUE(controller_->isShownDetail());
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
  EXPECT_FALSE(controller_->isShownDetail());
  EXPECT_TRUE(main_->isVisible());
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
  EXPECT_FALSE(main_->isVisible());
}

TEST_F(MainRoadTest, WithoutKeysToPostThePermissionWindowSaysWhatIsMissing) {
  StartupEnvironment::keys->setAccessibilityTrusted(false);
  VLStatusBar::wakeupOrHidden();
  waitForList({"gamma three", "beta two", "alpha one"});
  driver_.typeKey(ui::KeyCode::Return);
  StartupEnvironment::keys->setAccessibilityTrusted(true);

  EXPECT_EQ(pasteboardTexts(), std::vector<std::string>{"gamma three"});
  EXPECT_TRUE(StartupEnvironment::keys->postedKeys().empty());
  EXPECT_FALSE(main_->isVisible());
  auto window =
      std::dynamic_pointer_cast<PermissionWindow>(WindowCenter::shared().windowForKey(kPermissionWindowKey));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(WindowCenter::shared().currentKeyWindow(), kPermissionWindowKey);
  EXPECT_NE(window->permissionView()->obstacle(), DirectPasteObstacle::None);
  window->orderOut();
}

}  // namespace
}  // namespace vl::test
