#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "capture/CaptureHooks.h"
#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/CrashAnalyticsService.h"
#include "platform/system/headless/HeadlessKeyEventPoster.h"
#include "platform/system/headless/HeadlessPasteboard.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/window/Application.h"
#include "startup/AppDelegate.h"
#include "support/TestSupport.h"

namespace vl::test {

// Process-wide pieces that the program's singletons keep once they have seen them: the manual clock
// (the pasteboard poll's timer runs on it), the headless pasteboard, and the folder of the
// distributed notification sockets. Set up once, before any test touches a singleton.
class StartupEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/vl-startup-run-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    runtime_ = pattern;
    setEnvironmentVariable("XDG_RUNTIME_DIR", runtime_);
    setEnvironmentVariable("VELLISTO_RESOURCES", VL_RESOURCES_DIR);
    resetResourceDirectoryForTesting();
    ASSERT_TRUE(date::setDefaultTimeZone("Asia/Shanghai"));
    dispatch::MainLoop::adoptCurrentThread();
    Clock::install(std::make_shared<ManualClock>(1.7e9));
    board = std::make_shared<HeadlessPasteboard>();
    Pasteboard::install(board);
    keys = std::make_shared<HeadlessKeyEventPoster>();
    KeyEventPoster::install(keys);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(runtime_, ignored);
  }

  static inline std::shared_ptr<HeadlessPasteboard> board;
  static inline std::shared_ptr<HeadlessKeyEventPoster> keys;

 private:
  std::string runtime_;
};

using StartupLog = vl::test::LogCapture;

// A private HOME (with its XDG folders and a folder of desktop entries) per test, and the program
// started in it the way main() starts it: class initialisation, a delegate on an application object
// of the test's own, and the end of launching with the launch activation.
class StartupFixture : public ::testing::Test {
 public:
  static constexpr const char* kClip = kClipboardPinTabId;

  void SetUp() override {
    ASSERT_FALSE(root().empty());
    useHome(root() + "/home");
    env_.set("XDG_DATA_DIRS", root() + "/system");
    std::filesystem::create_directories(systemApps());
    workspace_ = std::make_shared<HeadlessWorkspace>();
    Workspace::install(workspace_);
    CaptureHooks::reset();
    CrashAnalyticsService::shared().resetForTesting();
    AppDelegate::setHooks({});
    StartupEnvironment::board->setStringFromOtherApplication("before start");
    log_.emplace();
  }

  void TearDown() override {
    stopProgram();
    log_.reset();
    AppDelegate::setHooks({});
    AppDelegate::setProgramFolderForTesting("");
    CaptureHooks::reset();
    Workspace::install(nullptr);
  }

  // Points HOME and its XDG folders at `home` (which need not exist or be usable).
  void useHome(const std::string& home) {
    home_ = home;
    env_.set("HOME", home);
    env_.set("XDG_CONFIG_HOME", home + "/.config");
    env_.set("XDG_CACHE_HOME", home + "/.cache");
    env_.set("XDG_DATA_HOME", home + "/.local/share");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  // What main() does up to the run loop.
  void startProgram() {
    stopProgram();
    app_ = std::make_shared<ui::Application>();
    delegate_ = std::make_shared<AppDelegate>();
    delegate_->attach(*app_);
    app_->finishLaunching();
    dispatch::MainLoop::runUntilIdle();
  }

  // What ending the process leaves behind: the files. Everything in memory is dropped so the next
  // start reads the disk again.
  void stopProgram() {
    waitForGathering();
    Vellisto_BigDoc::waitForPendingWrites();
    dispatch::MainLoop::runUntilIdle();
    delegate_.reset();
    app_.reset();
    VLEngine::resetForTesting();
    AppDelegate::resetForTesting();
    CrashAnalyticsService::shared().resetForTesting();
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  // The installed-application gathering reads files on a worker and reports on the main queue.
  static void waitForGathering() {
    auto query = AppInstalledManager::shared().appQuery();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (query->isStarted()) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the gathering never reported";
      dispatch::MainLoop::runUntilIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Another program copies a text; one poll interval later capture has handled it.
  static void copyFromOtherProgram(const std::string& text) {
    StartupEnvironment::board->setStringFromOtherApplication(text);
    dispatch::MainLoop::advance(100);
    Vellisto_BigDoc::waitForPendingWrites();
  }

  // The clipboard history's first doc file as text.
  std::optional<std::string> firstDocText() const {
    std::optional<std::string> bytes = files::readFile(home_ + "/.vellisto/data/BigDoc_0");
    if (!bytes) return std::nullopt;
    return GzipUtility::ungzipData(*bytes);
  }

  std::string addSystemEntry(const std::string& file, const std::string& text) const {
    const std::string path = systemApps() + "/" + file;
    std::ofstream(path) << text;
    return path;
  }
  std::string systemApps() const { return root() + "/system/applications"; }

  const std::string& home() const { return home_; }
  const std::string& root() const { return root_.path(); }

  std::shared_ptr<ui::Application> app_;
  std::shared_ptr<AppDelegate> delegate_;
  std::shared_ptr<HeadlessWorkspace> workspace_;

 private:
  vl::test::TempDir root_{"vl-startup"};  // declared first: the environment is restored before it goes
  vl::test::ScopedEnv env_;
  std::optional<StartupLog> log_;
  std::string home_;
};

}  // namespace vl::test
