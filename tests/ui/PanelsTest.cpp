#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "core/VLConfig.h"
#include "platform/ui/view/ViewController.h"
#include "ui/panels/AbstractPanel.h"
#include "ui/panels/AbstractSlide.h"

namespace vl {
namespace {

using test::ClickCounter;

class TestPanel : public AbstractPanel {
 public:
  TestPanel() : AbstractPanel({0, 0, 200, 100}) {}
  void frameSizeDidSet(ui::Size size) override { laidOut.push_back(size); }
  void showWithParams(const PanelParams& params) override {
    AbstractPanel::show();
    paramCount = params.size();
  }
  std::vector<ui::Size> laidOut;
  std::size_t paramCount = 0;
};

class TestSlide : public AbstractSlide {
 public:
  TestSlide() : AbstractSlide({0, 0, 150, 400}) {}
};

class PanelsTest : public test::SheetTest {
 protected:
  std::shared_ptr<TestPanel> addPanel(const std::string& key) {
    auto panel = std::make_shared<TestPanel>();
    PanelCenter::shared().registerPanel(panel, key);
    return panel;
  }
  std::shared_ptr<TestSlide> addSlide(const std::string& key) {
    auto slide = std::make_shared<TestSlide>();
    SlideCenter::shared().registerSlide(slide, key);
    return slide;
  }
};

TEST_F(PanelsTest, PanelDropsDownOverACoverAndEscapeLiftsIt) {
  auto panel = addPanel(kPanelPinDetail);
  auto below = std::make_shared<ClickCounter>(ui::Rect{0, 0, 600, 400});
  mainView_->addSubview(below);

  PanelCenter::shared().showPanelByKey(kPanelPinDetail, PanelParams{1, 2});
  EXPECT_EQ(panel->paramCount, 2u);
  EXPECT_EQ(panel->fromFrame(), (ui::Rect{200, 400, 200, 100}));
  EXPECT_EQ(panel->toFrame(), (ui::Rect{200, 300, 200, 100}));
  ASSERT_EQ(panel->laidOut.size(), 1u);
  EXPECT_FALSE(panel->isShown());  // shown only once the move ends
  advance(150);
  EXPECT_NEAR(panel->layer()->presentationPosition().y, 350, 1);
  advance(150);
  EXPECT_TRUE(panel->isShown());
  EXPECT_TRUE(PanelCenter::shared().isShown());
  EXPECT_EQ(calls_, (std::vector<std::string>{"preview off", "unfocus"}));
  EXPECT_FALSE(PanelCenter::shared().blockView()->isHidden());

  // The cover takes the click meant for the view below; the panel is not shown twice.
  events_.click(window_, {50, 50});
  EXPECT_EQ(below->clicks, 0);
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  EXPECT_EQ(EscStack::shared().count(), 1u);

  EXPECT_TRUE(pressEscape());
  EXPECT_TRUE(PanelCenter::shared().blockView()->isHidden());  // at once, before the move
  EXPECT_TRUE(PanelCenter::shared().isShown());
  advance(300);
  EXPECT_FALSE(panel->isShown());
  EXPECT_EQ(panel->frame(), panel->fromFrame());
  EXPECT_FALSE(PanelCenter::shared().isShown());
  EXPECT_EQ(calls_.back(), "focus");
  events_.click(window_, {50, 50});
  EXPECT_EQ(below->clicks, 1);
  EXPECT_EQ(EscStack::shared().count(), 0u);
}

TEST_F(PanelsTest, EscapeClosesTheNewestFirstAndAnEmptyStackIsStillHandled) {
  auto panel = addPanel(kPanelPinMove);
  auto slide = addSlide(kSlideAutoPick);
  auto host = ui::View::create({0, 0, 600, 400});
  mainView_->addSubview(host);
  PanelCenter::shared().showPanelByKey(kPanelPinMove);
  advance(300);
  SlideCenter::shared().showSlideByKey(kSlideAutoPick, host.get());
  advance(300);
  EXPECT_EQ(slide->frame(), (ui::Rect{450, 0, 150, 400}));

  pressEscape();
  advance(300);
  EXPECT_FALSE(slide->isShown());
  EXPECT_TRUE(panel->isShown());
  pressEscape();
  advance(300);
  EXPECT_FALSE(panel->isShown());

  EXPECT_TRUE(pressEscape());
  EXPECT_FALSE(offer("enter"));
}

TEST_F(PanelsTest, StaleBlocksPassEscapeOnAndCleanKeepsSyncPanelsUp) {
  auto detail = addPanel(kPanelPinDetail);
  auto sync = addPanel(kPanelSyncSwitch);
  int windowCloses = 0;
  EscStack::shared().push([&](bool) { return ++windowCloses, true; });
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  advance(300);
  PanelCenter::shared().dismissPanelByKey(kPanelPinDetail);  // its own Cancel
  advance(300);
  pressEscape();  // the panel's block finds nothing and the window's runs
  EXPECT_EQ(windowCloses, 1);
  EXPECT_EQ(EscStack::shared().count(), 0u);

  PanelCenter::shared().showPanelByKey(kPanelSyncSwitch);
  advance(300);
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  advance(300);
  EscStack::shared().clean();
  advance(300);
  EXPECT_FALSE(detail->isShown());
  EXPECT_TRUE(sync->isShown());
  EXPECT_EQ(EscStack::shared().count(), 0u);

  // Escape itself closes a sync panel, and the sync bar with it.
  PanelCenter::shared().dismissPanelByKey(kPanelSyncSwitch);
  advance(300);
  PanelCenter::shared().showPanelByKey(kPanelSyncSwitch);
  advance(300);
  calls_.clear();
  pressEscape();
  EXPECT_EQ(calls_, (std::vector<std::string>{"close sync bar"}));
  advance(300);
  EXPECT_FALSE(sync->isShown());
}

TEST_F(PanelsTest, BlockPushedWhilePoppingStaysOnTheStack) {
  int inner = 0;
  EscStack::shared().push([&](bool) {
    EscStack::shared().push([&](bool) { return ++inner, true; });
    return true;
  });
  pressEscape();
  EXPECT_EQ(EscStack::shared().count(), 1u);
  pressEscape();
  EXPECT_EQ(inner, 1);
}

TEST_F(PanelsTest, BadRequestsAreIgnoredWithALogLine) {
  auto panel = addPanel(kPanelDataSync);
  PanelCenter::shared().showPanelByKey("vellisto_panel_nosuch");
  PanelCenter::shared().dismissPanelByKey(kPanelDataSync);  // not open
  EXPECT_TRUE(test::logContains("not shown"));
  PanelCenter::shared().showPanelByKey(kPanelDataSync);
  advance(100);
  PanelCenter::shared().showPanelByKey(kPanelDataSync);  // while it still moves
  EXPECT_EQ(EscStack::shared().count(), 1u);
  advance(200);
  EXPECT_TRUE(panel->isShown());
  EXPECT_EQ(panel->frame(), panel->toFrame());

  int ran = 0;
  PanelCenter::shared().dismissPanelByKey(kPanelDataSync);
  advance(300);
  PanelCenter::shared().dismissExistPanelIfNeeded([&](AbstractPanel&) { ++ran; });
  advance(300);
  EXPECT_EQ(ran, 0);
  PanelCenter::shared().showPanelByKey(kPanelDataSync);
  advance(300);
  PanelCenter::shared().dismissExistPanelIfNeeded([&](AbstractPanel&) { ++ran; });
  EXPECT_EQ(ran, 0);
  advance(300);
  EXPECT_EQ(ran, 1);
}

TEST_F(PanelsTest, ShakeSwingsAndSettlesOnTheShownFrame) {
  auto panel = addPanel(kPanelPinDetail);
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  advance(300);
  panel->sayNo();
  double x0 = panel->toFrame().origin.x;
  advance(25);
  EXPECT_NEAR(panel->layer()->presentationPosition().x, x0 + AbstractPanel::shakeOffset(0.025f), 0.01);
  for (int i = 0; i < 12; ++i) advance(25);
  EXPECT_TRUE(panel->layer()->animationForKey("animPosX")->hasStopped());
  EXPECT_NEAR(panel->layer()->presentationPosition().x, x0, 1e-6);
}

TEST_F(PanelsTest, SlideCoverStaysOnTheFirstHostAndAClickOnItClosesTheSlide) {
  auto slide = addSlide(kSlideAutoPickDetail);
  auto first = ui::View::create({0, 0, 600, 400});
  auto second = ui::View::create({0, 0, 600, 400});
  mainView_->addSubview(first);
  SlideCenter::shared().showSlideByKey(kSlideAutoPickDetail, first.get());
  advance(300);
  events_.click(window_, {100, 100});  // on the cover, outside the slide
  advance(300);
  EXPECT_FALSE(slide->isShown());

  mainView_->addSubview(second);
  slide->removeFromSuperview();
  SlideCenter::shared().showSlideByKey(kSlideAutoPickDetail, second.get());
  EXPECT_EQ(SlideCenter::shared().blockView()->superview(), first.get());
}

TEST_F(PanelsTest, PastePopoverFollowsItsSettingAndClosesAfterItsHold) {
  auto popover = PastePopover::create();
  auto content = std::make_shared<ui::ViewController>();
  content->setView(ui::View::create({0, 0, 200, 80}));
  popover->setContentViewController(content);
  PopoverCenter::shared().registerPopover(popover, kPopoverPaste);
  // Nowhere to show it: nothing shows.
  VLConfig::shared().setBoolValueOfKey(VLConfig::kShowPastePopover, true);
  PopoverCenter::shared().showPopoverByKey(kPopoverPaste, 5);
  EXPECT_FALSE(popover->isShown());
  const ui::Rect icon{300, 500, 24, 24};
  MainViewHooks hooks = MainViewHooks::current();
  hooks.pastePopoverAnchor = [&] { return std::optional<ui::Rect>(icon); };
  MainViewHooks::install(hooks);

  VLConfig::shared().setBoolValueOfKey(VLConfig::kShowPastePopover, false);
  PopoverCenter::shared().showPopoverByKey(kPopoverPaste, 5);
  EXPECT_FALSE(popover->isShown());

  VLConfig::shared().setBoolValueOfKey(VLConfig::kShowPastePopover, true);
  PopoverCenter::shared().showPopoverByKey(kPopoverPaste, 5);
  EXPECT_TRUE(popover->isShown());
  EXPECT_EQ(popover->positioningRect(), icon);
  EXPECT_NEAR(popover->window()->frame().midX(), icon.midX(), 1);
  advance(4000);
  PopoverCenter::shared().showPopoverByKey(kPopoverPaste, 5);  // restarts the hold
  advance(4000);
  EXPECT_TRUE(popover->isShown());
  advance(1000);
  EXPECT_FALSE(popover->isShown());
}

}  // namespace
}  // namespace vl
