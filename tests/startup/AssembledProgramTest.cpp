// The program put together as main() does it (assembleProgram), with the headless backends: every hook
// a lower folder declares is filled, and what those hooks carry reaches the windows.
#include <map>
#include <string>
#include <vector>

#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/list/RowServices.h"
#include "Windows/Main/paste/PastePopoverViewController.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Main/preview/Toolbar.h"
#include "Windows/Pins/PinScreens.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordTableRowView.h"
#include "Windows/Record/RecordViewController.h"
#include "Windows/Record/RecordWindow.h"
#include "capture/ClipboardListener.h"
#include "capture/CopyEntity.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/Popover.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/window/Screen.h"
#include "startup/HookCensus.h"
#include "startup/ProgramAssembly.h"
#include "startup/StartupTestSupport.h"
#include "startup/WindowHooks.h"
#include "statusbar/VLStatusBar.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"
#include "ui/panels/PopoverCenter.h"

namespace vl::test {
namespace {

// Hooks that folders being built elsewhere fill; each entry goes when its folder is merged.
const std::map<std::string, std::string> kFilledElsewhere = {};

// A sync bar as the sync folder's will be: it can be locked and closed.
class FakeSyncBar : public ui::View, public SyncBarControl {
 public:
  FakeSyncBar() : ui::View({0, 0, 336, 50}) {}
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  void close() override { ++closed_; }
  bool enabled_ = true;
  int closed_ = 0;
};

// A tray that tells where it put the icon.
class TellingTray : public ui::StatusItemBackend {
 public:
  void statusItemChanged(const std::shared_ptr<ui::StatusItem>&) override {}
  void statusItemRemoved(const ui::StatusItem*) override {}
  std::optional<ui::Rect> iconFrame(const ui::StatusItem&) override { return frame; }
  std::optional<ui::Rect> frame;
};

class AssembledProgramTest : public StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    monitor_ = std::make_shared<HeadlessGlobalEventMonitor>();
    GlobalEventMonitor::install(monitor_);
    app_ = std::make_shared<ui::Application>();
    delegate_ = assembleProgram(*app_);
    app_->finishLaunching();
    dispatch::MainLoop::runUntilIdle();
    controller_ = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
    ASSERT_NE(controller_, nullptr);
    column_ = std::dynamic_pointer_cast<Complement>(controller_->chunkContent()->complement());
    ASSERT_NE(column_, nullptr);
  }
  void TearDown() override {
    stopProgram();
    for (const char* key : {kMainWindowKey, kRecordWindowKey, kPreferencesWindowKey}) {
      if (auto window = WindowCenter::shared().windowForKey(key)) window->orderOut();
    }
    WindowCenter::shared().resetForTesting();
    PopoverCenter::shared().resetForTesting();
    PanelCenter::shared().resetForTesting();
    PinScreens::resetForTesting();
    MainViewHooks::install({});
    PreviewColumnHooks::install({});
    RowServices::setIconProvider(nullptr);
    RowServices::setBrowserPath(nullptr);
    VLStatusBar::setWindowActions({});
    VLStatusBar::setMenuActions({});
    VLStatusBar::setQuitAction(nullptr);
    ui::StatusBar::system().setBackend(nullptr);
    GlobalEventMonitor::install(nullptr);
    ui::Screen::resetToDefault();
    StartupFixture::TearDown();
  }

  static void waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      dispatch::MainLoop::advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void click(ui::Point at) {
    monitor_->simulate(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, at, 0));
    dispatch::MainLoop::runUntilIdle();
  }

  std::shared_ptr<HeadlessGlobalEventMonitor> monitor_;
  std::shared_ptr<MainViewController> controller_;
  std::shared_ptr<Complement> column_;
};

TEST_F(AssembledProgramTest, NoHookALowerFolderDeclaresIsLeftEmpty) {
  const std::vector<HookEntry> census = hookCensus();
  std::string empty;
  std::map<std::string, bool> seen;
  for (const HookEntry& entry : census) {
    seen[entry.name] = entry.filled;
    if (!entry.filled && !kFilledElsewhere.count(entry.name)) empty += "\n  " + entry.name;
  }
  EXPECT_TRUE(empty.empty()) << "the assembled program leaves these hooks empty:" << empty;
  EXPECT_GT(census.size(), 90u);
  // The allowance names hooks the census knows, and only while they are empty.
  for (const auto& [name, folder] : kFilledElsewhere) {
    ASSERT_TRUE(seen.count(name)) << name << " is no hook the census knows";
    EXPECT_FALSE(seen[name]) << name << " is filled now: take it off the list of " << folder;
  }
  // The census reads what is installed now, not what was installed once.
  MainViewHooks::install({});
  for (const HookEntry& entry : hookCensus()) {
    if (entry.name == "MainViewHooks::setToolbarEnabled") {
      EXPECT_FALSE(entry.filled);
    }
  }
}

TEST_F(AssembledProgramTest, TheWebSearchRowFindsTheBrowserTheSettingsName) {
  const std::string apps = home() + "/.local/share/applications";
  ASSERT_TRUE(files::createDirectories(apps));
  ASSERT_TRUE(files::atomicWrite(apps + "/google-chrome.desktop", "[Desktop Entry]\nName=Chrome\n"));
  ASSERT_TRUE(files::atomicWrite(apps + "/org.example.Web.desktop", "[Desktop Entry]\nName=Web\n"));
  struct Case {
    Json settings;
    std::string path;
  };
  for (const Case& c : {Case{Json{{"browser", "google-chrome"}}, apps + "/google-chrome.desktop"},
                        Case{Json{{"browser", "org.example.Web"}}, apps + "/org.example.Web.desktop"},
                        Case{Json{{"browser", "Default browser"}}, ""}, Case{Json{{"browser", "Edge"}}, ""},
                        Case{Json("google-chrome"), ""}}) {
    VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, c.settings);
    EXPECT_EQ(RowServices::browserPath(), c.path) << c.settings.dump();
  }
}

TEST_F(AssembledProgramTest, APanelTakesTheKeyboardAndLocksTheColumnUntilItGoes) {
  auto bar = std::make_shared<FakeSyncBar>();
  column_->setSyncbar(bar);
  VLStatusBar::wakeupOrHidden();
  auto main = WindowCenter::shared().windowForKey(kMainWindowKey);
  const auto& field = controller_->searchInput()->textField();
  ASSERT_EQ(main->firstResponder(), field.get());

  PanelCenter::shared().showPanelByKey(kPanelPinMove);
  dispatch::MainLoop::advance(300);
  ASSERT_TRUE(PanelCenter::shared().isShown());
  EXPECT_NE(main->firstResponder(), field.get());
  EXPECT_FALSE(field->isEditable());
  EXPECT_FALSE(column_->toolbar()->enabled());
  EXPECT_FALSE(bar->enabled_);
  EXPECT_NE(column_->preview()->cursorView()->superview(), nullptr) << "the preview stays selectable";

  PanelCenter::shared().dismissPanelByKey(kPanelPinMove);
  dispatch::MainLoop::advance(300);
  ASSERT_FALSE(PanelCenter::shared().isShown());
  EXPECT_EQ(main->firstResponder(), field.get());
  EXPECT_TRUE(column_->toolbar()->enabled());
  EXPECT_TRUE(bar->enabled_);
  EXPECT_EQ(column_->preview()->cursorView()->superview(), nullptr);
  MainViewHooks::current().closeSyncBar();
  EXPECT_EQ(bar->closed_, 1);
}

TEST_F(AssembledProgramTest, TheManualPastePopoverPointsAtTheTrayIconElseAtThePointer) {
  auto tray = std::make_shared<TellingTray>();
  ui::StatusBar::system().setBackend(tray);
  const ui::Point pointer{700, 300};
  const PointerLocationSource at = [&] { return std::optional<ui::Point>(pointer); };
  struct Case {
    std::optional<ui::Rect> icon;
    ui::Rect expected;
  };
  for (const Case& c :
       {Case{ui::Rect{1300, 876, 24, 24}, {1300, 876, 24, 24}}, Case{std::nullopt, {699, 299, 2, 2}}}) {
    tray->frame = c.icon;
    EXPECT_EQ(pastePopoverAnchor(at), c.expected);
  }
  EXPECT_EQ(pastePopoverAnchor(nullptr), std::nullopt);

  // The road: keys cannot be posted and direct paste is off, so the popover says to press Ctrl+V.
  tray->frame = ui::Rect{1300, 876, 24, 24};
  VLConfig::shared().setValueOfKey(VLConfig::kPasteDirectly, false);
  copyFromOtherProgram("for the popover");
  waitFor([&] {
    Vellisto_BigDoc::waitForPendingWrites();
    std::optional<std::string> doc = firstDocText();
    return doc && doc->find("for the popover") != std::string::npos;
  });
  // The list shows records older than the moment it is asked for.
  dispatch::MainLoop::advance(100);
  VLStatusBar::wakeupOrHidden();
  waitFor([&] { return !controller_->hintTable()->getDataSource().empty(); });
  ASSERT_EQ(controller_->hintTable()->selectedItems().size(), 1u);
  StartupEnvironment::keys->setAccessibilityTrusted(false);
  controller_->searchInput()->doPaste(false);
  StartupEnvironment::keys->setAccessibilityTrusted(true);
  auto popover = PopoverCenter::shared().popoverForKey(kPopoverPaste);
  ASSERT_TRUE(popover->isShown());
  EXPECT_EQ(popover->positioningRect(), *tray->frame);
  auto content = std::dynamic_pointer_cast<PastePopoverViewController>(popover->contentViewController());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->contentTextView()->string(), "for the popover");
  popover->close();
}

TEST_F(AssembledProgramTest, TheRecordWindowOpensOnTheScreenLastClickedAndItsRowMenuDeletes) {
  ui::Screen::setScreens({ui::Screen({0, 0, 1440, 900}, {0, 0, 1440, 900}),
                          ui::Screen({1440, 0, 1280, 800}, {1440, 0, 1280, 800})});
  click({2000, 400});
  showRecordWindow();
  auto window = WindowCenter::shared().windowForKey(kRecordWindowKey);
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->frame().origin, ui::Point(1440 + 150, 800 - 77 - 150));

  auto table = RecordViewController::recordTable();
  ASSERT_NE(table, nullptr);
  for (const char* text : {"first", "second", "third"}) {
    const long before = table->queue().size();
    copyFromOtherProgram(text);
    waitFor([&] { return table->queue().size() > before; });
  }
  ASSERT_EQ(table->queue().size(), 3);
  auto row = std::dynamic_pointer_cast<RecordTableRowView>(table->tableView().rowViewAtRow(1, true));
  ASSERT_NE(row, nullptr);
  std::shared_ptr<ui::Menu> menu =
      row->menuForEvent(ui::Event::mouseEvent(ui::EventType::RightMouseDown, {10, 10}, 0));
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->performActionForItemAtIndex(0));
  std::vector<std::string> left;
  for (const auto& entry : table->queue().entries()) left.push_back(entry->string());
  EXPECT_EQ(left, (std::vector<std::string>{"third", "first"}));
  window->close();
}

}  // namespace
}  // namespace vl::test
