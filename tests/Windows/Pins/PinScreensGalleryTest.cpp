#include <gtest/gtest.h>

#include "PinBarTestSupport.h"
#include "support/Gallery.h"

namespace vl {
namespace {

using PinScreensGalleryTest = test::PinBarTest;

TEST_F(PinScreensGalleryTest, BarFormAndMoveDialog) {
  setBackgroundColorAssetKey(*window_, std::string("vellistoBackgroundColorSystem11"));
  addTabs({"Work", "Links to read", "Recipes"});
  pins().activeTabOfId(pins().tabList()[1]->pinTabId());
  EXPECT_EQ(test::writeGallery(*window_, "pin-tab-bar").size(), 2u);

  PanelCenter::shared().showPanelByKey(kPanelPinDetail, PanelParams{pins().tabList()[2]});
  advance(300);
  ASSERT_TRUE(parts.detailPanel->isShown());
  EXPECT_EQ(test::writeGallery(*window_, "pin-tab-form").size(), 2u);
  pressEscape();
  advance(300);

  PanelCenter::shared().showPanelByKey(kPanelPinMove);
  advance(300);
  ASSERT_TRUE(parts.movePanel->isShown());
  offer("historyDown");
  EXPECT_EQ(test::writeGallery(*window_, "pin-move-dialog").size(), 2u);
}

TEST_F(PinScreensGalleryTest, TabsShowLongTitlesCutAndTheirMarksOnAnyFill) {
  addTabs({"Links to read later", "Work"});
  const auto links = bar()->tabOfId(pins().tabList()[1]->pinTabId());
  const auto work = bar()->tabOfId(pins().tabList()[2]->pinTabId());
  EXPECT_EQ(links->name(), "Links to read later");
  EXPECT_TRUE(links->titleView()->string().ends_with("…")) << links->titleView()->string();
  EXPECT_EQ(work->titleView()->string(), "Work");
  links->setName("Links to read now and later");
  EXPECT_TRUE(links->titleView()->string().ends_with("…")) << links->titleView()->string();

  // Only the active tab's colour square, sitting on the accent fill, is outlined.
  for (const auto& active : {links, work}) {
    pins().activeTabOfId(active->uuid());
    for (const auto& tab : {links, work}) {
      EXPECT_EQ(tab->imageView()->layer()->borderWidth() > 0, tab == active) << tab->name();
    }
  }
  const auto clipboard = bar()->tabOfId(kClipboardPinTabId);
  ASSERT_TRUE(clipboard->imageView()->image());
  EXPECT_TRUE(clipboard->imageView()->image()->hasPixels());
}

}  // namespace
}  // namespace vl
