#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"

namespace vl::test {

// Log lines written while a test runs.
inline std::vector<std::string>& capturedLog() {
  static std::vector<std::string> lines;
  return lines;
}

inline bool logContains(const std::string& text) {
  for (const auto& l : capturedLog()) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

// A layer-backed view filled with `color`: the simplest view that shows up in a display list.
inline std::shared_ptr<ui::View> filledView(const ui::Rect& frame,
                                            const ui::Color& color = ui::Color::black()) {
  auto v = ui::View::create(frame);
  v->setWantsLayer(true);
  v->layer()->setBackgroundColor(color);
  return v;
}

// The main thread under a manual clock, one default screen, an active and unhidden application.
class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
    ui::Screen::resetToDefault();
    ui::Application::shared().unhide();
    ui::Application::shared().activate();
    capturedLog().clear();
    previousSink_ = setLogSink([](const std::string& line) { capturedLog().push_back(line); });
  }
  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    setLogSink(previousSink_);
    Clock::install(nullptr);
  }

  std::shared_ptr<ManualClock> clock_;
  LogSink previousSink_ = nullptr;
};

}  // namespace vl::test
