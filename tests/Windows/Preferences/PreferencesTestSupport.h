#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Preferences/PreferencesViewController.h"
#include "Windows/Preferences/PreferencesWindow.h"
#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"
#include "snippets/SnippetsViewController.h"
#include "theme/ClassicThemeFixture.h"
#include "ui/panels/MainViewHooks.h"

namespace vl::test {

// The preferences window registered as start-up does, over settings in a private HOME; the hot key and
// login item services note what they are asked.
class PreferencesFixture : public ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    ui::Screen::resetToDefault();
    ui::Application::shared().activate();
    WindowCenter::shared().resetForTesting();
    log_.clear();
    previousSink_ = setLogSink([](const std::string& line) { log_.push_back(line); });
    window_ = PreferencesWindow::registerPreferencesWindow(hooks());
  }

  void TearDown() override {
    window_->close();
    window_.reset();
    WindowCenter::shared().resetForTesting();
    MainViewHooks::install({});
    dispatch::MainLoop::runUntilIdle();
    setLogSink(previousSink_);
    ClassicThemeFixture::TearDown();
  }

  PreferencesHooks hooks() {
    PreferencesHooks h;
    h.launchAtLogin = [this](bool on) {
      if (loginFails_) return false;
      VLConfig::shared().setBoolValueOfKey(VLConfig::kLaunchAtLogin, on);
      return true;
    };
    h.registerMainHotKey = [this](const HokeyStruct& v) { registered_.push_back(v); };
    // The page without the exchange with other processes, which these tests do not run.
    h.makeSnippetsPane = [] { return std::make_shared<SnippetsViewController>(SnippetsExchange{}); };
    return h;
  }

  void show() { WindowCenter::shared().showWindowByKey(kPreferencesWindowKey); }
  PreferencesViewController& controller() { return window_->controller(); }
  VLTabBar& bar() { return *controller().tabController()->tabBar(); }
  template <typename Pane>
  Pane& pane(std::size_t index) {
    bar().selectItemAtIndex(index);
    return dynamic_cast<Pane&>(*bar().items()[index]->viewController());
  }
  // What the settings file on disk holds under the key, read as another process would.
  static std::optional<Json> onDisk(long key) {
    UserDefaults other("reader", UserDefaults::suite(UserDefaults::kGroupSuite).filePath());
    return other.object(std::to_string(key));
  }
  // Another process writing the settings file.
  static void writeElsewhere(long key, const Json& value) {
    UserDefaults other("writer", UserDefaults::suite(UserDefaults::kGroupSuite).filePath());
    ASSERT_TRUE(other.setObject(std::to_string(key), value));
  }
  static bool logged(const std::string& part) {
    for (const auto& line : log_) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }

  static inline std::vector<std::string> log_;
  LogSink previousSink_ = nullptr;
  std::shared_ptr<PreferencesWindow> window_;
  std::vector<HokeyStruct> registered_;
  bool loginFails_ = false;
  ui::EventDriver events_;
};

}  // namespace vl::test
