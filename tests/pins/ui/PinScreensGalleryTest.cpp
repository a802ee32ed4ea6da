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

}  // namespace
}  // namespace vl
