#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SyncFixture.h"
#include "sync/client/ClientSession.h"
#include "sync/client/SyncNetworkClientWrapper.h"

namespace vl::test {

// A joined device's side: the sync store fixture on the real clock (the serving device is another
// process, in real time), the client session with short intervals and its hooks installed, and the sync
// screens replaced by recorders that act as a user pressing OK at once.
class ClientFixture : public SyncStoreFixture {
 public:
  void SetUp() override {
    SyncStoreFixture::SetUp();
    if (HasFatalFailure()) return;
    Clock::install(nullptr);
    ClientSession::resetForTesting();
    ClientSession::setTimingForTesting(fastTiming());
    ClientSession::installHooks();
    SyncNetworkClientWrapper::setScreens(recordingScreens());
  }

  void TearDown() override {
    ClientSession::resetForTesting();
    ClientSession::uninstallHooks();
    SyncNetworkClientWrapper::setScreens({});
    SyncStoreFixture::TearDown();
  }

  static ClientSession::Timing fastTiming() {
    ClientSession::Timing timing;
    timing.pollIntervalMs = 50;
    timing.pollLeewayMs = 0;
    timing.laterRetryMs = 50;
    timing.maxLaterRetries = 5;
    timing.probeTimeoutMs = 500;
    return timing;
  }

  // Runs main-queue work until `condition` holds; false after `ms`.
  static bool waitUntil(const std::function<bool()>& condition, double ms = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
    for (;;) {
      dispatch::MainLoop::runUntilIdle();
      if (condition()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      // Main-queue blocks posted meanwhile run inside the wait.
      dispatch::Group idle;
      idle.enter();
      idle.wait(5);
      idle.leave();
    }
  }

  std::vector<std::string> alerts() {
    std::lock_guard<std::mutex> lock(seen_->mutex);
    return seen_->alerts;
  }
  std::vector<std::string> screenCalls() {
    std::lock_guard<std::mutex> lock(seen_->mutex);
    return seen_->calls;
  }
  void clearScreenCalls() {
    std::lock_guard<std::mutex> lock(seen_->mutex);
    seen_->calls.clear();
    seen_->alerts.clear();
  }

 protected:
  struct Seen {
    std::mutex mutex;
    std::vector<std::string> alerts;
    std::vector<std::string> calls;
    bool barOn = true;
  };

  SyncClientScreens recordingScreens() {
    auto seen = seen_;
    auto note = [seen](std::string call) {
      std::lock_guard<std::mutex> lock(seen->mutex);
      seen->calls.push_back(std::move(call));
    };
    SyncClientScreens screens;
    screens.isSyncBarOn = [seen] {
      std::lock_guard<std::mutex> lock(seen->mutex);
      return seen->barOn;
    };
    // The bar's close of a joined device says goodbye.
    screens.closeSyncBar = [note] {
      note("closeSyncBar");
      if (ClientSession* session = ClientSession::currentSession()) session->bye();
    };
    screens.closeSyncBarOnlyOnUI = [note] { note("closeSyncBarOnlyOnUI"); };
    screens.showAlert = [seen](const std::string& message, std::function<void()> ok) {
      {
        std::lock_guard<std::mutex> lock(seen->mutex);
        seen->alerts.push_back(message);
        seen->calls.push_back("alert");
      }
      ok();
    };
    screens.reenterPassword = [note](const ClientSyncNetworkBean& network) {
      note("reenterPassword " + network.networkName);
    };
    return screens;
  }

  std::shared_ptr<Seen> seen_ = std::make_shared<Seen>();
};

}  // namespace vl::test
