#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "platform/ui/text/TextField.h"
#include "ui/alert/Alert.h"

namespace vl {
namespace {

using test::ClickCounter;

class AlertTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    below_ = std::make_shared<ClickCounter>(ui::Rect{0, 0, 600, 400});
    mainView_->addSubview(below_);
  }
  // The centre of a button of the alert, in the window.
  ui::Point centreOf(const Alert& alert, const ui::View& button) {
    ui::Rect f = button.frame();
    return {alert.frame().origin.x + f.midX(), alert.frame().origin.y + f.midY()};
  }
  std::shared_ptr<ClickCounter> below_;
};

TEST_F(AlertTest, SettlesCentredWithItsButtonsAtTheRightEdge) {
  struct Case {
    bool modal;
    bool withCancel;
    ui::Rect frame;
  };
  for (const Case& c : {Case{false, true, {150, 125, 300, 150}}, Case{true, false, {30, 135, 540, 130}}}) {
    Alert::Action cancel = c.withCancel ? Alert::Action([] {}) : nullptr;
    auto alert = c.modal ? std::static_pointer_cast<Alert>(Alert::ofTitle<ModalAlert>(
                               "t", [] {}, cancel))
                         : Alert::ofTitle(
                               "t", [] {}, cancel);
    alert->show(mainView_.get());
    advance(200);
    EXPECT_EQ(alert->frame(), c.frame);
    double w = c.frame.width();
    EXPECT_EQ(alert->okButton()->frame().origin, (ui::Point{w - 70 - 15, 15}));
    EXPECT_EQ(alert->cancelButton()->isHidden(), !c.withCancel);
    if (c.withCancel) {
      EXPECT_EQ(alert->cancelButton()->frame().origin, (ui::Point{w - 70 - 15 - 15 - 70, 15}));
    }
    EXPECT_EQ(alert->blockView()->layer()->presentationOpacity(), Alert::kBlockOpacity);
    alert->dismiss();
    advance(200);
  }
}

TEST_F(AlertTest, ButtonsRunTheirBlocksAndTheDimmedWindowTakesNoClicks) {
  std::vector<std::string> ran;
  auto alert = Alert::ofTitle(
      "Delete?", [&] { ran.push_back("ok"); }, [&] { ran.push_back("cancel"); });
  alert->show(mainView_.get());
  advance(200);
  EXPECT_EQ(calls_, (std::vector<std::string>{"preview off"}));
  events_.click(window_, {20, 20});
  EXPECT_EQ(below_->clicks, 0);

  events_.click(window_, centreOf(*alert, *alert->cancelButton()));
  EXPECT_EQ(ran, (std::vector<std::string>{"cancel"}));
  EXPECT_TRUE(Alert::isShown(mainView_.get()));
  advance(200);
  EXPECT_FALSE(Alert::isShown(mainView_.get()));
  EXPECT_EQ(calls_.back(), "preview on");
  events_.click(window_, {20, 20});
  EXPECT_EQ(below_->clicks, 1);

  auto second = Alert::ofTitle(
      "Sure?", [&] { ran.push_back("ok"); }, nullptr);
  second->show(mainView_.get());
  advance(200);
  events_.click(window_, centreOf(*second, *second->okButton()));
  advance(200);
  EXPECT_EQ(ran, (std::vector<std::string>{"cancel", "ok"}));
  EXPECT_FALSE(Alert::isShown(mainView_.get()));
}

// The keyboard presses the buttons as the mouse does: Return the default one, Escape the cancel one; an
// alert without a cancel button leaves Escape to whoever else wants it.
TEST_F(AlertTest, ReturnPressesTheDefaultButtonAndEscapeTheCancelOne) {
  struct Case {
    const char* name;
    std::uint16_t key;
    bool withCancel;
    std::vector<std::string> ran;
    bool staysUp;
  };
  const std::vector<Case> cases = {
      {"Return", ui::KeyCode::Return, true, {"ok"}, false},
      {"keypad Enter", ui::KeyCode::KeypadEnter, false, {"ok"}, false},
      {"Escape", ui::KeyCode::Escape, true, {"cancel"}, false},
      {"Escape without a cancel button", ui::KeyCode::Escape, false, {}, true},
      {"a letter", ui::KeyCode::A, true, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> ran;
    Alert::Action cancel = c.withCancel ? Alert::Action([&] { ran.push_back("cancel"); }) : nullptr;
    auto alert = Alert::ofTitle(
        "No file manager answered.", [&] { ran.push_back("ok"); }, cancel);
    alert->show(mainView_.get());
    advance(200);
    events_.typeKey(c.key);
    advance(200);
    EXPECT_EQ(ran, c.ran);
    EXPECT_EQ(Alert::isShown(mainView_.get()), c.staysUp);
    if (c.staysUp) {
      alert->dismiss();
      advance(200);
    }
  }
}

// Escape closes the alert while it is up (by its cancel button where it has one); once OK closed it,
// while it still slides away or after, the Escape is the next block's.
TEST_F(AlertTest, EscapeIsTheAlertsOnlyWhileItIsUp) {
  struct Case {
    const char* name;
    bool okFirst;
    double waitMs;
    std::vector<std::string> ran;
  };
  const std::vector<Case> cases = {
      {"up", false, 0, {"cancel"}},
      {"sliding away after OK", true, 0, {"ok", "below"}},
      {"gone after OK", true, 400, {"ok", "below"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EscStack::shared().resetForTesting();
    std::vector<std::string> ran;
    EscStack::shared().push([&](bool) {
      ran.push_back("below");
      return true;
    });
    auto alert = Alert::ofTitle(
        "Reminder set.", [&] { ran.push_back("ok"); }, [&] { ran.push_back("cancel"); });
    alert->showWithEscape(mainView_.get());
    advance(200);
    if (c.okFirst) events_.typeKey(ui::KeyCode::Return);
    advance(c.waitMs);
    EXPECT_TRUE(pressEscape());
    advance(400);
    EXPECT_EQ(ran, c.ran);
    EXPECT_FALSE(Alert::isShown(mainView_.get()));
  }
}

// However the alert closes, the field that had the keyboard before it showed has it again at once, its
// caret where it stood: a letter typed right after lands in the text, not in the window. An alert the OK
// block brings up keeps it until that one closes too, and a block that hands the keyboard on is obeyed.
TEST_F(AlertTest, EveryWayOfClosingGivesTheKeyboardBackToTheFieldThatHadIt) {
  auto field = ui::TextField::create({20, 20, 200, 30});
  auto other = ui::TextField::create({20, 60, 200, 30});
  mainView_->addSubview(field);
  mainView_->addSubview(other);
  struct Case {
    const char* name;
    std::function<void(Alert&)> close;
    std::string typed;
    std::string otherTyped;
  };
  // What the OK block does besides closing the alert.
  std::function<void()> onOk;
  const std::vector<Case> cases = {
      {"Return", [&](Alert&) { events_.typeKey(ui::KeyCode::Return); }, "axb", ""},
      {"keypad Enter", [&](Alert&) { events_.typeKey(ui::KeyCode::KeypadEnter); }, "axb", ""},
      {"Escape", [&](Alert&) { pressEscape(); }, "axb", ""},
      {"a click on OK", [&](Alert& a) { events_.click(window_, centreOf(a, *a.okButton())); }, "axb", ""},
      {"an alert brought up by OK, then closed",
       [&](Alert&) {
         auto next = Alert::ofTitle(
             "And then?", [] {}, nullptr);
         onOk = [&, next] { next->show(mainView_.get()); };
         events_.typeKey(ui::KeyCode::Return);
         advance(200);
         events_.typeText("y");  // lands nowhere while the second alert is up
         events_.typeKey(ui::KeyCode::Return);
       },
       "axb", ""},
      {"an OK that hands the keyboard on",
       [&](Alert&) {
         onOk = [&] { window_->makeFirstResponder(other.get()); };
         events_.typeKey(ui::KeyCode::Return);
       },
       "ab", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window_->makeFirstResponder(nullptr);
    field->setStringValue("");
    other->setStringValue("");
    ASSERT_TRUE(window_->makeFirstResponder(field.get()));
    events_.typeText("ab");
    events_.typeKey(ui::KeyCode::LeftArrow);
    onOk = nullptr;
    auto alert = Alert::ofTitle(
        "Reminder set.",
        [&] {
          if (onOk) onOk();
        },
        [] {});
    alert->showWithEscape(mainView_.get());
    advance(200);
    ASSERT_NE(window_->firstResponder(), field.get());
    c.close(*alert);
    events_.typeText("x");
    advance(400);
    EXPECT_FALSE(Alert::isShown(mainView_.get()));
    EXPECT_EQ(field->stringValue(), c.typed);
    EXPECT_EQ(other->stringValue(), c.otherTyped);
  }
}

// A title of several lines shows whole: every word is drawn inside the title's frame, above the buttons,
// and the alert grows from its usual height to hold it, centred as before.
TEST_F(AlertTest, ALongTitleShowsWholeAndTheAlertGrowsToHoldIt) {
  const std::string title =
      "Turn Bluetooth on first: nearby computers find the network through it, and the network cannot be "
      "made without them knowing where it is.";
  auto onlyLetters = [](const std::string& text) {
    std::string out;
    for (char c : text)
      if (c != ' ' && c != '\n') out += c;
    return out;
  };
  for (bool modal : {false, true}) {
    SCOPED_TRACE(modal ? "modal" : "main");
    auto alert = modal ? std::static_pointer_cast<Alert>(Alert::ofTitle<ModalAlert>(
                             title, [] {}, nullptr))
                       : Alert::ofTitle(
                             title, [] {}, nullptr);
    alert->show(mainView_.get());
    advance(200);
    auto& view = *alert->titleView();
    std::string drawn;
    for (const auto& d : view.recordDisplayList().ofKind(ui::DrawCommand::Kind::DrawText)) {
      drawn += d.text;
      EXPECT_TRUE(view.bounds().contains(d.rect.origin) && d.rect.maxY() <= view.bounds().maxY() + 0.5)
          << d.text << " at " << ui::stringFromRect(d.rect);
    }
    EXPECT_EQ(onlyLetters(drawn), onlyLetters(title));
    EXPECT_GT(view.frame().height(), 2 * Alert::kTitleLineHeight);
    EXPECT_GE(view.frame().minY(), alert->okButton()->frame().maxY());
    EXPECT_GT(alert->frame().height(), modal ? 130 : 150);
    EXPECT_NEAR(alert->frame().midY(), mainView_->frame().height() / 2, 1);
    alert->dismiss();
    advance(200);
  }
}

class VetoingAlert : public Alert {
 public:
  using Alert::Alert;
  bool canDoOkAction() override { return false; }
};

TEST_F(AlertTest, OkWithoutABlockOrVetoedStaysUp) {
  auto bare = Alert::ofTitle("Note", nullptr, nullptr);
  bare->show(mainView_.get());
  advance(200);
  events_.click(window_, centreOf(*bare, *bare->okButton()));
  advance(200);
  EXPECT_TRUE(Alert::isShown(mainView_.get()));
  bare->dismiss();
  advance(200);

  int ran = 0;
  auto vetoed = Alert::ofTitle<VetoingAlert>(
      "Save?", [&] { ++ran; }, nullptr);
  vetoed->show(mainView_.get());
  advance(200);
  vetoed->okButtonClick();
  advance(200);
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(Alert::isShown(mainView_.get()));
}

TEST_F(AlertTest, ShowTwiceAndDismissWhenGoneAreIgnored) {
  auto alert = Alert::ofTitle(
      "Once", [] {}, nullptr);
  alert->dismiss();
  EXPECT_TRUE(test::logContains("not up"));
  alert->show(mainView_.get());
  alert->show(mainView_.get());
  EXPECT_TRUE(test::logContains("already up"));
  advance(200);
  EXPECT_EQ(alert->frame().origin.y, 125);
  int alerts = 0;
  for (const auto& v : mainView_->subviews()) alerts += dynamic_cast<Alert*>(v.get()) != nullptr;
  EXPECT_EQ(alerts, 1);
  alert->okButtonClick();
  alert->dismiss();  // the OK already closes it
  advance(200);
  EXPECT_FALSE(Alert::isShown(mainView_.get()));
  EXPECT_EQ(alert->blockView()->superview(), nullptr);
}

TEST_F(AlertTest, DismissWhileAPanelIsShownLeavesThePreviewOff) {
  PanelCenter::shared().setIsShown(true);
  auto alert = Alert::ofTitle(
      "x", [] {}, nullptr);
  alert->show(mainView_.get());
  advance(200);
  alert->dismiss();
  advance(200);
  EXPECT_EQ(calls_, (std::vector<std::string>{"preview off"}));
}

}  // namespace
}  // namespace vl
