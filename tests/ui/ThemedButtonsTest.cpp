#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ButtonsTestSupport.h"
#include "ui/controls/Button.h"
#include "ui/controls/Button2.h"
#include "ui/controls/ButtonPresets.h"
#include "ui/controls/ButtonTextView.h"
#include "ui/controls/ImageTextButton.h"

namespace vl {
namespace {

using ui::Color;

class ThemedButtonsTest : public test::ButtonWidgetTest {
 protected:
  // A Button2 with distinct normal, hover, selected and disabled backgrounds, added to the window.
  std::shared_ptr<Button2> addButton2() {
    auto button = Button2::create({20, 20, 100, 30});
    button->setTitle("Open");
    button->setTextColorAssetKey(std::string("fontNormalColor"));
    button->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
    button->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
    button->setButtonBackgroundSelectedColorAssetKey(std::string("tabBarItemSelectedBackgroundColor"));
    button->setButtonBackgroundDisabledColorAssetKey(std::string("disableBackgroundColor"));
    button->setTarget(recorder_);
    button->setAction("open:");
    add(button);
    return button;
  }
  static std::optional<Color> background(const ui::View& view) { return view.layer()->backgroundColor(); }
  static std::optional<Color> titleColor(const Button3& button) {
    auto runs = button.getButtonControl()->attributedTitle().runs();
    return runs.empty() ? std::nullopt : runs.front().attributes.foregroundColor;
  }

  std::shared_ptr<test::ActionRecorder> recorder_ = std::make_shared<test::ActionRecorder>();
};

TEST_F(ThemedButtonsTest, Button2HoverAndPressFollowItsState) {
  struct Case {
    const char* name;
    std::function<void(Button2&)> prepare;
    const char* hoverKey;  // the background while the pointer is over it
    std::size_t actions;   // after the press alone
  };
  const Case cases[] = {
      {"normal", [](Button2&) {}, "viceButtonHighlightedBackgroundColor", 1},
      {"selected", [](Button2& b) { b.setSelected(true); }, "tabBarItemSelectedBackgroundColor", 1},
      {"disabled", [](Button2& b) { b.setEnabled(false); }, "disableBackgroundColor", 0},
      {"skips the press", [](Button2& b) { b.setSkipMouseDown(true); },
       "viceButtonHighlightedBackgroundColor", 0},
      {"target without the action", [this](Button2&) { recorder_->accepts = {"other:"}; },
       "viceButtonHighlightedBackgroundColor", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder_->actions.clear();
    recorder_->accepts.clear();
    driver_.moveMouse(window_, {1, 1});
    auto button = addButton2();
    c.prepare(*button);
    driver_.moveMouse(window_, centre(*button));
    EXPECT_EQ(background(*button), color(c.hoverKey));
    driver_.mouseDown(window_, centre(*button));
    EXPECT_EQ(recorder_->actions.size(), c.actions);
    if (c.actions) {
      // The press ends the hover look while the flag stays.
      EXPECT_EQ(background(*button), color(button->selected() ? "tabBarItemSelectedBackgroundColor"
                                                              : "viceButtonBackgroundColor"));
    }
    driver_.mouseUp(window_, centre(*button));
    EXPECT_EQ(recorder_->actions.size(), c.actions);
    button->removeFromSuperview();
  }
}

TEST_F(ThemedButtonsTest, UnsetStateKeysTakeTheNormalKeyWhenTheButtonJoinsAView) {
  auto button = Button2::create({0, 0, 80, 30});
  button->setTextColorAssetKey(std::string("white"));
  button->setTextSelectedColorAssetKey(std::string("accentColor"));
  EXPECT_FALSE(button->textDisabledColorAssetKey());
  add(button);
  EXPECT_EQ(button->textDisabledColorAssetKey(), AssetKey("white"));
  EXPECT_EQ(button->textHighlightedColorAssetKey(), AssetKey("white"));
  button->setSelected(true);
  EXPECT_EQ(button->titleView()->textColor(), color("accentColor"));
  button->setEnabled(false);
  EXPECT_EQ(button->titleView()->textColor(), color("white"));
}

TEST_F(ThemedButtonsTest, KeyEquivalentsFireWhileEnabled) {
  auto nav = addButton2();
  nav->setKeyEquivalent("w", ui::ModifierFlags::Command);
  auto confirm = DefaultConfirmButton::create({150, 20, 70, 25});
  confirm->setTarget(recorder_);
  confirm->setAction("ok:");
  confirm->setKeyEquivalent("\r");
  add(confirm);
  driver_.typeKey(ui::KeyCode::W, ui::ModifierFlags::Command);
  driver_.typeKey(ui::KeyCode::Return);
  driver_.typeKey(ui::KeyCode::W);  // without the modifier: not the equivalent
  EXPECT_EQ(recorder_->actions, (std::vector<std::string>{"open:", "ok:"}));

  nav->setEnabled(false);
  confirm->setEnabled(false);
  driver_.typeKey(ui::KeyCode::W, ui::ModifierFlags::Command);
  driver_.typeKey(ui::KeyCode::Return);
  EXPECT_EQ(recorder_->actions.size(), 2u);
}

TEST_F(ThemedButtonsTest, Button3ClicksThroughItsInnerButton) {
  struct Case {
    const char* name;
    bool targetBeforeJoining;
    bool enabled;
    bool releaseOutside;
    std::size_t actions;
  };
  const Case cases[] = {
      {"click", true, true, false, 1},
      {"released outside", true, true, true, 0},
      {"disabled", true, false, false, 0},
      {"target set after joining", false, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder_->actions.clear();
    auto button = DefaultCancelButton::create();
    button->setFrame({30, 30, 70, 25});
    button->setTitle("Cancel");
    button->setAction("cancel:");
    if (c.targetBeforeJoining) button->setTarget(recorder_);
    add(button);
    if (!c.targetBeforeJoining) button->setTarget(recorder_);
    button->setEnabled(c.enabled);
    driver_.mouseDown(window_, centre(*button));
    ui::Point release = c.releaseOutside ? ui::Point{300, 250} : centre(*button);
    driver_.mouseDragged(window_, release);
    driver_.mouseUp(window_, release);
    EXPECT_EQ(recorder_->actions.size(), c.actions);
    button->removeFromSuperview();
  }
}

class MouseLog : public ui::Responder {
 public:
  void mouseDown(const ui::Event&) override { events.push_back("down"); }
  void mouseDragged(const ui::Event&) override { events.push_back("drag"); }
  void mouseUp(const ui::Event&) override { events.push_back("up"); }
  std::vector<std::string> events;
};

TEST_F(ThemedButtonsTest, Button3WithAMouseResponderHandsItTheMouse) {
  auto label = NormalLabel::create({20, 20, 120, 25});
  label->setTitle("Queue");
  label->setTarget(recorder_);
  label->setAction("label:");
  add(label);
  auto rowLog = std::make_shared<MouseLog>();
  label->setMouseResponder(rowLog);
  driver_.drag(window_, centre(*label), at(*label, {100, 12}), 1);
  EXPECT_EQ(rowLog->events, (std::vector<std::string>{"down", "drag", "up"}));
  EXPECT_TRUE(recorder_->actions.empty());
}

TEST_F(ThemedButtonsTest, PresetsRecolourOnAppearanceChange) {
  auto confirm = DefaultConfirmButton::create();
  auto cancel = DefaultCancelButton::create();
  auto subtitle = SubtitleLabel::create({0, 0, 100, 20});
  auto nav = DefaultNavCancelButton::create();
  for (const auto& v : std::vector<std::shared_ptr<ui::View>>{confirm, cancel, subtitle, nav}) add(v);
  for (auto* b : {static_cast<Button3*>(confirm.get()), static_cast<Button3*>(cancel.get())})
    b->setTitle("OK");
  confirm->setHighlighted(false);  // colours the new title
  std::vector<Color> accents;
  for (bool dark : {true, false}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    setDark(dark);
    accents.push_back(color("accentColor"));
    EXPECT_EQ(background(*confirm), color("accentColor"));
    EXPECT_EQ(titleColor(*confirm), color("white"));
    EXPECT_EQ(cancel->layer()->borderColor(), color("viceButtonBorderColor"));
    EXPECT_EQ(titleColor(*cancel), color("fontNormalColor"));
    EXPECT_EQ(background(*subtitle), color("clear"));
    EXPECT_EQ(nav->titleView()->textColor(), color("modalNavBarCancelButtonFontColor"));
  }
  EXPECT_NE(accents[0], accents[1]);
}

TEST_F(ThemedButtonsTest, MissingKeysAndImagesDrawNothing) {
  test::LogCapture log;
  auto button = Button2::create({0, 0, 80, 30});
  button->setButtonBackgroundColorAssetKey(std::string("noSuchKey"));
  button->setImageNamed("no-such-image");
  add(button);
  EXPECT_FALSE(background(*button));
  EXPECT_EQ(button->imageView()->image(), nullptr);
  EXPECT_EQ(log.take().size(), 1u);
}

TEST_F(ThemedButtonsTest, SmallerButtonsLayOutAndKeepTheirColours) {
  auto tab = ImageTextButton::create({0, 0, 60, 50});
  add(tab);
  EXPECT_EQ(tab->titleView()->frame(), (ui::Rect{0, 2, 60, 18}));
  EXPECT_EQ(tab->imageView()->frame(), (ui::Rect{18.5, 23, 23, 23}));
  EXPECT_EQ(tab->titleView()->superview(), tab.get());
  EXPECT_EQ(tab->subviews().size(), 2u);

  // The older button: an unset hover colour is the normal one.
  auto old = Button::create({100, 100, 80, 30});
  old->setBackgroundColor(Color::rgb24(0x123456));
  add(old);
  driver_.moveMouse(window_, centre(*old));
  EXPECT_EQ(background(*old), Color::rgb24(0x123456));

  // The label re-applies the keys it holds, and a press brings its coloured title back.
  auto label = ButtonTextView::create({0, 200, 100, 20});
  label->setText("Pinned");
  label->setTextColorAssetKey(std::string("accentColor"));
  label->setBackgroundColorAssetKey(std::string("recordAreaBackgroundColor"));
  add(label);
  setDark(true);
  EXPECT_EQ(label->attributedTitle().runs().front().attributes.foregroundColor, color("accentColor"));
  EXPECT_EQ(background(*label), color("recordAreaBackgroundColor"));
  label->setTitle("Pinned");
  driver_.click(window_, centre(*label));
  EXPECT_EQ(label->attributedTitle().runs().front().attributes.foregroundColor, color("accentColor"));
}

}  // namespace
}  // namespace vl
