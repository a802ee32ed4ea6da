#include "capture/ClipboardListener.h"
#include "core/VLConfig.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/NotificationCenter.h"
#include "startup/StartupTestSupport.h"
#include "theme/VLThemeManager.h"

namespace vl::test {
namespace {

// Hears every callback of the application object, in order.
class RecordingDelegate : public ui::ApplicationDelegate {
 public:
  std::vector<std::string> calls;
  void applicationWillFinishLaunching() override { calls.push_back("willFinishLaunching"); }
  void applicationDidFinishLaunching() override { calls.push_back("didFinishLaunching"); }
  void applicationWillBecomeActive() override { calls.push_back("willBecomeActive"); }
  void applicationDidBecomeActive() override { calls.push_back("didBecomeActive"); }
  void applicationWillResignActive() override { calls.push_back("willResignActive"); }
  void applicationDidResignActive() override { calls.push_back("didResignActive"); }
  void applicationDidHide() override { calls.push_back("didHide"); }
  void applicationDidUnhide() override { calls.push_back("didUnhide"); }
  void applicationWillTerminate() override { calls.push_back("willTerminate"); }
};

using Calls = std::vector<std::string>;

TEST(ApplicationLifecycle, DeliversEachChangeToTheDelegateOnce) {
  struct Step {
    const char* what;
    std::function<void(ui::Application&)> act;
    Calls expected;
  };
  const std::vector<Step> steps = {
      {"launch",
       [](ui::Application& a) { a.finishLaunching(); },
       {"willFinishLaunching", "didFinishLaunching", "willBecomeActive", "didBecomeActive"}},
      {"launch again", [](ui::Application& a) { a.finishLaunching(); }, {}},
      {"activate while active", [](ui::Application& a) { a.activate(); }, {}},
      {"deactivate", [](ui::Application& a) { a.deactivate(); }, {"willResignActive", "didResignActive"}},
      {"activate", [](ui::Application& a) { a.activate(); }, {"willBecomeActive", "didBecomeActive"}},
      {"hide", [](ui::Application& a) { a.hide(); }, {"willResignActive", "didResignActive", "didHide"}},
      {"activate hidden",
       [](ui::Application& a) { a.activate(); },
       {"didUnhide", "willBecomeActive", "didBecomeActive"}},
      {"terminate", [](ui::Application& a) { a.terminate(); }, {"willTerminate"}},
      {"terminate again", [](ui::Application& a) { a.terminate(); }, {}},
  };
  ui::Application app;
  auto delegate = std::make_shared<RecordingDelegate>();
  app.setDelegate(delegate);
  for (const Step& step : steps) {
    delegate->calls.clear();
    step.act(app);
    EXPECT_EQ(delegate->calls, step.expected) << step.what;
  }
  EXPECT_TRUE(app.isTerminating());
}

class AppDelegateTest : public StartupFixture {
 protected:
  // Every installed step appends its name here.
  Calls steps_;
  StartupHooks recordingHooks() {
    StartupHooks h;
    auto note = [this](const char* name) { return [this, name] { steps_.push_back(name); }; };
    h.produceStatusItem = [this] {
      steps_.push_back("statusItem");
      return std::shared_ptr<void>(std::make_shared<int>(7));
    };
    h.registerWindows = [this] {
      // The capture listener exists before the windows, which show what it captures.
      steps_.push_back(CrashAnalyticsService::shared().isStarted() ? "windows after analytics" : "windows");
    };
    h.registerPopover = note("popover");
    h.registerPanels = note("panels");
    h.registerSlides = note("slides");
    h.createNetworkConfiguration = [this] {
      steps_.push_back(CrashAnalyticsService::shared().isStarted() ? "network after analytics" : "network");
    };
    h.enableAliasText = [this](bool on) { steps_.push_back(on ? "aliasOn" : "aliasOff"); };
    h.clearSearchInput = note("clearSearchInput");
    h.cleanEscStack = note("cleanEscStack");
    h.saveCreatedDataSyncNetworks = note("saveSyncNetworks");
    h.sayGoodbyeIfJoined = note("syncBye");
    return h;
  }
};

TEST_F(AppDelegateTest, LaunchRunsTheStepsInOrderAndAnalyticsLast) {
  AppDelegate::setHooks(recordingHooks());
  startProgram();
  EXPECT_EQ(steps_, (Calls{"statusItem", "windows", "popover", "panels", "slides", "network", "aliasOn"}));
  ASSERT_NE(delegate_->getStatusItem(), nullptr);
  EXPECT_EQ(*std::static_pointer_cast<int>(delegate_->getStatusItem()), 7);
  EXPECT_TRUE(CrashAnalyticsService::shared().isStarted());
  EXPECT_EQ(CrashAnalyticsService::shared().services(),
            unsigned(CrashAnalyticsService::Analytics | CrashAnalyticsService::Crashes));

  // Class initialisation runs once per process, however many delegates are made.
  steps_.clear();
  auto second = std::make_shared<AppDelegate>();
  EXPECT_TRUE(steps_.empty());
}

TEST_F(AppDelegateTest, ResigningAndTerminatingRunTheirStepsInOrder) {
  AppDelegate::setHooks(recordingHooks());
  startProgram();
  steps_.clear();
  app_->deactivate();
  EXPECT_EQ(steps_, (Calls{"clearSearchInput", "cleanEscStack", "saveSyncNetworks"}));
  steps_.clear();
  app_->terminate();
  EXPECT_EQ(steps_, (Calls{"saveSyncNetworks", "syncBye"}));
}

TEST_F(AppDelegateTest, BecomingActivePostsThemeChangeAndRefreshesTheTrustedFlag) {
  startProgram();
  int themeChanges = 0;
  Observation themes = NotificationCenter::defaultCenter().observe(
      VLThemeManager::kThemeChangedNotification, nullptr, [&](const Notification&) { ++themeChanges; });

  for (bool trusted : {false, true}) {
    StartupEnvironment::keys->setAccessibilityTrusted(trusted);
    app_->deactivate();
    app_->activate();
    EXPECT_EQ(themeChanges, trusted ? 2 : 1);
    EXPECT_EQ(AppDelegate::accessibilityTrusted(), trusted);
    EXPECT_EQ(AppDelegate::needPermissions(), !trusted);
  }
  EXPECT_TRUE(AppDelegate::pass());
}

TEST_F(AppDelegateTest, HidingForgetsThePastedRecordOneSecondLater) {
  struct Case {
    bool recordWindowShown;
    int writeRequests;
  };
  for (const Case& c : {Case{false, 0}, Case{true, 1}}) {
    startProgram();
    CaptureHooks::setWindowAppear(
        [&](const std::string& key) { return c.recordWindowShown && key == kRecordWindowKey; });
    int writes = 0;
    Observation observation = NotificationCenter::defaultCenter().observe(
        AppDelegate::kWriteToPasteboard, nullptr, [&](const Notification&) { ++writes; });
    ClipboardListener::shared().setPasteChunk(
        Vellisto_Chunk::initWithContext("pasted", std::nullopt, std::nullopt));

    app_->hide();
    dispatch::MainLoop::advance(AppDelegate::kHideSettleMs - 1);
    EXPECT_NE(ClipboardListener::shared().pasteChunk(), nullptr) << "record window " << c.recordWindowShown;
    EXPECT_EQ(writes, 0);
    dispatch::MainLoop::advance(1);
    EXPECT_EQ(ClipboardListener::shared().pasteChunk(), nullptr) << "record window " << c.recordWindowShown;
    EXPECT_EQ(writes, c.writeRequests) << "record window " << c.recordWindowShown;
    CaptureHooks::reset();
  }
}

}  // namespace
}  // namespace vl::test
