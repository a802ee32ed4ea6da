#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/PopUpButton.h"
#include "platform/ui/view/EventDriver.h"

namespace vl::ui {
namespace {

using test::ActionRecorder;

class ButtonTest : public test::ControlTest {
 protected:
  Point centre(const View& v) {
    Rect b = v.bounds();
    return v.convertPointToView({b.midX(), b.midY()}, nullptr);
  }
  EventDriver mouse_;
};

TEST_F(ButtonTest, ClickTypesChangeStateThenSendOneAction) {
  struct Case {
    ButtonType type;
    bool mixed;
    std::vector<int> states;  // after each of three clicks
  };
  const Case cases[] = {
      {ButtonType::MomentaryPushIn, false, {0, 0, 0}}, {ButtonType::Switch, false, {1, 0, 1}},
      {ButtonType::Switch, true, {-1, 1, 0}},  // off, mixed, on, off
      {ButtonType::Toggle, false, {1, 0, 1}},          {ButtonType::Radio, false, {1, 1, 1}},
  };
  for (const auto& c : cases) {
    auto target = std::make_shared<ActionRecorder>();
    auto button = Button::buttonWithTitle("OK", target, "press:");
    button->setButtonType(c.type);
    button->setAllowsMixedState(c.mixed);
    button->setFrame({10, 10, 80, 24});
    add(button);
    for (int i = 0; i < 3; ++i) {
      mouse_.click(window_, centre(*button));
      EXPECT_EQ(button->state(), c.states[static_cast<std::size_t>(i)]) << int(c.type) << " click " << i;
    }
    EXPECT_EQ(target->actions.size(), 3u);
    button->removeFromSuperview();
  }
}

TEST_F(ButtonTest, ReleasingOutsideOrWhileDisabledSendsNothing) {
  auto target = std::make_shared<ActionRecorder>();
  auto box = Button::checkboxWithTitle("Remember", target, "toggle:");
  box->setFrameOrigin({10, 10});
  add(box);
  Point inside = centre(*box);
  mouse_.mouseDown(window_, inside);
  EXPECT_TRUE(box->isHighlighted());
  mouse_.mouseDragged(window_, {300, 250});
  EXPECT_FALSE(box->isHighlighted());
  mouse_.mouseUp(window_, {300, 250});
  EXPECT_EQ(box->state(), ControlStateValue::Off);
  box->setEnabled(false);
  mouse_.click(window_, inside);
  box->performClick();
  EXPECT_TRUE(target->actions.empty());
  // A target without the action, and no one along the chain: logged, nothing sent.
  box->setEnabled(true);
  target->accepts = {"other:"};
  box->performClick();
  EXPECT_TRUE(test::logContains("toggle: found no receiver"));
}

TEST_F(ButtonTest, RadioButtonsWithOneActionFormAGroup) {
  auto target = std::make_shared<ActionRecorder>();
  auto a = Button::radioButtonWithTitle("A", target, "pick:");
  auto b = Button::radioButtonWithTitle("B", target, "pick:");
  auto other = Button::radioButtonWithTitle("C", target, "another:");
  for (auto& r : {a, b, other}) add(r);
  a->performClick();
  other->performClick();
  b->performClick();
  EXPECT_EQ(a->state(), ControlStateValue::Off);
  EXPECT_EQ(b->state(), ControlStateValue::On);
  EXPECT_EQ(other->state(), ControlStateValue::On);
}

TEST_F(ButtonTest, KeyEquivalentClicks) {
  auto target = std::make_shared<ActionRecorder>();
  auto ok = Button::buttonWithTitle("OK", target, "ok:");
  ok->setKeyEquivalent("\r");
  add(ok);
  mouse_.typeKey(KeyCode::Return);
  mouse_.typeKey(KeyCode::Return, ModifierFlags::Command);  // other modifiers: not this button's
  EXPECT_EQ(target->actions, (std::vector<std::string>{"ok:"}));
}

class PopUpTest : public ButtonTest {
 protected:
  void SetUp() override {
    ButtonTest::SetUp();
    target_ = std::make_shared<ActionRecorder>();
    popUp_ = PopUpButton::create({10, 10, 120, 22});
    popUp_->setTarget(target_);
    popUp_->setAction("popUpSelected:");
    popUp_->addItemsWithTitles({"Safari", "Firefox", "Chrome"});
    add(popUp_);
  }
  std::shared_ptr<ActionRecorder> target_;
  std::shared_ptr<PopUpButton> popUp_;
};

TEST_F(PopUpTest, ChoosingAnItemSelectsItAndFiresOnce) {
  EXPECT_EQ(popUp_->titleOfSelectedItem(), "Safari");
  Menu::setHeadlessChooser([](Menu& menu) { return menu.itemAtIndex(2); });
  mouse_.click(window_, centre(*popUp_));
  EXPECT_EQ(popUp_->indexOfSelectedItem(), 2);
  EXPECT_EQ(popUp_->stringValue(), "Chrome");
  EXPECT_EQ(target_->actions, (std::vector<std::string>{"popUpSelected:"}));
  ASSERT_EQ(Menu::presentations().size(), 1u);
  EXPECT_EQ(Menu::presentations()[0].titles, (std::vector<std::string>{"Safari", "Firefox", "Chrome"}));
  // Dismissing the menu changes nothing and sends nothing.
  Menu::setHeadlessChooser(nullptr);
  mouse_.click(window_, centre(*popUp_));
  EXPECT_EQ(popUp_->indexOfSelectedItem(), 2);
  // A disabled item is no choice either.
  popUp_->itemAtIndex(1)->setEnabled(false);
  Menu::setHeadlessChooser([](Menu& menu) { return menu.itemAtIndex(1); });
  EXPECT_FALSE(popUp_->popUp());
  EXPECT_EQ(popUp_->indexOfSelectedItem(), 2);
  EXPECT_EQ(target_->actions.size(), 1u);
}

TEST_F(PopUpTest, SelectionByCodeIsSilentAndChecked) {
  EXPECT_TRUE(popUp_->selectItemWithTitle("Firefox"));
  EXPECT_FALSE(popUp_->selectItemWithTitle("Lynx"));
  EXPECT_EQ(popUp_->titleOfSelectedItem(), "Firefox");
  popUp_->selectItemAtIndex(9);
  EXPECT_EQ(popUp_->titleOfSelectedItem(), "Firefox");
  EXPECT_TRUE(test::logContains("out of range"));
  popUp_->addItemWithTitle("Safari");  // titles stay unique: the old item moves to the end
  EXPECT_EQ(popUp_->itemTitles(), (std::vector<std::string>{"Firefox", "Chrome", "Safari"}));
  popUp_->removeItemWithTitle("Firefox");  // the selected one: the first item takes over
  EXPECT_EQ(popUp_->titleOfSelectedItem(), "Chrome");
  popUp_->removeAllItems();
  EXPECT_EQ(popUp_->indexOfSelectedItem(), -1);
  EXPECT_EQ(popUp_->titleOfSelectedItem(), "");
  EXPECT_TRUE(target_->actions.empty());
}

TEST(ImageViewTest, ScalingFitsFillsOrKeepsTheImage) {
  struct Case {
    ImageScaling scaling;
    Size image;
    Rect expected;  // in a 100 x 50 view
  };
  const Case cases[] = {
      {ImageView::Fit, {40, 40}, {25, 0, 50, 50}},
      {ImageView::Fill, {40, 40}, {0, 0, 100, 50}},
      {ImageScaling::None, {200, 20}, {-50, 15, 200, 20}},
      {ImageScaling::ProportionallyDown, {40, 40}, {30, 5, 40, 40}},  // never enlarged
      {ImageScaling::ProportionallyDown, {200, 50}, {0, 12.5, 100, 25}},
  };
  for (const auto& c : cases) {
    auto view = ImageView::create({0, 0, 100, 50});
    view->setImage(std::make_shared<Image>(c.image));
    view->setImageScaling(c.scaling);
    EXPECT_EQ(view->imageRect(), c.expected) << int(c.scaling);
  }
  auto empty = ImageView::create({0, 0, 10, 10});
  EXPECT_TRUE(empty->imageRect().isEmpty());
  EXPECT_TRUE(empty->recordDisplayList().empty());
}

}  // namespace
}  // namespace vl::ui
