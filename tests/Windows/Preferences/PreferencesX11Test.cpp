// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Preferences/PreferencesViewController.h"
#include "Windows/Preferences/PreferencesWindow.h"
#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/WindowServer.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "snippets/SnippetsViewController.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"
#include "ui/panels/MainViewHooks.h"
#include <X11/Xutil.h>
// clang-format on

namespace vl::x11test {
namespace {

class PreferencesX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    env_.set("HOME", home_.path());
    env_.set("XDG_CONFIG_HOME", home_ / "config");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    ui::WindowServer::install(server_);
    WindowCenter::shared().resetForTesting();
  }
  void TearDown() override {
    if (window_) window_->close();
    window_.reset();
    WindowCenter::shared().resetForTesting();
    MainViewHooks::install({});
    ui::WindowServer::install(nullptr);
    server_.reset();
    if (probe_) XCloseDisplay(probe_);
    ui::Screen::resetToDefault();
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }
  XWindowAttributes attributes() {
    XWindowAttributes a{};
    XGetWindowAttributes(probe_, server_->xWindowOf(*window_), &a);
    return a;
  }
  std::string xTitle() {
    char* name = nullptr;
    std::string out;
    if (XFetchName(probe_, server_->xWindowOf(*window_), &name) && name) out = name;
    if (name) XFree(name);
    return out;
  }

  test::TempDir home_;
  test::ScopedEnv env_;
  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
  std::shared_ptr<PreferencesWindow> window_;
};

TEST_F(PreferencesX11Test, TheWindowShowsOnTheDisplayAndFollowsItsTabs) {
  PreferencesHooks hooks;
  hooks.makeSnippetsPane = [] { return std::make_shared<SnippetsViewController>(SnippetsExchange{}); };
  window_ = PreferencesWindow::registerPreferencesWindow(hooks);
  WindowCenter::shared().showWindowByKey(kPreferencesWindowKey);
  ASSERT_TRUE(waitUntil([&] { return attributes().map_state == IsViewable; }));
  EXPECT_TRUE(waitUntil([&] { return xTitle() == "Vellisto Preferences"; }));
  const int general = attributes().height;

  window_->controller().tabController()->tabBar()->selectItemAtIndex(4);
  EXPECT_TRUE(waitUntil([&] { return attributes().height == general - (530 - 200); })) << attributes().height;
  // The window keeps its name: a task switcher lists the window, not the tab.
  EXPECT_EQ(xTitle(), "Vellisto Preferences");

  window_->close();
  EXPECT_TRUE(waitUntil([&] { return attributes().map_state != IsViewable; }));
}

}  // namespace
}  // namespace vl::x11test
