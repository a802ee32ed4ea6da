#include <gtest/gtest.h>

#include <thread>

#include "PinTestSupport.h"

namespace vl {
namespace {

using test::PinFixture;

class PinManagerTest : public PinFixture {
 protected:
  void SetUp() override {
    PinFixture::SetUp();
    loadAll();
    pins().setBarHooks({[this] { ++researches; }, [this] { ++buttonUpdates; }});
  }
  int researches = 0;
  int buttonUpdates = 0;
};

TEST_F(PinManagerTest, NewTabsGoToTheEndWithTheirFolderAndTip) {
  addTabs(2);
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T1", "T2"}));
  EXPECT_EQ(foldersOnDisk(), (std::vector<std::string>{"T1 1", "T2 2"}));
  EXPECT_EQ(activeName(), "clip");  // adding does not activate
  auto tip = pins().tabList()[1]->headDoc()->chunkAt(0);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->json()->contains("default_tip"));
}

TEST_F(PinManagerTest, NamesThatCannotNameAFolderAreRefused) {
  for (const std::string& name : {std::string(""), std::string("a/b"), std::string("a._.b"),
                                  std::string("a\0b", 3), std::string("ends._"), std::string(300, 'x')}) {
    EXPECT_EQ(pins().addPinTab(name, "", "FF8800"), nullptr) << name;
  }
  EXPECT_EQ(pins().addPinTab("ok", "._.", ""), nullptr);
  EXPECT_EQ(pins().tabCount(), 1u);
  auto tab = pins().addPinTab("Work", "", "");
  ASSERT_NE(tab, nullptr);
  EXPECT_FALSE(tab->rename("W/ork", "", ""));
  EXPECT_EQ(tab->name(), "Work");
}

TEST_F(PinManagerTest, ActivationTellsEveryView) {
  addTabs(2);
  pins().activeTabOfId(pins().tabList()[2]->pinTabId());
  EXPECT_EQ(pins().activeIndex(), 2);
  EXPECT_EQ(views[1]->calls.back(), "active");
  EXPECT_EQ(views[0]->calls.back(), "inactive");
  EXPECT_EQ(pins().tabList()[2]->activeState(), PinTab::kActive);
  pins().activeTabOfId("unknown");
  EXPECT_EQ(pins().activeIndex(), 2);
  EXPECT_EQ(views[1]->calls.back(), "inactive");
}

TEST_F(PinManagerTest, NextWalksRoundToTheClipboardTab) {
  EXPECT_EQ(pins().next()->isClipboard(), true);  // only the clipboard tab
  addTabs(2);
  EXPECT_EQ(pins().next()->name(), "T1");
  EXPECT_EQ(pins().next()->name(), "T2");
  EXPECT_TRUE(pins().next()->isClipboard());
  EXPECT_EQ(pins().activeIndex(), 0);
}

// Deletions keep the same tab active, or fall back to the clipboard tab when the active one goes.
TEST_F(PinManagerTest, DeleteKeepsTheActiveIndexRight) {
  struct Case {
    std::string deleted;
    std::string activeBefore;
    std::string activeAfter;
    int researches;
  };
  const std::vector<Case> cases = {
      {"T2", "T2", "clip", 1},  // the active tab
      {"T1", "T3", "T3", 0},    // before the active one
      {"T1", "T4", "T4", 0},    // before the active last one
      {"T4", "T2", "T2", 0},    // after it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deleted + " while " + c.activeBefore + " is active");
    for (const auto& tab : pins().tabList()) {
      if (!tab->isClipboard()) pins().deleteTabOfId(tab->pinTabId());
    }
    views.clear();
    addTabs(4);
    researches = 0;
    auto byName = [&](const std::string& name) {
      for (const auto& tab : pins().tabList()) {
        if (tab->name() == name) return tab;
      }
      return std::shared_ptr<PinTab>();
    };
    pins().activeTabOfId(byName(c.activeBefore)->pinTabId());
    pins().deleteTabOfId(byName(c.deleted)->pinTabId());
    EXPECT_EQ(activeName(), c.activeAfter);
    EXPECT_EQ(researches, c.researches);
    EXPECT_EQ(pins().tabCount(), 4u);
    for (std::size_t i = 0; i < pins().tabCount(); ++i)
      EXPECT_EQ(pins().tabList()[i]->position(), std::int64_t(i));
  }
}

// With tabs at 1..4, deleting 2 renames the folders of 3 and 4 to 2 and 3 and shifts their views; a file
// of the user's beside the tab folders is left alone.
TEST_F(PinManagerTest, DeleteRenumbersFoldersAndShiftsViews) {
  addTabs(4);
  ASSERT_TRUE(files::atomicWrite(pinPath() + "/notes.txt", "mine"));
  const int updatesBefore = buttonUpdates;
  pins().deleteTabOfId(pins().tabList()[2]->pinTabId());
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T1", "T3", "T4"}));
  EXPECT_EQ(foldersOnDisk(), (std::vector<std::string>{"T1 1", "T3 2", "T4 3", "notes.txt"}));
  EXPECT_EQ(views[1]->count("remove"), 1);
  EXPECT_EQ(views[0]->count("forward"), 0);
  EXPECT_EQ(views[2]->count("forward"), 1);
  EXPECT_EQ(views[3]->count("forward"), 1);
  EXPECT_EQ(buttonUpdates, updatesBefore + 1);

  // The clipboard tab and unknown identifiers delete nothing, but the button still updates.
  pins().deleteTabOfId(kClipboardPinTabId);
  pins().deleteTabOfId("unknown");
  EXPECT_EQ(pins().tabCount(), 4u);
  EXPECT_EQ(buttonUpdates, updatesBefore + 3);
}

TEST_F(PinManagerTest, MovesExchangeNeighboursAndFollowTheActiveTab) {
  addTabs(3);
  auto t2 = pins().tabList()[2];
  pins().activeTabOfId(t2->pinTabId());

  pins().moveForwardTabOfId(t2->pinTabId());  // the active tab moves left
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T2", "T1", "T3"}));
  EXPECT_EQ(activeName(), "T2");
  EXPECT_EQ(pins().activeIndex(), 1);
  EXPECT_EQ(views[1]->calls.back(), "forward");
  EXPECT_EQ(views[0]->calls.back(), "backward");

  pins().moveForwardTabOfId(t2->pinTabId());  // never past the clipboard tab
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T2", "T1", "T3"}));

  pins().moveBackwardTabOfId(pins().tabList()[1]->pinTabId());  // the active tab moves right again
  EXPECT_EQ(activeName(), "T2");
  EXPECT_EQ(pins().activeIndex(), 2);
  pins().moveBackwardTabOfId(pins().tabList()[1]->pinTabId());  // its left neighbour moves past it
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T2", "T1", "T3"}));
  EXPECT_EQ(activeName(), "T2");
  EXPECT_EQ(pins().activeIndex(), 1);

  pins().moveBackwardTabOfId(pins().tabList()[3]->pinTabId());  // the last tab stays last
  pins().moveBackwardTabOfId(kClipboardPinTabId);
  EXPECT_EQ(names(), (std::vector<std::string>{"clip", "T2", "T1", "T3"}));
  EXPECT_EQ(foldersOnDisk(), (std::vector<std::string>{"T1 2", "T2 1", "T3 3"}));
}

// Renumbering renames tab folders; records added afterwards must follow them, not recreate the old one.
TEST_F(PinManagerTest, RecordsAddedAfterAMoveOrRenumberLandInTheNewFolder) {
  addTabs(4);
  auto t1 = pins().tabList()[1];
  auto t4 = pins().tabList()[4];
  const std::string oldT1 = t1->getDiskPath(), oldT4 = t4->getDiskPath();
  pins().moveBackwardTabOfId(t1->pinTabId());             // T1 goes from 1 to 2
  pins().deleteTabOfId(pins().tabList()[3]->pinTabId());  // T3 goes, T4 goes from 4 to 3
  engine().append("after move", std::nullopt, std::nullopt, t1->pinTabId());
  engine().append("after renumber", std::nullopt, std::nullopt, t4->pinTabId());
  Vellisto_BigDoc::waitForPendingWrites();

  EXPECT_EQ(foldersOnDisk(), (std::vector<std::string>{"T1 2", "T2 1", "T4 3"}));
  for (const auto& [tab, old] : {std::pair{t1, oldT1}, std::pair{t4, oldT4}}) {
    EXPECT_NE(tab->getDiskPath(), old);
    for (auto doc = tab->headDoc(); doc; doc = doc->next())
      EXPECT_EQ(files::deletingLastPathComponent(doc->filePath()), tab->getDiskPath());
  }
  pins().load();
  EXPECT_EQ(texts(pins().getTabOfId(t1->pinTabId())->headDoc()).back(), "after move");
  EXPECT_EQ(texts(pins().getTabOfId(t4->pinTabId())->headDoc()).back(), "after renumber");
}

// Capture appends and picks on its own thread while the main thread edits the tab list: every record
// lands once, and what survives reloads intact.
TEST_F(PinManagerTest, CaptureAndTabEditsRunAtOnce) {
  addTabs(2);
  for (const auto& tab : pins().tabList()) {
    if (!tab->isClipboard()) tab->setAutoPickForest(test::textRule("^c"));
  }
  const Json extra = {{"app_name", "Editor"}};
  std::thread capture([&] {
    for (int i = 0; i < 300; ++i) {
      auto record = engine().append("c" + std::to_string(i), std::nullopt, std::nullopt, kClip);
      engine().copyIntoPinTabs(record, pins().autoPick(record, extra));
    }
  });
  for (int i = 0; i < 40; ++i) {
    auto tab = pins().addPinTab("X" + std::to_string(i), "", "");
    ASSERT_NE(tab, nullptr);
    tab->setAutoPickForest(test::textRule("^c"));
    (void)tab->rename("Y" + std::to_string(i), "", "");  // only the race with the picks matters here
    pins().moveForwardTabOfId(tab->pinTabId());
    pins().next();
    if (i % 2 == 0) pins().deleteTabOfId(tab->pinTabId());
  }
  capture.join();
  Vellisto_BigDoc::waitForPendingWrites();

  EXPECT_EQ(texts(engine().headDoc()).size(), 300u);
  const auto before = pins().tabList();
  pins().load();
  const auto after = pins().tabList();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 1; i < after.size(); ++i) {
    EXPECT_EQ(after[i]->pinTabId(), before[i]->pinTabId());
    EXPECT_EQ(texts(after[i]->headDoc()), texts(before[i]->headDoc()));
  }
}

}  // namespace
}  // namespace vl
