#include <gtest/gtest.h>

#include "Windows/Main/WindowsTestSupport.h"
#include "Windows/Main/placement/DragStore.h"
#include "Windows/Main/placement/VLWindowFraming.h"

namespace vl::test {
namespace {

// The record window's framing: 264 x 77, 150 from the top and the left edge.
class FramedWindow : public ui::Window, public VLWindowFraming {
 public:
  FramedWindow() : ui::Window({0, 0, 100, 100}, ui::WindowStyle::Borderless) {}
  ui::Size defaultSize() const override { return {264, 77}; }
  ui::EdgeInsets defaultEdgeInsets() const override { return insets; }
  DragStore* dragStore() override { return &store; }
  ui::EdgeInsets insets{150, 150, 0, 0};
  DragStore store{kRecordWindowKey};
};

class DragStoreTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    window_ = std::make_shared<FramedWindow>();
    center().registerWindow(window_, kRecordWindowKey);
  }
  Json list() {
    return VLConfig::shared().groupUserDefaults().object("origins-vellisto_record").value_or(Json());
  }
  DragStore& store() { return window_->store; }
  std::shared_ptr<FramedWindow> window_;
};

TEST_F(DragStoreTest, DefaultPositionFromEdgeInsets) {
  setScreens({{0, 0, 1440, 900}, {-800, 900, 800, 600}});
  struct Case {
    ui::EdgeInsets insets;
    ui::Point click;
    ui::Point origin;
  } cases[] = {
      {{150, 150, 0, 0}, {1, 1}, {150, 673}},
      {{150, 150, 0, 0}, {-1, 901}, {-650, 1273}},
      {{0, 0, 20, 30}, {1, 1}, {1146, 20}},
      {{10, 0, 20, 30}, {-800, 900}, {-294, 1413}},  // top wins over bottom
      {{2000, 2000, 0, 0}, {1, 1}, {1176, 0}},       // kept on the screen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ui::stringFromPoint(c.origin));
    (void)VLConfig::shared().groupUserDefaults().remove(store().originsKey());  // there may be none
    window_->insets = c.insets;
    store().updateByMousePoint(c.click);
    EXPECT_EQ(store().getFrame(), ui::Rect(c.origin, {264, 77}));
    EXPECT_EQ(list(), Json::array({ui::stringFromPoint(c.origin)}));
  }
}

TEST_F(DragStoreTest, DragIsRememberedPerScreenAndShownNextTime) {
  setScreens({{0, 0, 1440, 900}, {1440, 0, 1440, 900}});
  center().showWindowByKey(kRecordWindowKey);
  EXPECT_EQ(window_->frame(), ui::Rect(150, 673, 264, 77));

  store().updateByMouseDraggedPoint({30, 30});  // no drag started
  store().startDrag({5, 5});
  store().updateByMouseDraggedPoint({25, -5});
  store().stopDrag();
  EXPECT_EQ(window_->frame(), ui::Rect(170, 663, 264, 77));
  EXPECT_EQ(list(), Json::array({"{170, 663}"}));

  store().updateByMousePoint({1500, 10});
  EXPECT_EQ(store().getFrame().origin, ui::Point(1590, 673));
  store().updateByMousePoint({10, 10});
  center().showWindowByKey(kRecordWindowKey);
  EXPECT_EQ(window_->frame(), ui::Rect(170, 663, 264, 77));
  EXPECT_EQ(list(), Json::array({"{170, 663}", "{1590, 673}"}));
}

}  // namespace
}  // namespace vl::test
