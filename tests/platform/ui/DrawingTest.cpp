#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/ShapeLayer.h"
#include "platform/ui/view/TextLayer.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {
namespace {

using Kind = DrawCommand::Kind;
using test::filledView;
using test::UiTest;

std::vector<Kind> kinds(const DisplayList& list) {
  std::vector<Kind> out;
  for (auto& c : list.commands()) out.push_back(c.kind);
  return out;
}

int curves(const BezierPath& path) {
  int n = 0;
  for (auto& e : path.elements()) n += e.type == BezierPath::ElementType::CurveTo;
  return n;
}

// Fills a rounded rectangle in its bounds, as a themed background does.
class RoundedView : public View {
 public:
  RoundedView(const Rect& frame, Color color) : View(frame), color_(color) {}
  void drawRect(const Rect&) override {
    GraphicsContext::current()->fillPath(BezierPath::roundedRect(bounds(), 6, 6), color_);
  }

 private:
  Color color_;
};

TEST_F(UiTest, DisplayListShowsARoundedRectFilledWithTheGivenColour) {
  auto window = Window::create({0, 0, 300, 200}, WindowStyle::Titled);
  window->setBackgroundColor(Color::clear());
  Color blue = Color::fromHex("4A90E2");
  auto view = std::make_shared<RoundedView>(Rect{20, 30, 100, 40}, blue);
  window->contentView()->addSubview(view);
  window->display();

  auto fills = window->displayList().ofKind(Kind::FillPath);
  ASSERT_EQ(fills.size(), 1u) << window->displayList().description();
  EXPECT_EQ(fills[0].view, view.get());
  EXPECT_EQ(fills[0].color, blue);
  EXPECT_EQ(fills[0].rect, (Rect{0, 0, 100, 40}));
  EXPECT_EQ(fills[0].windowBounds(), (Rect{20, 30, 100, 40}));
  EXPECT_EQ(curves(fills[0].path), 4);
}

TEST_F(UiTest, LayerDrawsShadowBackgroundContentSublayersSubviewsThenBorder) {
  auto view = std::make_shared<RoundedView>(Rect{0, 0, 100, 50}, Color::black());
  view->setWantsLayer(true);
  Layer& layer = *view->layer();
  layer.setBackgroundColor(Color::fromHex("D81E06"));
  layer.setCornerRadius(10);
  layer.setMaskedCorners(MinXMinYCorner | MaxXMinYCorner);
  layer.setMasksToBounds(true);
  layer.setBorderWidth(2);
  layer.setBorderColor(Color::whiteColor());
  layer.setShadowOpacity(0.1);
  auto shape = ShapeLayer::create();
  shape->setFrame({5, 5, 10, 10});
  shape->setPath(BezierPath::rect({0, 0, 10, 10}));
  shape->setFillColor(Color::whiteColor());
  layer.addSublayer(shape);
  auto child = filledView({50, 10, 10, 10});
  view->addSubview(child);

  DisplayList list = view->recordDisplayList();
  EXPECT_EQ(kinds(list), (std::vector<Kind>{Kind::Shadow, Kind::FillPath, Kind::FillPath, Kind::PushClip,
                                            Kind::FillPath, Kind::FillRect, Kind::PopClip, Kind::StrokePath}))
      << list.description();
  const auto& c = list.commands();
  EXPECT_DOUBLE_EQ(c[0].alpha, 0.1);
  EXPECT_EQ(c[1].color, Color::fromHex("D81E06"));
  EXPECT_EQ(c[4].windowBounds(), (Rect{5, 5, 10, 10}));
  EXPECT_EQ(c[5].view, child.get());
  EXPECT_EQ(c[5].windowBounds(), (Rect{50, 10, 10, 10}));
  EXPECT_DOUBLE_EQ(c[7].lineWidth, 2);
  EXPECT_EQ(c[7].rect, (Rect{1, 1, 98, 48}));
  // Only the lower corners are round: the outline's top edge is a straight line at y 50.
  EXPECT_EQ(curves(c[1].path), 2);
}

TEST_F(UiTest, OpacityHiddenViewsAndTextLayersReachTheList) {
  auto root = View::create({0, 0, 200, 100});
  root->setFlipped(true);
  auto faded = filledView({0, 0, 50, 50});
  faded->setAlphaValue(0.5);
  auto hidden = filledView({0, 0, 50, 50});
  hidden->setHidden(true);
  auto text = TextLayer::create();
  text->setFrame({0, 0, 80, 20});
  text->setString("hello");
  text->setFontSize(13);
  root->setWantsLayer(true);
  root->layer()->addSublayer(text);
  root->addSubview(faded);
  root->addSubview(hidden);

  DisplayList list = root->recordDisplayList();
  ASSERT_EQ(list.size(), 2u) << list.description();
  EXPECT_EQ(list.commands()[0].kind, Kind::DrawText);
  EXPECT_EQ(list.commands()[0].text, "hello");
  EXPECT_DOUBLE_EQ(list.commands()[0].font.pointSize(), 13);
  EXPECT_DOUBLE_EQ(list.commands()[1].alpha, 0.5);
  EXPECT_EQ(list.commands()[1].view, faded.get());
}

TEST_F(UiTest, DrawingMayAddAndRemoveSubviews) {
  // Puts a backdrop under its content on first draw and drops a stale view, as a blurred background does.
  class Host : public View {
   public:
    using View::View;
    std::shared_ptr<View> backdrop = filledView({});
    std::shared_ptr<View> stale = View::create();
    void drawRect(const Rect& dirty) override {
      if (stale) stale->removeFromSuperview();
      stale.reset();
      if (!backdrop->superview()) {
        addSubview(backdrop, Ordering::Below, nullptr);
        backdrop->setFrame(dirty);
      }
    }
  };
  auto host = std::make_shared<Host>(Rect{0, 0, 40, 40});
  auto content = filledView({0, 0, 10, 10}, Color::whiteColor());
  host->addSubview(host->stale);
  host->addSubview(content);

  DisplayList list = host->recordDisplayList();
  ASSERT_EQ(list.size(), 2u) << list.description();
  EXPECT_EQ(list.commands()[0].view, host->backdrop.get());
  EXPECT_EQ(list.commands()[0].rect, (Rect{0, 0, 40, 40}));
  EXPECT_EQ(list.commands()[1].view, content.get());
  EXPECT_EQ(host->subviews().size(), 2u);
}

TEST_F(UiTest, WindowRedrawsOnlyWhenAViewNeedsIt) {
  auto window = Window::create({0, 0, 100, 100}, WindowStyle::Titled);
  window->display();
  EXPECT_FALSE(window->viewsNeedDisplay());
  EXPECT_EQ(kinds(window->displayList()), (std::vector<Kind>{Kind::FillRect}));
  auto view = std::make_shared<RoundedView>(Rect{0, 0, 10, 10}, Color::black());
  window->contentView()->addSubview(view);
  EXPECT_TRUE(window->viewsNeedDisplay());
  window->displayIfNeeded();
  EXPECT_EQ(window->displayList().size(), 2u);
  EXPECT_FALSE(view->needsDisplay());
}

// A desktop backend repaints only windows marked since their last frame, so every change to what a layer
// tree draws has to mark its window, however deep the layer hangs.
TEST_F(UiTest, EveryLayerChangeMarksItsWindowForDisplay) {
  auto window = Window::create({0, 0, 100, 100}, WindowStyle::Titled);
  auto view = View::create({0, 0, 50, 50});
  view->setWantsLayer(true);
  window->contentView()->addSubview(view);
  auto sub = Layer::create();
  auto deep = ShapeLayer::create();
  auto text = TextLayer::create();
  auto mask = Layer::create();
  view->layer()->addSublayer(sub);
  sub->addSublayer(deep);
  sub->addSublayer(text);
  sub->setMask(mask);
  struct Case {
    const char* what;
    std::function<void()> change;
  } cases[] = {
      {"backing colour", [&] { view->layer()->setBackgroundColor(Color::black()); }},
      {"sublayer hidden", [&] { sub->setHidden(true); }},
      {"sublayer frame",
       [&] {
         sub->setFrame({1, 2, 3, 4});
       }},
      {"bounds origin",
       [&] {
         sub->setBounds({5, 5, 3, 4});
       }},
      {"contents", [&] { sub->setContents(Image::named("missing")); }},
      {"shadow offset",
       [&] {
         sub->setShadowOffset({2, 2});
       }},
      {"masks to bounds", [&] { sub->setMasksToBounds(true); }},
      {"deep path",
       [&] {
         deep->setPath(BezierPath::rect({0, 0, 2, 2}));
       }},
      {"deep fill", [&] { deep->setFillColor(Color::white(1)); }},
      {"text", [&] { text->setString("changed"); }},
      {"mask frame",
       [&] {
         mask->setFrame({0, 0, 9, 9});
       }},
      {"sublayer added", [&] { deep->addSublayer(Layer::create()); }},
      {"sublayer removed", [&] { deep->sublayers().front()->removeFromSuperlayer(); }},
      {"animation", [&] { sub->addAnimation(BasicAnimation::withKeyPath("opacity"), "fade"); }},
  };
  for (const Case& c : cases) {
    window->display();
    ASSERT_FALSE(window->viewsNeedDisplay());
    c.change();
    EXPECT_TRUE(window->viewsNeedDisplay()) << c.what;
  }
  sub->removeAllAnimations();
  // Layers outside any window, and masks whose owner is gone, change without harm.
  auto loose = Layer::create();
  loose->setMask(mask);
  sub.reset();
  loose.reset();
  mask->setHidden(true);
}

}  // namespace
}  // namespace vl::ui
