#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/keys/LocalShortcutsManager.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/ui/UiTestSupport.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/window/Window.h"
#include "theme/ClassicThemeFixture.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PopoverCenter.h"
#include "ui/panels/SlideCenter.h"

namespace vl::test {

// A view that notes the clicks that reach it.
class ClickCounter : public ui::View {
 public:
  using ui::View::View;
  void mouseDown(const ui::Event&) override { ++clicks; }
  int clicks = 0;
};

// The shipped themes in a private HOME, the main thread under a manual clock, a 600 x 400 key window
// whose content view is the main view, the main-window hooks noting what they are told, and the Escape
// stack registered with a stand-in dispatcher.
class SheetTest : public ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    ui::Screen::resetToDefault();
    ui::Application::shared().unhide();
    ui::Application::shared().activate();
    log_.emplace();

    window_ = ui::Window::create({100, 100, 600, 400}, ui::WindowStyle::Titled);
    window_->makeKeyAndOrderFront();
    mainView_ = window_->contentView();
    MainViewHooks hooks;
    hooks.mainView = [this] { return mainView_.get(); };
    hooks.mainWindow = [this] { return window_.get(); };
    hooks.setPreviewSelection = [this](bool on) { calls_.push_back(on ? "preview on" : "preview off"); };
    hooks.focusSearchInput = [this](bool on) { calls_.push_back(on ? "focus" : "unfocus"); };
    hooks.closeSyncBar = [this] { calls_.push_back("close sync bar"); };
    MainViewHooks::install(std::move(hooks));
    EscStack::shared().resetForTesting();
  }

  void TearDown() override {
    EscStack::shared().resetForTesting();
    PanelCenter::shared().resetForTesting();
    SlideCenter::shared().resetForTesting();
    PopoverCenter::shared().resetForTesting();
    MainViewHooks::install({});
    window_->orderOut();
    window_.reset();
    dispatch::MainLoop::runUntilIdle();
    log_.reset();
    ClassicThemeFixture::TearDown();
  }

  // The Escape key as the in-window shortcut dispatcher reports it.
  // Escape as the keyboard listener offers it: by name, through the core's receiver list.
  bool pressEscape() { return offer("esc"); }
  bool offer(const std::string& name) { return LocalShortcutsManager::shared().offerShortcutKey(name); }
  void advance(double ms) { events_.advance(ms); }
  // A click in the middle of a view of the window.
  void clickView(ui::View& view) {
    events_.click(window_, view.convertPointToView({view.bounds().midX(), view.bounds().midY()}, nullptr));
  }

  // Paints the window in light and dark into the build folder's gallery.
  void writeGallery(ui::Window& window, const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(VL_BINARY_DIR) / "gallery";
    std::filesystem::create_directories(dir);
    for (bool dark : {false, true}) {
      ui::SystemAppearance::shared().setDark(dark);
      dispatch::MainLoop::runUntilIdle();
      std::string file = (dir / (name + (dark ? "-dark.png" : "-light.png"))).string();
      EXPECT_TRUE(paint::writeWindowPng(window, file, 2)) << file;
    }
    ui::SystemAppearance::shared().setDark(false);
    dispatch::MainLoop::runUntilIdle();
  }

  std::optional<LogCapture> log_;
  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<ui::View> mainView_;
  std::vector<std::string> calls_;
  ui::EventDriver events_;
};

}  // namespace vl::test
