#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
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
#include "platform/foundation/UserDefaults.h"
#include "platform/system/headless/HeadlessPasteboard.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "support/FakeHttpFetcher.h"
#include "support/TestSupport.h"

namespace vl::test {

using vl::test::LogCapture;

// A whole capture road over a private HOME: the headless pasteboard and desktop, a fake network, a
// manual clock in a fixed time zone, a loaded record store and pin tabs. start() begins polling; each
// copy() is another application writing the pasteboard, followed by one poll interval.
class CaptureFixture : public ::testing::Test {
 public:
  static constexpr const char* kClip = kClipboardPinTabId;
  // 2023-11-14 22:13:20 UTC, 2023-11-15 06:13:20 in Shanghai.
  static constexpr double kStart = 1.7e9;

  void SetUp() override {
    home_.emplace("vl-capture");
    ASSERT_FALSE(home().empty());
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

    engine().setTabDirectory(PinManager::tabDirectory());
    VLEngine::resetForTesting();
    engine().setFolders(home());
    engine().load();
    PinManager::shared().load();
    PinManager::shared().activeTabOfId(kClip);
    logs_.emplace();
  }

  void TearDown() override {
    listener_.reset();
    poll_.reset();
    merging_.reset();
    monitor_.reset();
    logs_.reset();
    Vellisto_BigDoc::waitForPendingWrites();
    VLEngine::resetForTesting();
    engine().setTabDirectory(nullptr);
    CaptureHooks::reset();
    HttpFetcher::install(nullptr);
    Workspace::install(nullptr);
    Pasteboard::install(nullptr);
    Clock::install(nullptr);
    date::setDefaultTimeZone("");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    home_.reset();
  }

  void start() {
    poll_ = std::make_unique<PasteboardPolling>(board_);
    listener_ = std::make_unique<ClipboardListener>(*merging_, *monitor_);
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
    const std::string path = files::joinPath(home(), relative);
    EXPECT_TRUE(files::createDirectories(files::deletingLastPathComponent(path)));
    EXPECT_TRUE(files::atomicWrite(path, bytes));
    return path;
  }
  static std::string pngBytes(const std::string& tail = "IHDR-fake-body") {
    return std::string("\x89PNG\r\n\x1a\n", 8) + tail;
  }

  const std::string& home() const { return home_->path(); }
  std::string fileFolder() const { return *home_ / ".vellisto/file"; }
  std::string webFolder() const { return *home_ / ".vellisto/web"; }

  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<HeadlessPasteboard> board_;
  std::shared_ptr<HeadlessWorkspace> workspace_;
  std::shared_ptr<FakeHttpFetcher> fetcher_;
  std::unique_ptr<MergingCopy> merging_;
  std::unique_ptr<AppMonitor> monitor_;
  std::unique_ptr<PasteboardPolling> poll_;
  std::unique_ptr<ClipboardListener> listener_;

 private:
  std::optional<vl::test::PrivateHome> home_;
  std::optional<LogCapture> logs_;
};

}  // namespace vl::test
