#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AutoPickUiTestSupport.h"
#include "Windows/AutoPick/AutoPickCustomValueView.h"
#include "Windows/AutoPick/AutoPickDisplayView.h"
#include "Windows/AutoPick/AutoPickTagDetailController.h"
#include "platform/ui/view/Appearance.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"

namespace vl {
namespace {

// Pictures of the rule tags, the picker, a tag's detail and both value editors, light and dark. The
// window is built under desktop painting so it lays out with the metrics it is painted with.
class AutoPickGalleryTest : public test::AutoPickUiTest {
 protected:
  void SetUp() override {
    painting_.emplace();
    AutoPickUiTest::SetUp();
    setBackgroundColorAssetKey(*window_, std::string("recordAreaBackgroundColor"));
    AutoPickApplicationValueView::setInstalledApplications([] {
      return std::vector<AppItem>{{"org.example.Editor", ""}, {"firefox", ""}, {"terminal", ""}};
    });
  }
  void TearDown() override {
    AutoPickApplicationValueView::setInstalledApplications(nullptr);
    AutoPickUiTest::TearDown();
    painting_.reset();
  }
  void addTag(const std::string& id, std::optional<std::string> value = std::nullopt) {
    auto node = freshNode(id);
    if (value) node->setValue(*value);
    editor_->shouldAddNode(node);
  }
  // The picture, light and dark; every text in it, the rule tags' names on their colours included, reads
  // at 4.5:1 (a button that is off excepted: its grey is meant to read as off).
  void picture(const std::string& name) {
    EXPECT_EQ(test::writeGallery(*window_, name).size(), 2u) << name;
    for (bool dark : {false, true}) {
      ui::SystemAppearance::shared().setDark(dark);
      const auto faults = test::textContrastFaults(*window_);
      EXPECT_TRUE(faults.empty()) << name << (dark ? " dark" : " light") << ":\n" << test::describe(faults);
    }
    ui::SystemAppearance::shared().setDark(false);
  }

  std::optional<test::DesktopPaintingScope> painting_;
};

TEST_F(AutoPickGalleryTest, TagsPickerAndDetails) {
  addTag("text_matched_regex", "^ticket-[0-9]+");
  addTag("application", "org.example.Editor,firefox");
  addTag("link");
  picture("autopick-tags");

  clickAndSettle(*editor_->addButton());
  picture("autopick-picker");
  // Every description ends before its row's Add or Added button.
  auto& table = *picker()->page()->tableView();
  int cut = 0;
  for (long row = 0; row < table.tableView()->numberOfRows(); ++row) {
    auto wrapper = std::dynamic_pointer_cast<ModalTableRowViewWrapper>(table.rowViewAtRow(row));
    if (!wrapper) continue;
    auto display = std::dynamic_pointer_cast<AutoPickDisplayView>(wrapper->item()->customView());
    ASSERT_TRUE(display);
    auto& desc = *display->descTextView();
    auto& button = *wrapper->item()->rightAccessories().front();
    EXPECT_LE(desc.convertRectToView(desc.bounds(), nullptr).maxX(),
              button.convertRectToView(button.bounds(), nullptr).minX())
        << row;
    cut += desc.string().ends_with("…") ? 1 : 0;
  }
  EXPECT_GT(cut, 0);
  clickAndSettle(*picker()->page()->rightItem());

  clickAndSettle(*editor_->tags()[0]);
  auto regex = std::dynamic_pointer_cast<AutoPickRegexValueView>(detail()->page()->customView());
  ASSERT_NE(regex, nullptr);
  clickView(*regex->regexItem()->input());
  regex->regexItem()->input()->selectText();
  events_.typeText("(ticket");
  picture("autopick-detail-regex");
  clickAndSettle(*detail()->page()->cancelItem());

  clickAndSettle(*editor_->tags()[2]);
  ASSERT_NE(std::dynamic_pointer_cast<AutoPickApplicationValueView>(detail()->page()->customView()), nullptr);
  picture("autopick-detail-applications");
}

}  // namespace
}  // namespace vl
