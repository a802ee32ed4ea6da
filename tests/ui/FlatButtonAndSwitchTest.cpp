#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ButtonsTestSupport.h"
#include "platform/ui/text/TextMetrics.h"
#include "ui/controls/ITSwitch.h"
#include "ui/controls/SYFlatButton.h"

namespace vl {
namespace {

using ui::Color;
using ui::ControlStateValue::Off;
using ui::ControlStateValue::On;

class FlatButtonTest : public test::ButtonWidgetTest {
 protected:
  std::shared_ptr<SYFlatButton> addButton(bool momentary) {
    auto button = SYFlatButton::create({50, 50, 80, 30});
    button->setMomentary(momentary);
    button->setBackgroundNormalColor(Color::rgb24(0x112233));
    button->setBackgroundHighlightColor(Color::rgb24(0x445566));
    button->setTarget(recorder_);
    button->setAction("press:");
    add(button);
    return button;
  }
  std::shared_ptr<test::ActionRecorder> recorder_ = std::make_shared<test::ActionRecorder>();
};

TEST_F(FlatButtonTest, PressReleaseAndLeavingFollowTheButtonKind) {
  struct Case {
    const char* name;
    bool momentary;
    bool enabled;
    bool releaseOutside;
    int statePressed, stateAfter;
    std::size_t actions;
  };
  const Case cases[] = {
      {"momentary click", true, true, false, On, Off, 1},
      {"momentary, released outside", true, true, true, On, Off, 0},
      {"toggle click", false, true, false, On, On, 1},
      {"toggle, released outside", false, true, true, On, Off, 0},
      {"disabled", true, false, false, Off, Off, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder_->actions.clear();
    auto button = addButton(c.momentary);
    button->setEnabled(c.enabled);
    driver_.moveMouse(window_, {1, 1});
    driver_.mouseDown(window_, centre(*button));
    EXPECT_EQ(button->state(), c.statePressed);
    if (c.statePressed == On) {
      EXPECT_EQ(button->layer()->backgroundColor(), Color::rgb24(0x445566));
    }
    ui::Point release = c.releaseOutside ? at(*button, {200, 15}) : centre(*button);
    driver_.mouseDragged(window_, release);
    driver_.mouseUp(window_, release);
    EXPECT_EQ(button->state(), c.stateAfter);
    EXPECT_EQ(recorder_->actions.size(), c.actions);
    button->removeFromSuperview();
  }
}

TEST_F(FlatButtonTest, ToggleFlipsOncePerClick) {
  auto button = addButton(false);
  for (int state : {On, Off, On}) {
    driver_.click(window_, centre(*button));
    EXPECT_EQ(button->state(), state);
  }
  EXPECT_EQ(recorder_->actions.size(), 3u);
}

TEST_F(FlatButtonTest, ColoursChangeAtOnceUnlessADurationIsSet) {
  auto button = addButton(false);
  button->setBackgroundNormalColor(Color::rgb24(0x00FF00));
  EXPECT_EQ(button->layer()->backgroundColor(), Color::rgb24(0x00FF00));
  EXPECT_TRUE(button->layer()->animationKeys().empty());

  button->setOnAnimateDuration(0.5);
  button->setState(On);
  EXPECT_EQ(button->layer()->backgroundColor(), Color::rgb24(0x445566));
  EXPECT_NE(button->layer()->animationForKey("backgroundColor"), nullptr);
  // The same colour again adds nothing.
  button->setBackgroundHighlightColor(Color::rgb24(0x445566));
  EXPECT_EQ(button->layer()->animationForKey("backgroundColor"), nullptr);
}

TEST_F(FlatButtonTest, KeyedColoursFollowTheAppearance) {
  auto button = addButton(false);
  button->setColorAssetKey(SYFlatButton::ColorRole::BackgroundNormal,
                           std::string("viceButtonBackgroundColor"));
  button->setColorAssetKey(SYFlatButton::ColorRole::BorderNormal, std::string("noSuchKey"));
  for (bool dark : {true, false}) {
    setDark(dark);
    EXPECT_EQ(button->layer()->backgroundColor(), color("viceButtonBackgroundColor"));
    EXPECT_EQ(button->layer()->borderColor(), std::nullopt);
  }
}

TEST_F(FlatButtonTest, ImageLeftHuggingTheTitleCentresThemAsAGroup) {
  auto button = SYFlatButton::create({0, 0, 200, 40});
  button->setTitle("Grant");
  button->setImage(std::make_shared<ui::Image>(ui::Size{16, 16}));
  button->setImageHugsTitle(true);
  button->setSpacing(4);
  button->setImagePosition(ui::ImagePosition::ImageLeft);
  double titleX = button->titleLayer()->frame().minX();
  double imageX = button->imageLayer()->mask()->frame().minX();
  double titleWidth = ui::TextMetrics::sizeOfString("Grant", button->font()).width;
  EXPECT_NEAR(imageX, std::round((200 - 16 - titleWidth) / 2 - 4), 0.5);
  EXPECT_NEAR(titleX - (imageX + 16), 8, 1);
}

class SwitchTest : public test::ButtonWidgetTest {
 protected:
  void SetUp() override {
    ButtonWidgetTest::SetUp();
    switch_ = ITSwitch::create({100, 100, 52, 32});
    switch_->setTarget(recorder_);
    switch_->setAction("toggled:");
    add(switch_);
  }
  bool knobOnRight() const { return switch_->knobLayer()->frame().midX() > switch_->bounds().midX(); }

  std::shared_ptr<ITSwitch> switch_;
  std::shared_ptr<test::ActionRecorder> recorder_ = std::make_shared<test::ActionRecorder>();
};

TEST_F(SwitchTest, ClicksAndDragsDecideBySideAndSendOneActionPerChange) {
  struct Case {
    const char* name;
    std::vector<double> path;  // x positions in the switch: the press, then drags; released at the last
    bool after;
    std::size_t actions;
  };
  const Case cases[] = {
      {"click", {10}, true, 1},
      {"drag to the right half", {10, 20, 40, 45}, true, 1},
      {"drag past half way and back", {10, 40, 30, 8}, false, 0},
      {"drag on the left side only", {10, 15, 20}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    switch_->setChecked(false);
    recorder_->actions.clear();
    driver_.mouseDown(window_, at(*switch_, {c.path.front(), 16}));
    EXPECT_TRUE(switch_->isActive());
    for (std::size_t i = 1; i < c.path.size(); ++i) {
      driver_.mouseDragged(window_, at(*switch_, {c.path[i], 16}));
      EXPECT_EQ(knobOnRight(), c.path[i] >= 26) << "drag to " << c.path[i];
    }
    driver_.mouseUp(window_, at(*switch_, {c.path.back(), 16}));
    EXPECT_EQ(switch_->checked(), c.after);
    EXPECT_EQ(knobOnRight(), c.after);
    EXPECT_EQ(recorder_->actions.size(), c.actions);
  }
}

TEST_F(SwitchTest, KeyboardMovesTowardsTheArrowAndSpaceFlipsWhenFocused) {
  window_->makeFirstResponder(switch_.get());
  struct Step {
    std::uint16_t key;
    bool after;
  };
  const Step steps[] = {{ui::KeyCode::LeftArrow, false},
                        {ui::KeyCode::RightArrow, true},
                        {ui::KeyCode::RightArrow, true},
                        {ui::KeyCode::Space, false},
                        {ui::KeyCode::Space, true}};
  for (const Step& s : steps) {
    driver_.typeKey(s.key);
    EXPECT_EQ(switch_->checked(), s.after) << "key " << s.key;
  }
  EXPECT_EQ(recorder_->actions.size(), 3u);

  window_->makeFirstResponder(nullptr);
  driver_.typeKey(ui::KeyCode::Space);
  EXPECT_TRUE(switch_->checked());
}

TEST_F(SwitchTest, DisabledSwitchIgnoresTheMouseAndFades) {
  switch_->setEnabled(false);
  driver_.click(window_, centre(*switch_));
  EXPECT_FALSE(switch_->checked());
  EXPECT_TRUE(recorder_->actions.empty());
  EXPECT_EQ(switch_->layer()->opacity(), 0.5);
}

TEST_F(SwitchTest, TintFollowsTheAccentColourOfEachModeAndFallsBackWithoutOne) {
  switch_->setChecked(true);
  for (bool dark : {true, false}) {
    setDark(dark);
    EXPECT_EQ(switch_->tintColor(), color("accentColor"));
    EXPECT_EQ(switch_->backgroundLayer()->backgroundColor(), color("accentColor"));
  }
  // A theme without the key: the switch's own green.
  manager().setActiveTheme("no such theme");
  EXPECT_EQ(switch_->tintColor(), Color::rgba(0.27, 0.86, 0.36));
}

TEST_F(SwitchTest, BindingToASettingReadsItAndWritesChangesBack) {
  const long key = VLConfig::kPlaySound;
  struct Case {
    const char* name;
    Json stored;
    const char* transformer;
    bool shown;
  };
  const Case cases[] = {
      {"boolean", true, nullptr, true},
      {"number", 0, nullptr, false},
      {"text is the wrong type", "YES", nullptr, false},
      {"negated", false, "NSNegateBoolean", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LogCapture log;
    VLConfig::shared().setValueOfKey(key, c.stored);
    VLBindingInfo info{VLConfigBindable::shared(), std::to_string(key), nullptr, std::nullopt};
    if (c.transformer) info.valueTransformerName = c.transformer;
    switch_->bind(ITSwitch::kCheckedBinding, info);
    EXPECT_EQ(switch_->checked(), c.shown);
    EXPECT_EQ(log.contains("shown as off"), std::string(c.name) == "text is the wrong type");

    // By code: the setting follows, no action goes out.
    switch_->setChecked(!c.shown);
    Json expected = c.transformer ? Json(c.shown) : Json(!c.shown);
    EXPECT_EQ(VLConfig::shared().getValueOfKey(key), expected);
    // The same value again writes nothing.
    VLConfig::shared().setValueOfKey(key, "untouched");
    switch_->setChecked(!c.shown);
    EXPECT_EQ(VLConfig::shared().getValueOfKey(key), Json("untouched"));
  }
  EXPECT_TRUE(recorder_->actions.empty());
}

TEST_F(SwitchTest, BindingsThatCannotBeWrittenAreLogged) {
  struct Case {
    VLBindingInfo info;
    const char* line;
  };
  const Case cases[] = {
      {{nullptr, "114", nullptr, std::nullopt}, "ERROR: NSObservedObjectKey was nil for binding \"checked\""},
      {{VLConfigBindable::shared(), std::nullopt, nullptr, std::nullopt},
       "ERROR: NSObservedKeyPathKey was nil for binding \"checked\""},
      {{VLConfigBindable::shared(), "114", nullptr, "NSIsNil"},
       "WARNING: binding \"checked\" has value transformer, but it doesn't allow reverse transformations"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    test::LogCapture log;
    switch_->bind(ITSwitch::kCheckedBinding, c.info);
    switch_->setChecked(!switch_->checked());
    EXPECT_TRUE(log.contains(c.line));
  }
}

}  // namespace
}  // namespace vl
