#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PinBarTestSupport.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Pins/PinTabTagsEditor.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "platform/foundation/Localization.h"

namespace vl {
namespace {

using PinTabBarTest = test::PinBarTest;

TEST_F(PinTabBarTest, TheBarShowsTheListAndOffersAtMostFivePinTabs) {
  ASSERT_EQ(bar()->tabs().size(), 1u);
  auto clip = bar()->tabs().front();
  EXPECT_EQ(clip->frame(), ui::Rect(10, 0, 110, 30));
  EXPECT_TRUE(clip->isActive());
  EXPECT_EQ(clip->menuForEvent(ui::Event{}), nullptr);
  EXPECT_EQ(bar()->addPinTabButton()->frame().origin, ui::Point(125, 8));
  EXPECT_FALSE(bar()->addPinTabButton()->isHidden());

  addTabs({"A", "B", "C", "D", "E"});
  EXPECT_EQ(barNames(), (std::vector<std::string>{"clip", "A", "B", "C", "D", "E"}));
  EXPECT_EQ(bar()->tabOfId(pins().tabList()[5]->pinTabId())->frame().origin, ui::Point(560, 0));
  EXPECT_EQ(activeName(), "E");
  EXPECT_TRUE(bar()->addPinTabButton()->isHidden());
  // A sixth is refused by the edits, and the add action (reachable only with outside folders) alerts.
  EXPECT_TRUE(parts.edits->addPinTabWithName("F", "", "1E90FF").empty());
  bar()->addPinTab();
  advance(300);
  EXPECT_FALSE(parts.detailPanel->isShown());
  ASSERT_NE(alertOver(*mainView_), nullptr);
  EXPECT_TRUE(pressEscape());
  advance(300);

  ASSERT_TRUE(chooseFromMenu("B", localized("pin.tab.menu.delete")));
  alertOver(*mainView_)->okButtonClick();
  advance(300);
  EXPECT_FALSE(bar()->addPinTabButton()->isHidden());
  EXPECT_EQ(bar()->addPinTabButton()->frame().origin, ui::Point(565, 8));
}

TEST_F(PinTabBarTest, PlusOpensTheFormAndOkMakesTheTab) {
  clickView(*bar()->addPinTabButton());
  advance(300);
  ASSERT_TRUE(parts.detailPanel->isShown());
  EXPECT_EQ(form()->navigationBar()->titleView()->string(), localized("pin.tab.detail.title.create"));
  EXPECT_EQ(form()->nameItem()->text(), std::optional<std::string>(""));
  EXPECT_EQ(form()->globalColorPanel()->selectedColorIndex(), 0);

  // OK without a name creates nothing.
  clickView(*form()->okButton());
  advance(300);
  ASSERT_NE(alertOver(*form()->getMainView()), nullptr);
  EXPECT_TRUE(pressEscape());
  advance(300);
  EXPECT_EQ(pins().tabCount(), 1u);

  auto field = form()->nameItem()->input();
  window_->makeFirstResponder(field.get());
  events_.typeText("Work");
  EXPECT_EQ(form()->preview()->name(), "Work");
  clickView(*form()->globalColorPanel()->swatches()[3]);
  const std::string colour = form()->globalColorPanel()->globalColors()[3];
  EXPECT_EQ(form()->preview()->bgColor(), colour);
  clickView(*form()->okButton());
  advance(300);

  EXPECT_FALSE(parts.detailPanel->isShown());
  EXPECT_EQ(barNames(), (std::vector<std::string>{"clip", "Work"}));
  auto view = bar()->tabs().back();
  EXPECT_EQ(view->frame().origin, ui::Point(120, 0));
  EXPECT_EQ(view->bgColor(), colour);
  EXPECT_TRUE(view->isActive());
  EXPECT_FALSE(bar()->tabs().front()->isActive());
  EXPECT_EQ(activeName(), "Work");
  EXPECT_EQ(researches, 1);
  EXPECT_EQ(folders(), (std::vector<std::string>{"Work 1 " + colour}));
}

// The rule tags editor the form hosts: it knows which tab it shows and hands over its rules.
class FakeRulesEditor : public PinTabRulesEditor {
 public:
  std::shared_ptr<ui::View> view() override { return view_; }
  void loadTags(const std::string& pinTabId) override { loaded.push_back(pinTabId); }
  std::shared_ptr<AutoPickForest> getForest() override {
    auto node = std::make_shared<AutoPickNode>();
    node->setIdentifier("text_matched_regex");
    node->setValue("^ticket-\\d+$");
    return AutoPickForest::ofNodes({node});
  }
  std::shared_ptr<ui::View> view_ = ui::View::create();
  std::vector<std::string> loaded;
};

TEST_F(PinTabBarTest, TheNewTabStoresTheTagsEditorsRulesAndCancelStoresNothing) {
  auto editor = std::make_shared<FakeRulesEditor>();
  form()->setRulesEditor(editor);
  EXPECT_EQ(editor->view_->superview(), form()->autoPickTagsContainer().get());
  for (bool confirm : {false, true}) {
    clickView(*bar()->addPinTabButton());
    advance(300);
    form()->nameItem()->setText("Tickets");
    if (confirm) {
      clickView(*form()->okButton());
    } else {
      form()->cancel();
    }
    advance(300);
  }
  EXPECT_EQ(editor->loaded, (std::vector<std::string>{"", ""}));
  ASSERT_EQ(listNames(), (std::vector<std::string>{"clip", "Tickets"}));
  const std::string id = pins().tabList()[1]->pinTabId();
  auto chunk = Vellisto_Chunk::initWithContext("ticket-42", std::nullopt, std::nullopt);
  EXPECT_EQ(pins().autoPick(chunk, Json::object()), std::vector<std::string>{id});
  // Editing shows the tab's own rules.
  ASSERT_TRUE(chooseFromMenu("Tickets", localized("pin.tab.menu.edit")));
  advance(300);
  EXPECT_EQ(editor->loaded.back(), id);
}

// The form's own tag strip: its slides open over the whole page, and a tag goes only once the user agreed.
TEST_F(PinTabBarTest, TheFormsTagsOpenTheirSlidesOverThePageAndRemoveATagAfterAsking) {
  addTabs({"Tickets"});
  auto tab = pins().tabList()[1];
  auto node = std::make_shared<AutoPickNode>();
  node->setIdentifier("text");
  tab->setAutoPickForest(AutoPickForest::ofNodes({node}));
  ASSERT_TRUE(chooseFromMenu("Tickets", localized("pin.tab.menu.edit")));
  advance(300);
  auto tags = std::dynamic_pointer_cast<PinTabTagsEditor>(form()->rulesEditor());
  ASSERT_NE(tags, nullptr);
  EXPECT_GE(tags->editor()->slideHost()->frame().height(), 376);
  ASSERT_EQ(tags->editor()->tags().size(), 1u);
  const size_t stored = tab->autoPickForest()->nodes().size();

  for (bool agree : {false, true}) {
    tags->editor()->tags().front()->del();
    auto alert = alertOver(*form()->getMainView());
    ASSERT_NE(alert, nullptr);
    agree ? alert->okButtonClick() : alert->cancelButtonClick();
    advance(300);
    EXPECT_EQ(tags->editor()->tags().size(), agree ? 0u : 1u);
    EXPECT_EQ(tab->autoPickForest()->nodes().size(), agree ? 0u : stored);
  }
}

// A name that cannot be a folder name keeps the form open with its feedback; nothing is made or renamed.
TEST_F(PinTabBarTest, ANameTheModelRefusesShowsTheFormsFeedback) {
  addTabs({"Work"});
  for (bool editing : {false, true}) {
    SCOPED_TRACE(editing ? "edit" : "create");
    if (editing) {
      ASSERT_TRUE(chooseFromMenu("Work", localized("pin.tab.menu.edit")));
    } else {
      clickView(*bar()->addPinTabButton());
    }
    advance(300);
    ASSERT_TRUE(parts.detailPanel->isShown());
    form()->nameItem()->setText("a/b");
    clickView(*form()->okButton());
    advance(300);
    auto alert = alertOver(*form()->getMainView());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), localized("pin.tab.detail.pin.name.invalid"));
    EXPECT_TRUE(pressEscape());
    advance(300);
    EXPECT_TRUE(parts.detailPanel->isShown());
    EXPECT_EQ(listNames(), (std::vector<std::string>{"clip", "Work"}));
    EXPECT_TRUE(pressEscape());
    advance(300);
  }
  EXPECT_EQ(folders(), (std::vector<std::string>{"Work 1 1E90FF"}));
}

TEST_F(PinTabBarTest, RenameAndRecolourReachTheFolderAndTheBar) {
  addTabs({"Work", "Links"});
  ASSERT_TRUE(chooseFromMenu("Work", localized("pin.tab.menu.edit")));
  advance(300);
  ASSERT_TRUE(parts.detailPanel->isShown());
  EXPECT_EQ(form()->navigationBar()->titleView()->string(), localized("pin.tab.detail.title.modify"));
  EXPECT_EQ(form()->nameItem()->text(), std::optional<std::string>("Work"));
  // A colour that is in no swatch stays unless one is picked.
  EXPECT_EQ(form()->preview()->bgColor(), "1E90FF");
  EXPECT_TRUE(form()->globalColorPanel()->chooser()->isHidden());

  form()->nameItem()->setText("Home");
  clickView(*form()->globalColorPanel()->swatches()[2]);
  const std::string colour = form()->globalColorPanel()->globalColors()[2];
  EXPECT_FALSE(form()->globalColorPanel()->chooser()->isHidden());
  clickView(*form()->okButton());
  advance(300);
  EXPECT_FALSE(parts.detailPanel->isShown());
  auto view = bar()->tabOfId(pins().tabList()[1]->pinTabId());
  EXPECT_EQ(view->name(), "Home");
  EXPECT_EQ(view->titleView()->string(), "Home");
  EXPECT_EQ(view->bgColor(), colour);
  EXPECT_EQ(folders(), (std::vector<std::string>{"Home 1 " + colour, "Links 2 1E90FF"}));

  // Cancel keeps what the tab had.
  ASSERT_TRUE(chooseFromMenu("Home", localized("pin.tab.menu.edit")));
  advance(300);
  form()->nameItem()->setText("Other");
  form()->cancel();
  advance(300);
  EXPECT_EQ(view->name(), "Home");
  EXPECT_EQ(folders(), (std::vector<std::string>{"Home 1 " + colour, "Links 2 1E90FF"}));
}

TEST_F(PinTabBarTest, MovesExchangeNeighboursInTheBarAndOnDisk) {
  addTabs({"A", "B", "C"});
  struct Case {
    const char* tab;
    const char* entry;
    bool offered;
    std::vector<std::string> order;
  };
  const std::string left = localized("pin.tab.menu.move.forward"),
                    right = localized("pin.tab.menu.move.backward");
  const std::vector<Case> cases = {
      {"C", "forward", true, {"clip", "A", "C", "B"}},   {"C", "forward", true, {"clip", "C", "A", "B"}},
      {"C", "forward", false, {"clip", "C", "A", "B"}},  // the clipboard tab never moves
      {"B", "backward", false, {"clip", "C", "A", "B"}}, {"C", "backward", true, {"clip", "A", "C", "B"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tab) + " " + c.entry);
    EXPECT_EQ(chooseFromMenu(c.tab, std::string(c.entry) == "forward" ? left : right), c.offered);
    EXPECT_EQ(barNames(), c.order);
    EXPECT_EQ(listNames(), c.order);
    for (std::size_t i = 0; i < bar()->tabs().size(); ++i) {
      auto tab = pins().tabList()[i];
      EXPECT_EQ(bar()->tabOfId(tab->pinTabId())->frame().minX(), 10 + 110.0 * static_cast<double>(i));
    }
  }
  EXPECT_EQ(folders(), (std::vector<std::string>{"A 1 1E90FF", "B 3 1E90FF", "C 2 1E90FF"}));
}

TEST_F(PinTabBarTest, DeletingTheActiveTabActivatesTheClipboardTab) {
  addTabs({"A", "B", "C", "D"});
  const std::string bId = pins().tabList()[2]->pinTabId();
  clickView(*bar()->tabOfId(bId)->titleView());
  EXPECT_EQ(activeName(), "B");
  const int before = researches;

  ASSERT_TRUE(chooseFromMenu("B", localized("pin.tab.menu.delete")));
  auto alert = alertOver(*mainView_);
  ASSERT_NE(alert, nullptr);
  alert->okButtonClick();
  advance(300);
  EXPECT_EQ(bar()->tabOfId(bId), nullptr);
  EXPECT_EQ(barNames(), (std::vector<std::string>{"clip", "A", "C", "D"}));
  EXPECT_EQ(bar()->tabs()[0]->frame().minX(), 10);
  EXPECT_EQ(bar()->tabOfId(pins().tabList()[3]->pinTabId())->frame().minX(), 340);
  EXPECT_EQ(activeName(), "clip");
  EXPECT_TRUE(bar()->tabs()[0]->isActive());
  EXPECT_GT(researches, before);
  EXPECT_EQ(folders(), (std::vector<std::string>{"A 1 1E90FF", "C 2 1E90FF", "D 3 1E90FF"}));
}

TEST_F(PinTabBarTest, AShownPanelBlocksClicksAndThePlusButton) {
  addTabs({"A"});
  clickView(*bar()->tabs()[0]);
  EXPECT_EQ(activeName(), "clip");
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  advance(300);
  ASSERT_TRUE(PanelCenter::shared().isShown());
  bar()->tabs()[1]->mouseDown(ui::Event{});
  EXPECT_EQ(activeName(), "clip");
  bar()->addPinTab();
  EXPECT_EQ(ui::beepCount(), 1u);
}

// The search field's tab switch walks the tabs, the clipboard tab after the last.
TEST_F(PinTabBarTest, TheTabSwitchShortcutActivatesTheNextTab) {
  auto input = SearchInput2::create();
  addTabs({"A", "B"});
  pins().activeTabOfId(kClipboardPinTabId);
  for (const char* expected : {"A", "B", "clip"}) {
    EXPECT_TRUE(offer("pinTabSwitch"));
    EXPECT_EQ(activeName(), expected);
    EXPECT_TRUE(bar()->tabOfId(pins().activedTab()->pinTabId())->isActive());
  }
}

}  // namespace
}  // namespace vl
