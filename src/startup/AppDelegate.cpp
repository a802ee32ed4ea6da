#include "startup/AppDelegate.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/search/SearchHistory.h"
#include "VLEngine/search/Vellisto_DefaultDisplay.h"
#include "Windows/Main/paste/PasteService.h"
#include "capture/CaptureHooks.h"
#include "capture/ClipboardListener.h"
#include "capture/PasteboardPolling.h"
#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "core/files/VLFileManager.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "core/notify/VLNotificationCenter.h"
#include "pins/PinManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/CrashAnalyticsService.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/view/Appearance.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/VLShortcutCenter.h"
#include "startup/DataFolders.h"
#include "startup/EngineAppRecordStore.h"
#include "statusbar/VLStatusBar.h"
#include "theme/VLFont.h"
#include "theme/VLThemeManager.h"

namespace vl {

namespace {

struct ClassState {
  std::mutex mutex;
  bool initialized = false;
  StartupHooks hooks;
};

ClassState& classState() {
  static ClassState* state = new ClassState();  // read by callbacks until exit
  return *state;
}

// Runs an installed step; a step nobody installed is skipped.
template <typename F, typename... Args>
void runStep(const F& step, Args&&... args) {
  if (step) step(std::forward<Args>(args)...);
}

}  // namespace

// ---- class initialisation ----

void AppDelegate::setHooks(StartupHooks hooks) {
  std::lock_guard<std::mutex> lock(classState().mutex);
  classState().hooks = std::move(hooks);
}

const StartupHooks& AppDelegate::hooks() { return classState().hooks; }

void AppDelegate::resetForTesting() {
  std::lock_guard<std::mutex> lock(classState().mutex);
  classState().initialized = false;
  VLShortcutCenter::resetForTesting();
  KeyboardListener::resetForTesting();
  VLStatusBar::resetForTesting();
}

void AppDelegate::initialize() {
  VL_DCHECK_ON_MAIN();
  {
    std::lock_guard<std::mutex> lock(classState().mutex);
    if (classState().initialized) return;
    classState().initialized = true;
  }
  // 0. Notifications from other processes reach their observers on the main thread. Before the exchange
  // with the preferences program below, whose observers open the centre.
  DistributedNotificationCenter::setDefaultDeliveryExecutor(
      [](std::function<void()> deliver) { dispatch::Queue::main()->async(std::move(deliver)); });

  // 1-2. Settings first (every missing default is written), then the exchange with the preferences
  // program, which reads them.
  VLConfig::shared();
  VLAppNotifcationCenter::shared();

  // 3. The record store's delegate stays empty: no application delegate exists yet at this point.

  // 4. The store's folders and the pin folder, all under the home folder.
  const std::string home = files::homeDirectory();
  DataFolders::prepare(home);
  VLEngine& engine = VLEngine::shared();
  // Result rows are set in the theme's main font, which the store below the theme cannot reach itself.
  Vellisto_DefaultDisplay::setMainFontProvider([] { return VLFont::mainFont(); });
  engine.setFolders(home);
  engine.setTabDirectory(PinManager::tabDirectory());
  engine.installServices();

  // 5-6. The history and the pin tabs, with the clipboard tab in front.
  engine.load();
  PinManager::shared().load();
  PinManager::shared().activeTabOfId(kClipboardPinTabId);
  // Snippets the preferences program changed while this program was not running wait in the shared
  // settings; they are merged before anything can write the settings' copy of the snippets over them.
  VLAppNotifcationCenter::shared().mergeSnippets();

  // 7. Keyboard listener, pasteboard poll, installed-application index, in this order. The named
  // shortcuts and their conflicts exist before the listener matches its first key press.
  VLShortcutCenter::defaultCenter();
  KeyboardListener::shared();
  PasteboardPolling::shared();
  AppInstalledManager& apps = AppInstalledManager::shared();
  apps.setRecordStore(std::make_shared<EngineAppRecordStore>());
  apps.setInstalledBrowsersHandler([](const Json& dict) {
    std::size_t installed = 0;
    for (const auto& flag : dict) installed += flag.is_boolean() && flag.get<bool>() ? 1 : 0;
    logDebugf("installed applications: %zu indexed", installed);
    saveInstalledBrowsers(AppInstalledManager::shared().installedBrowsers());
  });
  logf("start-up: %lld docs loaded from %s", static_cast<long long>(engine.docCount()),
       engine.storePath().c_str());
}

std::shared_ptr<AppDelegate> AppDelegate::mySelf() {
  return std::dynamic_pointer_cast<AppDelegate>(ui::Application::shared().delegate());
}

AppDelegate::AppDelegate() { initialize(); }

AppDelegate::~AppDelegate() {
  if (themeObserver_ != 0) DistributedNotificationCenter::defaultCenter().removeObserver(themeObserver_);
}

void AppDelegate::attach(ui::Application& application) {
  application_ = &application;
  application.setDelegate(shared_from_this());
}

// ---- end of launching ----

void AppDelegate::applicationDidFinishLaunching() {
  VL_DCHECK_ON_MAIN();
  produceStatusItem();
  createAudioPathIfNeeded();
  createForeverPathIfNeeded();
  // The Touch Bar customisation item has no counterpart here; its setting (key 101) is only kept.
  observeInterfaceTheme();
  createClipboardListener();
  registerWindows();
  registerPopover();
  registerPanels();
  registerSlides();
  createNetworkConfiguration();
  startCrashAnalytics();
  log("start-up: launching finished");
}

void AppDelegate::produceStatusItem() {
  // The hot keys come with the status bar; the preferences program's "hot key changed" and every
  // activation register settings key 1 again, read afresh.
  VLStatusBar::shared();
  VLAppNotifcationCenter::shared().setRegisterHotKeyHook(
      [](std::int64_t, const std::string&, std::int64_t, std::int64_t, bool) {
        (void)VLStatusBar::shared().registerStoredHotKey(VLConfig::kMainHotKey);  // it tells the user itself
      });
  if (hooks().produceStatusItem) statusItem_ = hooks().produceStatusItem();
}

void AppDelegate::observeInterfaceTheme() {
  if (themeObserver_ != 0) return;
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  themeObserver_ = DistributedNotificationCenter::defaultCenter().addObserver(
      ui::SystemAppearance::kThemeChangedNotification, "", [weak](const DistributedNotification&) {
        if (auto self = weak.lock()) self->appleInterfaceThemeChanged();
      });
  appearanceObservation_ = ui::SystemAppearance::shared().center().observe(
      ui::SystemAppearance::kThemeChangedNotification, nullptr, [weak](const Notification&) {
        if (auto self = weak.lock()) self->appleInterfaceThemeChanged();
      });
}

void AppDelegate::createClipboardListener() { ClipboardListener::shared(); }

void AppDelegate::registerWindows() { runStep(hooks().registerWindows); }
void AppDelegate::registerPopover() { runStep(hooks().registerPopover); }
void AppDelegate::registerPanels() { runStep(hooks().registerPanels); }
void AppDelegate::registerSlides() { runStep(hooks().registerSlides); }
void AppDelegate::createNetworkConfiguration() { runStep(hooks().createNetworkConfiguration); }

void AppDelegate::startCrashAnalytics() {
  const std::string logFolder = VLEngine::shared().logPath();
  const std::string recordFile =
      logFolder.empty() ? std::string() : files::joinPath(logFolder, "analytics.log");
  // Without analytics the program runs on as before.
  (void)CrashAnalyticsService::shared().start(
      kCrashAnalyticsSecret, CrashAnalyticsService::Analytics | CrashAnalyticsService::Crashes, recordFile);
}

// ---- activation, resignation, hiding ----

void AppDelegate::applicationWillBecomeActive() {
  VLThemeManager& themes = VLThemeManager::shared();
  themes.setAppearanceMode(VLThemeManager::getAppearance());
  NotificationCenter::defaultCenter().post(VLThemeManager::kThemeChangedNotification);
}

void AppDelegate::applicationDidBecomeActive() {
  AppInstalledManager::shared().startQuery();
  // The usage-statistics client is never started, so there is no activity to report here.
  VLFileManager::shared().cleanSandboxImagesIfNeeded();
  VLAppNotifcationCenter::shared().updateHotkey();
  runStep(hooks().enableAliasText, true);
  needPermissions();
}

void AppDelegate::applicationWillResignActive() {
  runStep(hooks().clearSearchInput);
  runStep(hooks().cleanEscStack);
  SearchHistory::shared().clean();
  runStep(hooks().saveCreatedDataSyncNetworks);
}

void AppDelegate::applicationDidHide() { settleAfterHide(); }

void AppDelegate::settleAfterHide() {
  VL_DCHECK_ON_MAIN();
  // The paste that hid the application has had time to land; a later copy of the same text is the
  // user's own again. The record window then hands over its next queued record.
  dispatch::after(kHideSettleMs, dispatch::Queue::main(), [] {
    if (PasteService::pasting() || ClipboardListener::shared().pasteChunk())
      logDebug("paste: settled; a copy of the same text counts again");
    PasteService::settled();
    ClipboardListener::shared().setPasteChunk(nullptr);
    if (CaptureHooks::windowAppear(kRecordWindowKey))
      VLNotificationCenter::postNotificationName(kWriteToPasteboard);
  });
}

// ---- termination and quitting ----

void AppDelegate::applicationWillTerminate() {
  AppInstalledManager::shared().saveAppItemDict();
  runStep(hooks().saveCreatedDataSyncNetworks);
  runStep(hooks().sayGoodbyeIfJoined);
}

void AppDelegate::terminate() {
  VL_DCHECK_ON_MAIN();
  // The preferences program is its own process here; the kill notification below closes it, so
  // finding it only tells the log why nothing else is done.
  for (const RunningApplication& app : Workspace::shared()->runningApplications()) {
    if (app.bundleIdentifier == kPreferencesAppId) {
      logf("quit: the preferences program runs (pid %lld); asking it to quit", app.processIdentifier);
      break;
    }
  }
  // A preferences window left open is only a window.
  (void)DistributedNotificationCenter::defaultCenter().post(VLAppNotifcationCenter::kKillPreferences,
                                                            kMainAppIdentifier);
  ui::Application& app = application_ ? *application_ : ui::Application::shared();
  app.terminate();
}

bool AppDelegate::finishQueuedWork(double timeoutMs) {
  VLFileManager::shared().waitForCleanUps();
  if (!dispatch::MainLoop::shutdown(timeoutMs)) {
    logWarningf("quit: work was still running after %.0f ms", timeoutMs);
    return false;
  }
  // Every doc file takes in what its journals hold, so the files alone are the history again (on this
  // thread: the queues have stopped).
  Vellisto_BigDoc::waitForPendingWrites();
  const auto written = Vellisto_BigDoc::persistStats();
  logf("store: %llu doc files written (%llu bytes) and %llu bytes journaled in this run",
       static_cast<unsigned long long>(written.writes), static_cast<unsigned long long>(written.bytes),
       static_cast<unsigned long long>(written.journalBytes));
  return true;
}

bool AppDelegate::saveWhileMainThreadIsBusy(double timeoutMs) {
  AppInstalledManager::shared().saveAppItemDict();
  // Every doc file takes in what its journals hold, as at a quit; on a thread of its own, so a fold that
  // hangs on a stuck disk only costs the time limit.
  struct Done {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
  };
  auto state = std::make_shared<Done>();
  std::thread([state] {
    Vellisto_BigDoc::waitForPendingWrites();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->done = true;
    state->changed.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(state->mutex);
  if (!state->changed.wait_for(lock, std::chrono::duration<double, std::milli>(timeoutMs),
                               [&] { return state->done; })) {
    logWarningf("quit: record writes were still running after %.0f ms", timeoutMs);
    return false;
  }
  if (const std::uint64_t unsaved = Vellisto_BigDoc::unsavedChangeCount(); unsaved > 0) {
    logErrorf("quit: %llu changes of the history could not be written",
              static_cast<unsigned long long>(unsaved));
    return false;
  }
  return true;
}

}  // namespace vl
