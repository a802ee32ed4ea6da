#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "theme/ThemeTestSupport.h"

namespace vl::test {

// The shipped themes in a private HOME with "classic" active, and the main thread under a manual clock.
// Subclasses set up after this SetUp and tear down before this TearDown.
class ClassicThemeFixture : public ThemeFixture {
 protected:
  std::string folder() const override { return {}; }

  void SetUp() override {
    ThemeFixture::SetUp();
    manager().setActiveTheme("classic");
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
  }

  void TearDown() override {
    Clock::install(nullptr);
    ThemeFixture::TearDown();
  }

  std::shared_ptr<ManualClock> clock_;
};

}  // namespace vl::test
