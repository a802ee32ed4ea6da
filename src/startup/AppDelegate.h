#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/VLConstants.h"
#include "core/VLDevice.h"
#include "core/apps/DesktopEntryQuery.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/window/Application.h"
#include "startup/StartupHooks.h"

namespace vl {

namespace ui {
class Window;
}

// The program's application delegate. It brings the program up in two phases: class initialisation
// (settings, the preferences exchange, data folders, record store, pin tabs, pasteboard poll and
// installed-application index), which runs once before the application object has a delegate, and the
// end of launching (status item, capture listener, every window, popover, panel and slide, network
// configuration, crash-and-analytics service). It then follows the application becoming active,
// resigning, hiding and terminating, and quits the whole product. It also offers the class-level
// services other parts call: identifiers and versions, the direct-paste gate, the accessibility check,
// the login item and the browser list. Main thread only.
class AppDelegate : public ui::ApplicationDelegate, public std::enable_shared_from_this<AppDelegate> {
 public:
  static constexpr const char* kLauncherAppId = "com.norrak.vellisto.launcher.pro";
  static constexpr const char* kMainAppIdentifier = "com.norrak.vellisto.pro";
  static constexpr const char* kApplicationGroup = "Q4T8K2N6WZ.com.norrak.vellisto";
  static constexpr const char* kCrashAnalyticsSecret = "5c0d9a17-3e42-4b8f-a6d1-70e2f4b9c386";
  static constexpr const char* kMainWindowTitle = "Vellisto";
  static constexpr const char* kRecordWindowTitle = "Vellisto Record";
  // The login item's program, beside this one.
  static constexpr const char* kLauncherProgramName = "vellisto-launcher";
  static constexpr const char* kWriteToPasteboard = "kNotificationWriteToPasteboard";
  // How long after hiding the pending paste record is forgotten.
  static constexpr double kHideSettleMs = 1000;

  // ---- class initialisation ----

  // The steps of the parts above capture; install before the first AppDelegate is made.
  static void setHooks(StartupHooks hooks);
  static const StartupHooks& hooks();
  // Runs once per process, on the first use of the class; later calls do nothing.
  static void initialize();
  // Lets the next initialize() run again (tests start the program twice in one process).
  static void resetForTesting();

  // The running delegate: the shared application's delegate when it is one of ours.
  static std::shared_ptr<AppDelegate> mySelf();

  // Creating the delegate is the first use of the class, so class initialisation runs here.
  AppDelegate();
  ~AppDelegate() override;
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // Makes this the delegate of `application` (the shared one by default), which quitting terminates.
  void attach(ui::Application& application);
  void attach() { attach(ui::Application::shared()); }

  // ---- application callbacks ----

  void applicationWillFinishLaunching() override {}
  void applicationDidFinishLaunching() override;
  void applicationWillBecomeActive() override;
  void applicationDidBecomeActive() override;
  void applicationWillResignActive() override;
  void applicationDidHide() override;
  // What follows a hide, also when the program hides only its windows (the paste road): about a second
  // later capture forgets the pending paste record and a shown record window writes its next entry.
  static void settleAfterHide();
  void applicationDidUnhide() override {}
  void applicationWillTerminate() override;
  void active() {}

  // Quits the product: the preferences program is asked to quit too, then the application terminates.
  void terminate();

  // After the run loop stopped: runs what the queues still hold (doc writes included, and what the
  // main queue had pending), waits for the image clean-up, then ends every queue's threads and joins
  // them, so nothing writes while the process's exit handlers run; last, every doc file takes in what
  // its journals hold. False (logged) when work still ran after timeoutMs; the threads are then left as
  // they are.
  [[nodiscard]] static bool finishQueuedWork(double timeoutMs);
  // A stop while the main thread is busy, from another thread: waits for the record writes already
  // queued and saves what quitting saves that needs no main thread. False (logged) when the writes still
  // ran after timeoutMs.
  [[nodiscard]] static bool saveWhileMainThreadIsBusy(double timeoutMs);

  // ---- instance services ----

  std::shared_ptr<void> getStatusItem() const { return statusItem_; }
  // The application group's container: where the shared settings suite lives.
  std::string applicationDocumentsDirectory() const;
  void createAudioPathIfNeeded();
  void createForeverPathIfNeeded();
  // Enables or disables the login item, then stores the flag in settings key 0. False (and the flag
  // left as it was) when the autostart entry could not be changed.
  [[nodiscard]] bool launchAtLogin(bool enabled);
  bool getLoginItemStatus() const;
  void showOnTouchBar(bool enabled);
  bool getShowOnTouchBarStatus() const;
  bool isSelectedIconColor(const std::string& color) const;
  void setSelectedIconColor(const std::string& color);
  void saveHotkey(std::int64_t hotKeyId, std::int64_t modifier, std::int64_t code, bool doubleTap);
  void appleInterfaceThemeChanged();

  // ---- class services ----

  static VLSystemVersion operatingSystemVersion();
  static std::string appVersion() { return kShortVersion; }
  static std::string appBuild() { return kBuildVersion; }
  static std::string launcherAppId() { return kLauncherAppId; }
  static std::string preferencesAppId() { return kPreferencesAppId; }
  static std::string mainAppIdentifier() { return kMainAppIdentifier; }

  // The direct-paste gate: open on every system this program runs on.
  static bool pass();
  // True while permission to post key events is missing; refreshes the accessibility-trusted flag.
  static bool needPermissions();
  // The process-wide accessibility-trusted flag, false until needPermissions first ran.
  static bool accessibilityTrusted();
  // The tip shown after a copy whose paste must be done by hand; made, not delivered.
  static UserNotification pasteNotification(const std::string& subtitle);

  static ui::Color backgroundColor();
  static ui::Color highlightedSelectionColor();
  static ui::Color vellistoRed();
  static ui::Color vellistoHighlightedRed();
  static ui::Color syncBlue();

  static ui::Window* topWindow();
  // Whether the main window's first responder is a view with the tag or inside one.
  static bool isResponderByTag(long tag);

  // Rewrites the browser list of settings key 104 from the browsers installed here: "Default browser"
  // first, then their desktop entry ids. A chosen browser that is gone gives way to "Default browser".
  static void saveInstalledBrowsers(const std::vector<DesktopEntryItem>& browsers);

  // The login item's program: the launcher beside the running program.
  static std::string launcherProgramPath();
  static void setProgramFolderForTesting(std::string folder);

 private:
  // End-of-launching steps, in order.
  void produceStatusItem();
  void observeInterfaceTheme();
  void createClipboardListener();
  void registerWindows();
  void registerPopover();
  void registerPanels();
  void registerSlides();
  void createNetworkConfiguration();
  void startCrashAnalytics();

  ui::Application* application_ = nullptr;
  std::shared_ptr<void> statusItem_;
  std::uint64_t themeObserver_ = 0;
  // The desktop's own light/dark changes arrive on the toolkit's appearance centre, not the distributed one.
  Observation appearanceObservation_;
};

}  // namespace vl
