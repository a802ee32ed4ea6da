#include <gtest/gtest.h>

#include <future>

#include "PinTestSupport.h"
#include "platform/dispatch/Dispatch.h"

namespace vl {
namespace {

using test::PinFixture;
using test::textRule;

const std::string kId1 = "11111111-1111-1111-1111-111111111111";
const std::string kId2 = "22222222-2222-2222-2222-222222222222";

class PinTabTest : public PinFixture {};

TEST_F(PinTabTest, FolderNamesParseOnlyAsFiveFields) {
  const PinTab::FolderFields work{kId1, "Work", "", "FF8800", 2};
  EXPECT_EQ(PinTab::folderName(work), kId1 + "._.Work._.._.FF8800._.2");
  struct Case {
    std::string name;
    bool parses;
  };
  const std::vector<Case> cases = {
      {kId1 + "._.Work._.._.FF8800._.2", true},
      {kId1 + "._.Work._.000000._.FF8800._.-3", true},
      {kId1 + "._.Work._.._.FF8800", false},         // four fields
      {kId1 + "._.Wo._.rk._.._.FF8800._.2", false},  // six
      {kId1 + "._.Work._.._.FF8800._.2x", false},    // position not a number
      {kId1 + "._.Work._.._.FF8800._.", false},      // no position
      {"not-a-uuid-at-all-but-36-characters._.W._.._.F._.1", false},
      {".DS_Store", false},
  };
  for (const Case& c : cases) EXPECT_EQ(PinTab::parseFolderName(c.name).has_value(), c.parses) << c.name;
  auto back = PinTab::parseFolderName(PinTab::folderName(work));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->txtColor, "");
  EXPECT_EQ(back->position, 2);
}

// Tab folders load in position order after the clipboard tab; entries that are not tab folders are
// passed by and left exactly as they are.
TEST_F(PinTabTest, LoadOrdersTabsAndLeavesStrayEntriesAlone) {
  engine().load();
  writeDoc(pinPath() + "/" + kId2 + "._.Second._.._.00FF00._.7", 0, {"s"});
  writeDoc(pinPath() + "/" + kId1 + "._.First._.._.FF0000._.3", 0, {"f"});
  ASSERT_TRUE(files::atomicWrite(pinPath() + "/.DS_Store", "x"));
  ASSERT_TRUE(files::atomicWrite(pinPath() + "/" + kId1 + "._.File._.._.FF0000._.1", "a file, not a folder"));
  ASSERT_TRUE(files::createDirectories(pinPath() + "/" + std::string(40, 'x')));
  ASSERT_TRUE(files::createDirectories(pinPath() + "/" + kId2 + "._.Twin._.._.._.9"));  // repeats an id
  ASSERT_TRUE(files::createDirectories(pinPath() + "/" + kClipboardPinTabId + "._.C._.._.._.4"));
  const auto before = snapshot(pinPath());

  pins().load();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "First", "Second"}));
  EXPECT_EQ(pins().tabList()[1]->position(), 1);  // renumbered from 3
  EXPECT_EQ(pins().tabList()[2]->position(), 2);
  EXPECT_EQ(snapshot(pinPath()), before);
  EXPECT_EQ(texts(pins().tabList()[2]->headDoc()), (std::vector<std::string>{"s"}));
}

TEST_F(PinTabTest, TheTipGoesWhenRecordsMoveInAndFollowsARename) {
  loadAll();
  auto tab = pins().addPinTab("Work", "", "FF8800");
  auto view = std::make_shared<test::RecordingTabView>();
  tab->setPtDelegate(view);
  ASSERT_EQ(texts(tab->headDoc()).size(), 1u);
  const std::string oldTip = texts(tab->headDoc())[0];

  ASSERT_TRUE(tab->rename("Home", "", "00AA00"));
  std::vector<std::string> tip = texts(tab->headDoc());
  ASSERT_EQ(tip.size(), 1u);
  EXPECT_TRUE(tab->headDoc()->chunkAt(0)->json()->contains("default_tip"));
  EXPECT_EQ(view->calls, (std::vector<std::string>{"name Home", "bg 00AA00"}));

  engine().append("keep", std::nullopt, std::nullopt, kClipboardPinTabId);
  tab->deleteDefaultTipIfNeeded();
  EXPECT_TRUE(texts(tab->headDoc()).empty());
  // The doc's index forgot the tip's slot: the record moved in is the one found.
  engine().moveChunkFrom(kClipboardPinTabId, tab->pinTabId(), "keep", std::nullopt);
  EXPECT_EQ(texts(tab->headDoc()), (std::vector<std::string>{"keep"}));
  EXPECT_EQ(engine().getChunkByContext(tip[0], Json{{"default_tip", "1"}}, tab->pinTabId()), nullptr);
  tab->deleteDefaultTipIfNeeded();  // no tip: nothing happens
  EXPECT_EQ(texts(tab->headDoc()), (std::vector<std::string>{"keep"}));
  Vellisto_BigDoc::waitForPendingWrites();
  pins().load();
  EXPECT_EQ(texts(pins().getTabOfId(tab->pinTabId())->headDoc()), (std::vector<std::string>{"keep"}));
}

// 1,001 records appended right after a rename all land in the renamed folder, whether the folder move
// runs before or after the doc rolls over.
TEST_F(PinTabTest, AppendsAfterARenameLandInTheNewFolder) {
  for (bool moveRunsLate : {false, true}) {
    SCOPED_TRACE(moveRunsLate ? "move after the roll-over" : "move before the appends");
    VLEngine::resetForTesting();
    ASSERT_TRUE(files::removeRecursive(pinPath()));
    engine().setFolders(home());
    loadAll();
    auto tab = pins().addPinTab("Old", "", "");
    Vellisto_BigDoc::waitForPendingWrites();
    const std::string oldFolder = tab->getDiskPath();

    std::promise<void> release;
    if (moveRunsLate) {
      std::shared_future<void> gate = release.get_future().share();
      Vellisto_BigDoc::persistQueue()->async([gate] { gate.wait(); });
    }
    ASSERT_TRUE(tab->rename("New", "00FF00", "0000FF"));
    if (!moveRunsLate) Vellisto_BigDoc::waitForPendingWrites();
    for (int i = 0; i < 1001; ++i)
      engine().append("r" + std::to_string(i), std::nullopt, std::nullopt, tab->pinTabId());
    if (moveRunsLate) release.set_value();
    Vellisto_BigDoc::waitForPendingWrites();

    EXPECT_FALSE(files::exists(oldFolder));
    EXPECT_EQ(tab->getDiskPath(), pinPath() + "/" + tab->folderName());
    EXPECT_EQ(tab->docCount(), 2);
    EXPECT_EQ(files::listDirectory(tab->getDiskPath()).names,
              (std::vector<std::string>{"BigDoc_0", "BigDoc_1"}));
    for (auto doc = tab->headDoc(); doc; doc = doc->next()) {
      EXPECT_EQ(files::deletingLastPathComponent(doc->filePath()), tab->getDiskPath());
    }
    pins().load();
    auto reloaded = pins().getTabOfId(tab->pinTabId());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->name(), "New");
    EXPECT_EQ(reloaded->txtColor(), "00FF00");
    EXPECT_EQ(reloaded->bgColor(), "0000FF");
    std::vector<std::string> all = texts(reloaded->headDoc());
    ASSERT_EQ(all.size(), 1002u);  // the tip and the 1,001 records
    EXPECT_EQ(all.back(), "r1000");
  }
}

// A new clipboard record is copied into the tabs whose rules accept it, and only there.
TEST_F(PinTabTest, AutoPickCopiesNewRecordsIntoMatchingTabs) {
  loadAll();
  addTabs(3);
  auto tabs = pins().tabList();
  tabs[1]->setAutoPickForest(textRule("^todo"));
  tabs[3]->setAutoPickForest(textRule("todo|urgent"));
  // tabs[2] has no rules and picks nothing.

  auto record = engine().append("todo: buy milk", std::nullopt, std::nullopt, kClipboardPinTabId);
  const Json extra = {{"app_name", "Editor"}};
  std::vector<std::string> picked = pins().autoPick(record, extra);
  EXPECT_EQ(picked, (std::vector<std::string>{tabs[1]->pinTabId(), tabs[3]->pinTabId()}));
  tabs[1]->sortedTable()->append({tabs[1]->headDoc()->chunkAt(0)});
  engine().copyIntoPinTabs(record, picked);
  for (int i : {1, 3}) {
    auto copy = engine().getChunkByContext(std::string("todo: buy milk"), std::nullopt, tabs[i]->pinTabId());
    ASSERT_NE(copy, nullptr) << i;
    EXPECT_NE(copy, record);
  }
  EXPECT_EQ(engine().getChunkByContext(std::string("todo: buy milk"), std::nullopt, tabs[2]->pinTabId()),
            nullptr);
  EXPECT_EQ(tabs[1]->sortedTable()->liveChunks().front()->context(), "todo: buy milk");

  // Picking the same record again renews the copy rather than adding one.
  engine().copyIntoPinTabs(record, picked);
  EXPECT_EQ(texts(tabs[3]->headDoc()).size(), 2u);  // the tip and the copy

  auto other = engine().append("an urgent call", std::nullopt, std::nullopt, kClipboardPinTabId);
  EXPECT_EQ(pins().autoPick(other, extra), (std::vector<std::string>{tabs[3]->pinTabId()}));
  auto image = engine().append("pic", std::nullopt, Json{{"image", "/x.png"}}, kClipboardPinTabId);
  EXPECT_TRUE(pins().autoPick(image, extra).empty());

  // The rules outlive a reload: the tab reads them back from the user defaults.
  pins().load();
  EXPECT_EQ(pins().autoPick(other, extra), (std::vector<std::string>{tabs[3]->pinTabId()}));
}

}  // namespace
}  // namespace vl
