#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PinBarTestSupport.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/SearchInput2.h"
#include "platform/foundation/Localization.h"
#include "theme/VLFont.h"

namespace vl {
namespace {

class MoveToPinTest : public test::PinBarTest {
 protected:
  void SetUp() override {
    PinBarTest::SetUp();
    // The search field answers "pinRecord" as the main window's does.
    input_ = SearchInput2::create();
  }

  std::string checkedName() const {
    auto page = moveDialog();
    return page->dataSource()[static_cast<std::size_t>(page->checkedRow())]->name();
  }

  std::shared_ptr<SearchInput2> input_;
};

TEST_F(MoveToPinTest, WithOnlyTheClipboardTabPinningAsksForATabFirst) {
  EXPECT_TRUE(offer("pinRecord"));
  advance(300);
  EXPECT_FALSE(parts.movePanel->isShown());
  auto alert = alertOver(*mainView_);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->title(), localized("pin.tab.pin.alert.content"));
  EXPECT_TRUE(pressEscape());
}

TEST_F(MoveToPinTest, TheArrowsWrapAndReturnCopiesThreeSelectedRecords) {
  for (const char* text : {"alpha", "beta", "gamma", "delta"})
    VLEngine::shared().append(text, std::nullopt, std::nullopt, kClipboardPinTabId);
  addTabs({"Work", "Links"});
  pins().activeTabOfId(kClipboardPinTabId);
  for (const char* text : {"alpha", "gamma", "delta"})
    selected.push_back(DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont()));

  EXPECT_FALSE(offer("enter"));  // the dialog is closed: Return is not its
  EXPECT_TRUE(offer("pinRecord"));
  advance(300);
  ASSERT_TRUE(parts.movePanel->isShown());
  EXPECT_EQ(moveDialog()->dataSource().size(), 2u);
  EXPECT_EQ(moveDialog()->tableView()->frame().height(), 80);
  const std::vector<std::pair<const char*, const char*>> steps = {
      {nullptr, "Work"},      {"historyDown", "Links"}, {"historyDown", "Work"},
      {"historyUp", "Links"}, {"historyUp", "Work"},    {"historyDown", "Links"},
  };
  for (const auto& [key, expected] : steps) {
    if (key) {
      EXPECT_TRUE(offer(key));
    }
    EXPECT_EQ(checkedName(), expected) << (key ? key : "opened");
  }
  EXPECT_TRUE(offer("enter"));
  advance(300);
  EXPECT_FALSE(parts.movePanel->isShown());

  auto links = pins().getTabOfId(moveDialog()->dataSource()[1]->pinTabId());
  EXPECT_EQ(activeName(), "Links");
  EXPECT_TRUE(bar()->tabOfId(links->pinTabId())->isActive());
  for (const char* text : {"alpha", "gamma", "delta"}) {
    EXPECT_NE(VLEngine::shared().getChunkByContext(std::string(text), std::nullopt, links->pinTabId()),
              nullptr)
        << text;
    // The clipboard history keeps its records.
    EXPECT_NE(VLEngine::shared().getChunkByContext(std::string(text), std::nullopt, kClipboardPinTabId),
              nullptr);
  }
  EXPECT_EQ(VLEngine::shared().getChunkByContext(std::string("beta"), std::nullopt, links->pinTabId()),
            nullptr);
  // The tip went when the records came in.
  std::size_t records = 0;
  for (auto doc = links->headDoc(); doc; doc = doc->next()) {
    for (const auto& chunk : doc->chunks()) records += chunk != nullptr;
  }
  EXPECT_EQ(records, 3u);

  // From a pin tab the clipboard tab is the first row.
  EXPECT_TRUE(offer("pinRecord"));
  advance(300);
  ASSERT_TRUE(parts.movePanel->isShown());
  EXPECT_EQ(moveDialog()->fromPinTabId(), links->pinTabId());
  EXPECT_TRUE(moveDialog()->dataSource()[0]->isClipboard());
  EXPECT_EQ(moveDialog()->checkedRow(), 0);
}

TEST_F(MoveToPinTest, TheListNeverGrowsPastSixRows) {
  addTabs({"A", "B", "C", "D", "E"});
  pins().activeTabOfId(kClipboardPinTabId);
  PanelCenter::shared().showPanelByKey(kPanelPinMove);
  advance(300);
  EXPECT_EQ(moveDialog()->tableView()->frame().height(), 200);
}

// A target that is gone, or is the source itself, moves nothing and leaves the list where it was.
TEST_F(MoveToPinTest, AMoveNeedsAnotherExistingTab) {
  VLEngine::shared().append("alpha", std::nullopt, std::nullopt, kClipboardPinTabId);
  addTabs({"Work"});
  const std::string work = pins().tabList()[1]->pinTabId();
  selected.push_back(DisplayAttributedString::resultRow("alpha", std::vector<Range>{}, VLFont::mainFont()));
  const int before = researches;
  for (const auto& [to, from] : std::vector<std::pair<std::string, std::string>>{
           {"00000000-0000-0000-0000-00000000beef", kClipboardPinTabId}, {work, work}}) {
    parts.edits->didMoveToPinTabId(to, from);
    EXPECT_EQ(activeName(), "Work");
    EXPECT_EQ(researches, before);
    EXPECT_EQ(VLEngine::shared().getChunkByContext(std::string("alpha"), std::nullopt, work), nullptr);
  }
}

}  // namespace
}  // namespace vl
