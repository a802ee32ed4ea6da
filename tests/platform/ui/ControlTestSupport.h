#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/text/TextPasteboard.h"
#include "platform/ui/view/Responder.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"

namespace vl::test {

// A target that notes every action it receives as "<action>" (and the sender).
class ActionRecorder : public ui::Responder {
 public:
  bool respondsToAction(const std::string& action) const override {
    return accepts.empty() || std::find(accepts.begin(), accepts.end(), action) != accepts.end();
  }
  bool performAction(const std::string& action, ui::ActionTarget* sender) override {
    actions.push_back(action);
    senders.push_back(sender);
    return true;
  }
  std::vector<std::string> accepts;  // empty: every action
  std::vector<std::string> actions;
  std::vector<ui::ActionTarget*> senders;
};

// UiTest plus a fresh in-memory pasteboard, no menu chooser, and a visible key
// window of 400 x 300 whose content view is flipped-free and empty.
class ControlTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ui::TextPasteboard::install(nullptr);
    ui::Menu::setHeadlessChooser(nullptr);
    ui::Menu::clearPresentations();
    ui::resetBeepCount();
    window_ = ui::Window::create({100, 100, 400, 300}, ui::WindowStyle::Titled);
    window_->makeKeyAndOrderFront();
  }
  void TearDown() override {
    ui::Menu::setHeadlessChooser(nullptr);
    window_->orderOut();
    window_.reset();
    UiTest::TearDown();
  }
  void add(const std::shared_ptr<ui::View>& view) { window_->contentView()->addSubview(view); }

  std::shared_ptr<ui::Window> window_;
};

}  // namespace vl::test
