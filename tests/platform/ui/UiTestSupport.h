#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"
#include "support/TestSupport.h"

namespace vl::test {

// Whether a line written while the test runs contains `text`. Lines come from every thread that logs
// (store writes and searches run on queues of their own), so they are kept by LogCapture, which locks.
inline bool logContains(const std::string& text) { return LogCapture::contains(text); }

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
    log_.emplace();
  }
  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    log_.reset();
    Clock::install(nullptr);
  }

  std::shared_ptr<ManualClock> clock_;
  std::optional<LogCapture> log_;
};

}  // namespace vl::test
