#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/Vellisto_BigDoc.h"
#include "capture/AppMonitor.h"
#include "capture/CaptureHooks.h"
#include "capture/ClipboardListener.h"
#include "capture/MergingCopy.h"
#include "capture/PasteboardPolling.h"
#include "core/VLConfig.h"
#include "pins/PinManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/FakeHttpFetcher.h"
#include "platform/system/HeadlessPasteboard.h"
#include "platform/system/HeadlessWorkspace.h"

namespace vl::testing {

// Log lines written while a test runs, so tests can tell why a copy was dropped.
class LogCapture {
 public:
  static void start() {
    clear();
    previous() = setLogSink(&sink);
  }
  static void stop() { setLogSink(previous()); }
  static void clear() {
    std::lock_guard lock(mutex());
    lines().clear();
  }
  static int count(const std::string& line) {
    std::lock_guard lock(mutex());
    return static_cast<int>(std::count(lines().begin(), lines().end(), line));
  }
  static bool containsPrefix(const std::string& prefix) {
    std::lock_guard lock(mutex());
    return std::any_of(lines().begin(), lines().end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }

 private:
  static void sink(const std::string& line) {
    std::lock_guard lock(mutex());
    lines().push_back(line);
  }
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> l;
    return l;
  }
  static LogSink& previous() {
    static LogSink p = nullptr;
    return p;
  }
};

// A whole capture road over a private HOME: the headless pasteboard and desktop, a fake network, a
// manual clock in a fixed time zone, a loaded record store and pin tabs. start() begins polling; each
// copy() is another application writing the pasteboard, followed by one poll interval.
class CaptureFixture : public ::testing::Test {
 public:
  static constexpr const char* kClip = VLEngine::kClipboardPinTabId;
  // 2023-11-14 22:13:20 UTC, 2023-11-15 06:13:20 in Shanghai.
  static constexpr double kStart = 1.7e9;

  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    char pattern[] = "/tmp/vl-capture-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    home_ = pattern;
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home_ + "/cache").c_str(), 1);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    ASSERT_TRUE(date::setDefaultTimeZone("Asia/Shanghai"));

    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>(kStart);
    Clock::install(clock_);
    board_ = std::make_shared<HeadlessPasteboard>();
    Pasteboard::install(board_);
    workspace_ = std::make_shared<HeadlessWorkspace>();
    Workspace::install(workspace_);
    fetcher_ = std::make_shared<FakeHttpFetcher>();
    HttpFetcher::install(fetcher_);
    CaptureHooks::reset();
    merging_ = std::make_unique<MergingCopy>();
    monitor_ = std::make_unique<AppMonitor>();

    VLEngine::resetForTesting();
    engine().setFolders(home_);
    engine().load();
    PinManager::shared().load();
    PinManager::shared().activeTabOfId(kClip);
    LogCapture::start();
  }

  void TearDown() override {
    stop();
    merging_.reset();
    monitor_.reset();
    LogCapture::stop();
    Vellisto_BigDoc::waitForPendingWrites();
    VLEngine::resetForTesting();
    CaptureHooks::reset();
    HttpFetcher::install(nullptr);
    Workspace::install(nullptr);
    Pasteboard::install(nullptr);
    Clock::install(nullptr);
    date::setDefaultTimeZone("");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    saved_.clear();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  void start() {
    poll_ = std::make_unique<PasteboardPolling>(board_);
    listener_ = std::make_unique<ClipboardListener>(*merging_, *monitor_);
  }

  void stop() {
    listener_.reset();
    poll_.reset();
  }

  // Another application puts items on the pasteboard; one poll later the copy is handled.
  void copyItems(std::vector<PasteboardItem> items) {
    board_->setContentsFromOtherApplication(std::move(items));
    dispatch::MainLoop::advance(PasteboardPolling::kIntervalMs);
  }
  void copy(const std::string& text) { copyItems({PasteboardItem(kPasteboardTypeString, text)}); }
  void wait(double ms) { dispatch::MainLoop::advance(ms); }

  static VLEngine& engine() { return VLEngine::shared(); }
  static VLConfig& config() { return VLConfig::shared(); }

  static std::vector<std::shared_ptr<Vellisto_Chunk>> records() {
    std::vector<std::shared_ptr<Vellisto_Chunk>> out;
    for (auto doc = engine().headDoc(); doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) {
        if (chunk && !chunk->isLogicallyDeleted()) out.push_back(chunk);
      }
    }
    return out;
  }
  static std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (const auto& chunk : records()) out.push_back(chunk->context());
    return out;
  }
  static Json jsonOf(const std::shared_ptr<Vellisto_Chunk>& chunk) {
    return chunk && chunk->json() ? *chunk->json() : Json();
  }

  // A file of its own under HOME with the given bytes.
  std::string makeFile(const std::string& relative, const std::string& bytes) {
    const std::string path = files::joinPath(home_, relative);
    EXPECT_TRUE(files::createDirectories(files::deletingLastPathComponent(path)));
    EXPECT_TRUE(files::atomicWrite(path, bytes));
    return path;
  }
  static std::string pngBytes(const std::string& tail = "IHDR-fake-body") {
    return std::string("\x89PNG\r\n\x1a\n", 8) + tail;
  }

  const std::string& home() const { return home_; }
  std::string fileFolder() const { return home_ + "/.vellisto/file"; }
  std::string webFolder() const { return home_ + "/.vellisto/web"; }

  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<HeadlessPasteboard> board_;
  std::shared_ptr<HeadlessWorkspace> workspace_;
  std::shared_ptr<FakeHttpFetcher> fetcher_;
  std::unique_ptr<MergingCopy> merging_;
  std::unique_ptr<AppMonitor> monitor_;
  std::unique_ptr<PasteboardPolling> poll_;
  std::unique_ptr<ClipboardListener> listener_;

 private:
  std::string home_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vl::testing
