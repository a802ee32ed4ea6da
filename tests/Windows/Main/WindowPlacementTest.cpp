#include <gtest/gtest.h>

#include <optional>

#include "Windows/Main/WindowsTestSupport.h"
#include "Windows/Main/placement/DragStore.h"
#include "Windows/Main/placement/VLWindowFraming.h"

namespace vl::test {
namespace {

using ui::Rect;

TEST(FitInsideTest, AWindowComesInsideTheAreaAndOneThatFitsStays) {
  const Rect area{0, 48, 1280, 752};  // a bar along the bottom edge
  struct Case {
    const char* name;
    Rect frame;
    Rect fitted;
  } cases[] = {
      {"inside, touching the edges", {0, 48, 650, 752}, {0, 48, 650, 752}},
      {"past the bottom", {315, -9, 650, 609}, {315, 56, 650, 609}},
      {"past the top", {315, 400, 650, 609}, {315, 183, 650, 609}},
      {"past the right", {1000, 300, 430, 648}, {842, 144, 430, 648}},
      {"past the left, inside vertically", {-40, 100, 264, 77}, {8, 100, 264, 77}},
      {"taller than the area keeps its top in", {100, -300, 400, 900}, {100, -100, 400, 900}},
      {"wider than the area keeps its left in", {-50, 100, 1400, 300}, {0, 100, 1400, 300}},
      {"a little taller than the area less margins", {0, 0, 300, 748}, {0, 50, 300, 748}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rect fitted = origins::fitInside(c.frame, area);
    EXPECT_EQ(fitted, c.fitted);
    // Whatever is not longer than the area ends inside it.
    if (c.frame.height() <= area.height() && c.frame.width() <= area.width()) {
      EXPECT_TRUE(area.contains(fitted));
    }
  }
  // No area known: the frame stays.
  EXPECT_EQ(origins::fitInside({5, 5, 10, 10}, {}), Rect(5, 5, 10, 10));
}

// A window that remembers where it was dragged, as the record window does.
class DraggedWindow : public ui::Window, public VLWindowFraming {
 public:
  DraggedWindow() : ui::Window({0, 0, 264, 300}, ui::WindowStyle::Borderless) {}
  ui::Size defaultSize() const override { return {264, 300}; }
  ui::EdgeInsets defaultEdgeInsets() const override { return {150, 0, 0, 100}; }
  DragStore* dragStore() override { return &store_; }

 private:
  DragStore store_{kRecordWindowKey};
};

// On a 1280 x 800 screen whose bottom 48 points a dock takes, the windows that open at a place of their
// own open inside what is left; a place the user chose that lies there is kept.
class WindowPlacementTest : public WindowsTest {
 protected:
  static constexpr Rect kScreen{0, 0, 1280, 800};
  static constexpr Rect kWorkArea{0, 48, 1280, 752};

  void SetUp() override {
    WindowsTest::SetUp();
    ui::Screen::setScreens({ui::Screen(kScreen, kWorkArea)});
  }
  void TearDown() override {
    for (auto& w : windows_) w->orderOut();
    WindowsTest::TearDown();
  }
  std::shared_ptr<ui::Window> add(const std::string& key, ui::Size content) {
    auto w = ui::Window::create({{0, 0}, content}, ui::WindowStyle::Titled | ui::WindowStyle::Closable);
    center().registerWindow(w, key);
    windows_.push_back(w);
    return w;
  }
  std::vector<std::shared_ptr<ui::Window>> windows_;
};

TEST_F(WindowPlacementTest, WindowsOfTheirOwnOpenInsideTheWorkArea) {
  struct Case {
    const char* key;
    ui::Size content;
  } cases[] = {
      {kPreferencesWindowKey, {650, 581}},  // the General pane
      {kAboutWindowKey, {288, 430}},
      {kHelpWindowKey, {430, 620}},
      {kPermissionWindowKey, {430, 620}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto w = add(c.key, c.content);
    center().showWindowByKey(c.key);
    EXPECT_TRUE(kWorkArea.contains(w->frame())) << ui::stringFromRect(w->frame());
  }
}

TEST_F(WindowPlacementTest, AWindowTheUserMovedStaysWhereItFitsAndComesBackWhereItDoesNot) {
  auto about = add(kAboutWindowKey, {288, 430});
  center().showWindowByKey(kAboutWindowKey);
  const Rect moved{40, 60, about->frame().width(), about->frame().height()};
  about->setFrame(moved, false);
  center().showWindowByKey(kAboutWindowKey);
  EXPECT_EQ(about->frame(), moved);
  // Dragged half below the dock: shown again, it comes inside.
  about->setFrame(moved.offsetBy(0, -300), false);
  center().showWindowByKey(kAboutWindowKey);
  EXPECT_TRUE(kWorkArea.contains(about->frame())) << ui::stringFromRect(about->frame());

  // A window that remembers where it was dragged keeps that place where it fits, and the place stays
  // remembered even where it does not.
  auto record = std::make_shared<DraggedWindow>();
  center().registerWindow(record, kRecordWindowKey);
  windows_.push_back(record);
  for (const ui::Point remembered : {ui::Point{600, 300}, ui::Point{600, 10}}) {
    SCOPED_TRACE(ui::stringFromPoint(remembered));
    VLConfig::shared().groupUserDefaults().setObject("origins-" + std::string(kRecordWindowKey),
                                                     Json::array({ui::stringFromPoint(remembered)}));
    center().showWindowByKey(kRecordWindowKey);
    EXPECT_TRUE(kWorkArea.contains(record->frame())) << ui::stringFromRect(record->frame());
    if (kWorkArea.contains(Rect{remembered, {264, 300}})) {
      EXPECT_EQ(record->frame().origin, remembered);
    }
    EXPECT_EQ(VLConfig::shared().groupUserDefaults().object("origins-" + std::string(kRecordWindowKey)),
              Json::array({ui::stringFromPoint(remembered)}));
    record->orderOut();
  }
}

}  // namespace
}  // namespace vl::test
