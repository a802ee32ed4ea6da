#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTableRowView.h"
#include "Windows/Main/list/RowServices.h"
#include "core/VLConfig.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

std::shared_ptr<DisplayAttributedString> row(const std::string& text, std::vector<Range> ranges = {},
                                             std::optional<Json> json = std::nullopt) {
  auto r = DisplayAttributedString::resultRow(text, std::move(ranges), VLFont::mainFont());
  r->setJson(std::move(json));
  return r;
}

ui::ImageRef iconOf(HintTableRowView& view) {
  const auto& layer = view.iconImageView().layer();
  return layer ? layer->contents() : nullptr;
}

class Clicks : public HintTableRowViewDelegate {
 public:
  void rowViewShouldPaste(HintTableRowView&) override { events.push_back("paste"); }
  void rowViewDidSelect(HintTableRowView&) override { events.push_back("select"); }
  bool rowViewBeginDrag(HintTableRowView&) override {
    events.push_back("drag");
    return true;
  }
  std::vector<std::string> events;
};

class HintTableRowViewTest : public test::WidgetTest {
 protected:
  void TearDown() override {
    RowServices::setIconProvider(nullptr);
    RowServices::setTransferLookup(nullptr);
    test::WidgetTest::TearDown();
  }
  Clicks clicks_;
};

TEST_F(HintTableRowViewTest, PillsOverlapTheirNeighboursByFixedSteps) {
  struct Case {
    std::string text;
    std::vector<Range> ranges;
    std::vector<double> steps;  // each run's x minus the truncated end of the one before
  };
  const std::vector<Case> cases = {
      {"ab cd ef", {{3, 2}}, {-7, -5}},
      {"ab cd ef gh", {{3, 2}, {9, 2}}, {-7, -5, -7}},
      {"abcd", {{0, 2}, {2, 1}}, {2, -5}},
  };
  auto view = HintTableRowView::create(&clicks_);
  for (const Case& c : cases) {
    view->setText(row(c.text, c.ranges));
    RenderTextViewSet& set = view->textViewSet();
    std::vector<const ui::View*> runs;
    std::size_t n = 0, m = 0;
    for (const RenderText& run : set.renderTextList()) {
      runs.push_back(run.matched ? static_cast<const ui::View*>(set.matchedList()[m++].get())
                                 : static_cast<const ui::View*>(set.normalList()[n++].get()));
    }
    ASSERT_EQ(runs.size(), c.steps.size() + 1) << c.text;
    EXPECT_EQ(runs[0]->frame().minX(), 0) << c.text;
    for (std::size_t i = 1; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i]->frame().minX() - std::trunc(runs[i - 1]->frame().maxX()), c.steps[i - 1]) << c.text;
    }
    // Pills stand above every plain run.
    const auto& order = set.subviews();
    std::size_t lastPlain = 0, firstPill = order.size();
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (dynamic_cast<MatchedRenderTextView*>(order[i].get())) {
        firstPill = std::min(firstPill, i);
      } else {
        lastPlain = i;
      }
    }
    if (firstPill < order.size()) {
      EXPECT_LT(lastPlain, firstPill) << c.text;
    }
  }
  // Reused for a row with fewer runs, the pools shrink to fit.
  view->setText(row("plain"));
  EXPECT_EQ(view->textViewSet().subviews().size(), 1u);
}

TEST_F(HintTableRowViewTest, SelectionTurnsPlainRunsWhiteAndKeepsPills) {
  auto view = HintTableRowView::create(&clicks_);
  view->setText(row("hello world", {{6, 3}}));
  view->setSelected(true);
  for (auto& run : view->textViewSet().normalList()) EXPECT_EQ(textColorAssetKey(*run), "white");
  for (auto& run : view->textViewSet().matchedList()) {
    EXPECT_EQ(textColorAssetKey(*run), std::nullopt);
    EXPECT_EQ(borderColorAssetKey(*run->layer()), "recordMatchedBorderColor");
  }
  view->setSelected(false);
  for (auto& run : view->textViewSet().normalList()) EXPECT_EQ(textColorAssetKey(*run), "fontNormalColor");
}

TEST_F(HintTableRowViewTest, AClickAfterAKeyboardSelectionSelectsTheNextPastesAndADragPastesNothing) {
  auto at = [](ui::EventType type, double x) { return ui::Event::mouseEvent(type, {x, 10}, 0); };
  struct Case {
    const char* name;
    std::vector<double> dragsTo;  // x of each drag event before the release
    std::vector<std::string> expected;
  };
  for (const Case& c : std::vector<Case>{
           {"click", {}, {"select", "paste"}},
           {"a tremble stays a click", {22, 21}, {"select", "paste"}},
           {"a drag", {22, 40, 60}, {"select", "drag"}},
       }) {
    clicks_.events.clear();
    auto view = HintTableRowView::create(&clicks_);
    view->setSelected(true);  // as a keyboard move does
    view->mouseDown(at(ui::EventType::LeftMouseDown, 20));
    view->mouseUp(at(ui::EventType::LeftMouseUp, 20));
    view->mouseDown(at(ui::EventType::LeftMouseDown, 20));
    for (double x : c.dragsTo) view->mouseDragged(at(ui::EventType::LeftMouseDragged, x));
    view->mouseUp(at(ui::EventType::LeftMouseUp, c.dragsTo.empty() ? 20 : c.dragsTo.back()));
    EXPECT_EQ(clicks_.events, c.expected) << c.name;
  }
}

TEST_F(HintTableRowViewTest, IconsComeFromTheWorkspaceAndAMissingOneDrawsNone) {
  std::vector<std::string> asked;
  auto image = std::make_shared<const ui::Image>(ui::Size{18, 18});
  RowServices::setIconProvider([&](RowServices::IconKind, const std::string& path) -> ui::ImageRef {
    asked.push_back(path);
    return path == "/apps/editor.desktop" ? image : nullptr;
  });
  auto view = HintTableRowView::create(&clicks_);
  view->setText(row("text"));
  EXPECT_TRUE(view->iconImageView().isHidden());
  EXPECT_EQ(view->textViewSet().frame(), (ui::Rect{15, 0, 310, 32}));

  view->setText(row("edit", {}, Json{{"app", true}, {"app_path", "/apps/editor%2Edesktop"}}));
  EXPECT_FALSE(view->iconImageView().isHidden());
  EXPECT_EQ(view->textViewSet().frame(), (ui::Rect{33, 0, 292, 32}));
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(iconOf(*view), image);

  view->setText(row("gone", {}, Json{{"file", "/nowhere"}}));
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(iconOf(*view), nullptr);

  // The web-search row shows the browser start-up's lookup names.
  RowServices::setBrowserPath([] { return std::string("/apps/browser.desktop"); });
  view->setText(row("search for it", {}, Json{{"search", true}}));
  dispatch::MainLoop::runUntilIdle();
  RowServices::setBrowserPath(nullptr);
  EXPECT_EQ(asked, (std::vector<std::string>{"/apps/editor.desktop", "/nowhere", "/apps/browser.desktop"}));
}

TEST_F(HintTableRowViewTest, ASyncingImageShowsItsProgressUntilItArrives) {
  auto transfer = std::make_shared<RowTransfer>();
  transfer->fraction = 0.4;
  bool running = true;
  RowServices::setTransferLookup(
      [&](const std::string&) { return running ? transfer : std::shared_ptr<RowTransfer>(); });
  auto view = HintTableRowView::create(&clicks_);
  view->setText(row("photo", {}, Json{{"image", "a.png"}}));
  EXPECT_FALSE(view->fileTransferEntityView().isHidden());
  EXPECT_TRUE(view->iconImageView().isHidden());
  EXPECT_EQ(view->textViewSet().frame().minX(), 33);
  running = false;
  transfer->onEnd();
  // The store no longer has the record: its text stays, without an icon.
  EXPECT_TRUE(view->fileTransferEntityView().isHidden());
  EXPECT_TRUE(view->iconImageView().isHidden());
  EXPECT_EQ(view->textViewSet().frame().minX(), 15);
  EXPECT_EQ(view->textViewSet().renderTextList(),
            std::vector<RenderText>{RenderText::ofString("photo", false)});
}

TEST_F(HintTableRowViewTest, ThePreviewSwitchChangesTheLengthLimit) {
  auto view = HintTableRowView::create(&clicks_);
  auto text = row(std::string(120, 'x'));
  view->setText(text);
  EXPECT_EQ(view->textViewSet().renderTextList()[0].string.size(), 49u);
  VLNotificationCenter::postNotificationName(HintTableRowView::kContentModeNotification, nullptr,
                                             Json{{"isFull", true}});
  EXPECT_EQ(view->textViewSet().frame().width(), 646);
  view->setText(text);
  EXPECT_EQ(view->textViewSet().renderTextList()[0].string.size(), 100u);
}

}  // namespace
}  // namespace vl
