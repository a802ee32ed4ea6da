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
#include "platform/ui/window/OpenPanel.h"
#include "platform/ui/window/Window.h"

namespace vl::ui::test {

// A target that notes every action it receives as "<action>" (and the sender).
class ActionRecorder : public Responder {
 public:
  bool respondsToAction(const std::string& action) const override {
    return accepts.empty() || std::find(accepts.begin(), accepts.end(), action) != accepts.end();
  }
  bool performAction(const std::string& action, ActionTarget* sender) override {
    actions.push_back(action);
    senders.push_back(sender);
    return true;
  }
  std::vector<std::string> accepts;  // empty: every action
  std::vector<std::string> actions;
  std::vector<ActionTarget*> senders;
};

// UiTest plus a fresh in-memory pasteboard, no menu chooser or open-panel answerer, and a visible key
// window of 400 x 300 whose content view is flipped-free and empty.
class ControlTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    TextPasteboard::install(nullptr);
    Menu::setHeadlessChooser(nullptr);
    Menu::clearPresentations();
    OpenPanel::setHeadlessAnswerer(nullptr);
    OpenPanel::clearShownPanels();
    resetBeepCount();
    window_ = Window::create({100, 100, 400, 300}, WindowStyle::Titled);
    window_->makeKeyAndOrderFront();
  }
  void TearDown() override {
    Menu::setHeadlessChooser(nullptr);
    OpenPanel::setHeadlessAnswerer(nullptr);
    window_->orderOut();
    window_.reset();
    UiTest::TearDown();
  }
  void add(const std::shared_ptr<View>& view) { window_->contentView()->addSubview(view); }

  std::shared_ptr<Window> window_;
};

}  // namespace vl::ui::test
