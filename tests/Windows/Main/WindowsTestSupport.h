#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Windows/Main/MainView.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/placement/AppFrame.h"
#include "core/VLConfig.h"
#include "platform/ui/window/Screen.h"
#include "ui/WidgetTestSupport.h"
#include "ui/panels/EscStack.h"

namespace vl::test {

// Settings in a private home, an empty registry with the main window (its empty 500-point view)
// registered, and the screens a test sets.
class WindowsTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    resetShared();
    main_ = MainWindow::create();
    main_->setContentViewController(EmptyMainViewController::create());
    center().registerWindow(main_, kMainWindowKey);
  }
  void TearDown() override {
    resetShared();
    ui::Screen::resetToDefault();
    WidgetTest::TearDown();
  }
  static void resetShared() {
    WindowCenter::shared().resetForTesting();
    AppFrame::shared().resetForTesting();
    AppFrame::shared().setPointerLocation(nullptr);
    EscStack::shared().resetForTesting();
  }

  static WindowCenter& center() { return WindowCenter::shared(); }
  static AppFrame& frame() { return AppFrame::shared(); }
  static void setScreens(const std::vector<ui::Rect>& frames) {
    std::vector<ui::Screen> screens;
    for (const ui::Rect& f : frames) screens.emplace_back(f, f);
    ui::Screen::setScreens(screens);
  }
  static Json stored(long key = VLConfig::kWindowOrigins) {
    return VLConfig::shared().getValueOfKey(key).value_or(Json());
  }

  std::shared_ptr<MainWindow> main_;
};

}  // namespace vl::test
