#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ButtonsTestSupport.h"
#include "ui/view/GlobalColorPanel.h"
#include "ui/view/ThemeView.h"
#include "ui/view/VLImageAspectFillView.h"
#include "ui/view/VLVisualEffectScrollView.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {
namespace {

using ui::Color;

// The colour the view's own drawing fills with, if any.
std::optional<Color> ownFill(ui::View& view) {
  ui::DisplayList list = view.recordDisplayList();
  for (const auto& c : list.commands()) {
    if (c.view == &view && c.kind == ui::DrawCommand::Kind::FillRect) return c.color;
  }
  return std::nullopt;
}

class ThemeViewsTest : public test::ButtonWidgetTest {};

TEST_F(ThemeViewsTest, ThemeViewSwapsFillAndMaterialWithTheMode) {
  VLThemeManager::reloadThemeTableForTesting(std::string(VL_TEST_DATA_DIR) + "/theme");
  manager().setActiveTheme("alpha");
  auto view = ThemeView::withKey({0, 0, 100, 50}, "darkMaterial");
  auto content = ui::View::create({10, 10, 20, 20});
  view->addSubview(content);
  add(view);
  struct Step {
    bool dark;
    bool material;
  };
  for (Step s : {Step{false, false}, Step{true, true}, Step{false, false}}) {
    SCOPED_TRACE(s.dark ? "dark" : "light");
    setDark(s.dark);
    std::optional<Color> fill = ownFill(*view);
    EXPECT_EQ(view->hasVisualEffectView(), s.material);
    EXPECT_EQ(fill.has_value(), !s.material);
    if (s.material) {
      EXPECT_EQ(view->subviews().front(), view->visualEffectView());
      EXPECT_EQ(view->visualEffectView()->material(), ui::VisualEffectView::kHUDWindowMaterial);
    }
  }
  view->setFrameSize({120, 60});
  setDark(true);
  view->recordDisplayList();
  EXPECT_EQ(view->visualEffectView()->frame().size, (ui::Size{120, 60}));

  auto nothing = ThemeView::withKey({0, 0, 10, 10}, "noSuchKey");
  EXPECT_FALSE(ownFill(*nothing));
  EXPECT_FALSE(nothing->hasVisualEffectView());
}

TEST_F(ThemeViewsTest, BackgroundsRecolourOnAppearanceChange) {
  auto effect = VLVisualEffectView::create({0, 0, 50, 50});
  auto panel = GlobalColorPanel::create({0, 0, 380, 90});
  std::vector<Color> seen;
  for (bool dark : {false, true}) {
    setDark(dark);
    seen.push_back(color("modalTableItemBackgroundColor"));
    EXPECT_EQ(ownFill(*effect), color("vellistoBackgroundColorSystem11"));
    EXPECT_EQ(ownFill(*panel), color("modalTableItemBackgroundColor"));
  }
  EXPECT_NE(seen[0], seen[1]);
}

TEST_F(ThemeViewsTest, ScrollViewPutsItsBackgroundBelowTheClipViewOnce) {
  auto scroll = VLVisualEffectScrollView::create({0, 0, 200, 100});
  add(scroll);
  scroll->removeFromSuperview();
  add(scroll);
  int themed = 0;
  for (const auto& sub : scroll->subviews()) themed += dynamic_cast<ThemeView*>(sub.get()) != nullptr;
  EXPECT_EQ(themed, 1);
  auto& subs = scroll->subviews();
  auto themeAt = std::find(subs.begin(), subs.end(), scroll->themeView());
  auto clipAt = std::find(subs.begin(), subs.end(), scroll->contentView());
  EXPECT_LT(themeAt, clipAt);
  EXPECT_EQ(backgroundColorAssetKey(*scroll->themeView()), AssetKey("recordAreaBackgroundColor"));
  scroll->setFrameSize({300, 150});
  EXPECT_EQ(scroll->themeView()->frame().size, (ui::Size{300, 150}));
}

TEST_F(ThemeViewsTest, AspectFillViewShowsItsImageThroughItsLayer) {
  auto view = VLImageAspectFillView::create({0, 0, 100, 50});
  auto image = std::make_shared<ui::Image>(ui::Size{40, 40});
  view->setImage(image);
  EXPECT_EQ(view->layer()->contents(), image);
  EXPECT_EQ(view->layer()->contentsGravity(), ui::ContentsGravity::ResizeAspect);
  EXPECT_EQ(view->image(), nullptr);
}

class Chosen : public GlobalColorPanelDelegate {
 public:
  bool didSelectedColor(const std::string& hex) override {
    colors.push_back(hex);
    return true;
  }
  std::vector<std::string> colors;
};

class ColorPanelTest : public test::ButtonWidgetTest {
 protected:
  void SetUp() override {
    ButtonWidgetTest::SetUp();
    panel_ = GlobalColorPanel::create({0, 0, 380, 90});
    panel_->setGcpDelegate(delegate_);
    add(panel_);
    panel_->load();
  }
  const SYFlatButton& swatch(std::size_t i) const { return *panel_->swatches().at(i); }
  void expectRingAround(std::size_t i) {
    const auto& ring = panel_->chooser();
    EXPECT_EQ(ring->frame().origin,
              (ui::Point{swatch(i).frame().minX() - 2.5, swatch(i).frame().minY() - 2.5}));
    EXPECT_EQ(ring->borderNormalColor(), Color::fromHex(panel_->globalColors()[i]));
    EXPECT_EQ(panel_->selectedColor(), panel_->globalColors()[i]);
  }

  std::shared_ptr<GlobalColorPanel> panel_;
  std::shared_ptr<Chosen> delegate_ = std::make_shared<Chosen>();
};

TEST_F(ColorPanelTest, SwatchesLieInTwoRowsOfEight) {
  ASSERT_EQ(panel_->swatches().size(), 16u);
  for (std::size_t i = 0; i < 16; ++i) {
    ui::Rect expected{40 + static_cast<double>(i % 8) * 40, i < 8 ? 48.0 : 13.0, 20, 20};
    EXPECT_EQ(swatch(i).frame(), expected) << "swatch " << i;
  }
}

TEST_F(ColorPanelTest, ChoicesReachTheDelegateAndMoveTheRing) {
  driver_.click(window_, test::ButtonWidgetTest::centre(swatch(9)));
  EXPECT_EQ(delegate_->colors, std::vector<std::string>{"50E3C2"});
  expectRingAround(9);

  panel_->setColor("4A90E2");
  expectRingAround(8);
  panel_->setColor("d81e06");  // other spelling: no such swatch
  expectRingAround(8);
  panel_->setDefaultColor();
  expectRingAround(0);
  EXPECT_EQ(delegate_->colors, (std::vector<std::string>{"50E3C2", "4A90E2", "D81E06"}));
}

TEST_F(ColorPanelTest, HexTextReadsWithOrWithoutHash) {
  EXPECT_EQ(GlobalColorPanel::colorFromHexString("#4A90E2"), GlobalColorPanel::colorFromHexString("4A90E2"));
  EXPECT_EQ(GlobalColorPanel::colorFromHexString("4A90E2"), Color::rgb24(0x4A90E2));
  EXPECT_EQ(GlobalColorPanel::colorFromHexString(""), Color::black());
}

}  // namespace
}  // namespace vl
