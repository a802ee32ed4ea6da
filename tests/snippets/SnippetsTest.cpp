#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLEngineSnippetsStore.h"
#include "core/VLConfig.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/Beep.h"
#include "snippets/SnippetsViewController.h"
#include "support/Gallery.h"
#include "ui/SheetTestSupport.h"

namespace vl {
namespace {

class SnippetsTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    window_->setContentSize({650, 420});
    page_ = SnippetsView::create({0, 0, 650, 420}, exchange_);
    mainView_->addSubview(page_);
    ui::resetBeepCount();
  }
  void TearDown() override {
    page_->removeFromSuperview();
    page_.reset();
    VLEngine::resetForTesting();
    SheetTest::TearDown();
  }

  SnippetsScrollTableView& list() { return *page_->scrollTableView(); }
  std::vector<std::string> aliases() {
    std::vector<std::string> out;
    for (const auto& chunk : list().rows()) out.push_back(chunk->alias().value_or(""));
    return out;
  }
  // Each record gets its own second, so "newest first" has one answer.
  void add(const std::string& alias, const std::string& text) {
    advance(1000);
    ASSERT_NE(list().addData(alias, text), nullptr) << alias;
  }
  // The store dropped and read again from its files, as at the next start.
  void restart() {
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    page_->reload();
  }
  std::shared_ptr<SnippetsEditView> sheet() {
    return std::dynamic_pointer_cast<SnippetsEditView>(page_->shownAlert());
  }
  std::string preview() { return page_->snippetsTextView()->string(); }
  void doubleClickRow(long row) {
    auto view = list().tableView()->rowViewAtRow(row, false);
    ASSERT_NE(view, nullptr);
    ui::Point at = view->convertPointToView({view->bounds().midX(), view->bounds().midY()}, nullptr);
    events_.click(window_, at);
    events_.click(window_, at, 0, 2);
  }

  SnippetsExchange exchange_;
  std::shared_ptr<SnippetsView> page_;
};

TEST_F(SnippetsTest, AddEditRenameAndDeleteReachTheStoreAndSurviveARestart) {
  page_->addButtonClick();
  advance(200);
  ASSERT_NE(sheet(), nullptr);
  EXPECT_EQ(sheet()->okButton()->title(), "Add");
  sheet()->setAlais("sig");
  sheet()->setSnippet("Best regards");
  sheet()->okButtonClick();
  advance(200);
  EXPECT_FALSE(Alert::isShown(page_.get()));
  add("addr", "1 Main Street");
  add("tel", "555 0100");
  EXPECT_EQ(aliases(), (std::vector<std::string>{"tel", "addr", "sig"}));
  EXPECT_EQ(preview(), "555 0100");

  // Edit through a double click: rename keeps the row, a new text replaces the record.
  list().selectRow(1);
  doubleClickRow(1);
  advance(200);
  ASSERT_NE(sheet(), nullptr);
  EXPECT_EQ(sheet()->okButton()->title(), "Save");
  EXPECT_EQ(sheet()->alais(), "addr");
  sheet()->setAlais("home");
  // Save goes to the record the sheet was opened on, whatever row is chosen meanwhile.
  list().selectRow(2);
  sheet()->okButtonClick();
  advance(200);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"tel", "home", "sig"}));
  EXPECT_EQ(preview(), "1 Main Street");

  // A new text is a new snippet; the edited one stays in the history and in the list.
  advance(1000);
  const std::string sigOfSig = list().rows()[2]->sig();
  ASSERT_NE(list().updateData(sigOfSig, "sig", "Kind regards"), nullptr);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig", "tel", "home", "sig"}));
  EXPECT_NE(VLEngine::shared().getChunkBySig(sigOfSig, kClipboardPinTabId), nullptr);

  list().selectRow(1);
  page_->deleteButtonClick();
  advance(200);
  page_->shownAlert()->okButtonClick();
  advance(200);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig", "home", "sig"}));
  EXPECT_EQ(list().selectedRow(), 1);
  EXPECT_EQ(preview(), "1 Main Street");

  restart();
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig", "home", "sig"}));
  EXPECT_EQ(list().rows()[0]->context(), "Kind regards");
  EXPECT_EQ(list().rows()[1]->context(), "1 Main Street");

  // The text of another snippet makes the two one: the edited record goes, the other takes the alias.
  advance(1000);
  const std::string edited = list().rows()[2]->sig();
  ASSERT_NE(list().updateData(edited, "bye", "1 Main Street"), nullptr);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig", "bye"}));
  EXPECT_EQ(list().selectedRow(), 1);
  EXPECT_EQ(VLEngine::shared().getChunkBySig(edited, kClipboardPinTabId), nullptr);

  // The last row deleted leaves no selection and an empty preview.
  list().selectRow(1);
  list().deleteSelection();
  EXPECT_EQ(list().selectedRow(), -1);
  EXPECT_EQ(preview(), "");
}

TEST_F(SnippetsTest, FilterMatchesTheStartOfTheAliasIgnoringCase) {
  add("Alpha", "a1");
  add("beta", "b1");
  add("alps", "a2");
  add("(x", "p1");
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  for (const Case& c : {Case{"al", {"alps", "Alpha"}}, Case{"AL", {"alps", "Alpha"}}, Case{"ph", {}},
                        Case{"(", {"(x"}}, Case{".", {}}, Case{"", {"(x", "alps", "beta", "Alpha"}}}) {
    list().reloadDataBySearchText(c.text);
    EXPECT_EQ(aliases(), c.rows) << c.text;
    EXPECT_EQ(preview(), c.rows.empty() ? std::string() : std::string(list().rows()[0]->context())) << c.text;
  }
  // Back in the preferences the store is read afresh and shows everything, whatever was searched.
  list().reloadDataBySearchText("al");
  VLEngine::shared().append("elsewhere", std::nullopt, std::nullopt, std::string("zed"), kClipboardPinTabId);
  NotificationCenter::defaultCenter().post(SnippetsView::kShouldReloadSettings);
  EXPECT_EQ(aliases().size(), 5u);
  // A deleted row does not come back with the next filter.
  list().reloadDataBySearchText("al");
  list().selectRow(0);
  list().deleteSelection();
  list().reloadDataBySearchText("a");
  EXPECT_EQ(aliases(), (std::vector<std::string>{"Alpha"}));
}

TEST_F(SnippetsTest, OnlyEmptyAliasesAndTextsAreRefused) {
  add("sig", "Best regards");
  struct Case {
    std::string alias;
    std::string text;
    bool accepted;
  };
  for (const Case& c : {Case{"", "x", false}, Case{"new", "", false}, Case{" ", "one blank", true},
                        Case{"sig", "another text", true}}) {
    const std::size_t beeps = ui::beepCount();
    page_->addButtonClick();
    advance(200);
    ASSERT_NE(sheet(), nullptr);
    sheet()->setAlais(c.alias);
    sheet()->setSnippet(c.text);
    auto open = sheet();
    open->okButtonClick();
    advance(200);
    EXPECT_EQ(Alert::isShown(page_.get()), !c.accepted) << c.alias;
    EXPECT_EQ(ui::beepCount(), beeps + (c.accepted ? 0 : 1)) << c.alias;
    EXPECT_EQ(open->feedbackTextView()->string().empty(), c.accepted) << c.alias;
    if (!c.accepted) {
      EXPECT_EQ(open->alais(), c.alias);
      EXPECT_TRUE(pressEscape());
      advance(200);
      EXPECT_FALSE(Alert::isShown(page_.get()));
    }
  }
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig", " ", "sig"}));
  EXPECT_EQ(list().addData("", "no name"), nullptr);
  // The Escape entry of a sheet closed by OK closes nothing later.
  EXPECT_TRUE(pressEscape());
  EXPECT_EQ(EscStack::shared().count(), 0u);
}

TEST_F(SnippetsTest, MegabyteSnippetSavesWholeAndPreviewsItsBeginning) {
  std::string big;
  while (big.size() < 4u << 20) big += "line of a long snippet, " + std::to_string(big.size()) + "\n";
  page_->addButtonClick();
  advance(200);
  sheet()->setAlais("big");
  sheet()->setSnippet(big);
  sheet()->okButtonClick();
  advance(200);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"big"}));
  EXPECT_LT(preview().size(), SnippetsView::kPreviewUnits + 8);
  EXPECT_EQ(preview().substr(0, 100), big.substr(0, 100));
  restart();
  // Renamed through the sheet, which shows only the beginning and keeps the rest.
  list().rowDoubleClick();
  advance(200);
  EXPECT_FALSE(sheet()->snippetTextView()->textView()->isEditable());
  sheet()->setAlais("huge");
  sheet()->okButtonClick();
  advance(200);
  restart();
  EXPECT_EQ(aliases(), (std::vector<std::string>{"huge"}));
  EXPECT_EQ(list().rows()[0]->context(), big);
}

// Tab takes the keyboard from the alias to the text, so what is typed next is the snippet; there Tab is
// typed, and Shift+Tab goes back to the alias with its text chosen.
TEST_F(SnippetsTest, TabMovesFromTheAliasToTheTextAndShiftTabBack) {
  page_->addButtonClick();
  advance(200);
  ASSERT_NE(sheet(), nullptr);
  events_.typeText("sig");
  events_.typeKey(ui::KeyCode::Tab);
  EXPECT_EQ(window_->firstResponder(), sheet()->snippetTextView()->textView().get());
  events_.typeText("Best");
  events_.typeKey(ui::KeyCode::Tab);
  events_.typeText("regards");
  events_.typeKey(ui::KeyCode::Tab, ui::ModifierFlags::Shift);
  events_.typeText("sign");
  EXPECT_EQ(sheet()->alais(), "sign");
  EXPECT_EQ(sheet()->snippet(), "Best\tregards");
  // Of the two fields, the one before the alias is the text.
  events_.typeKey(ui::KeyCode::Tab, ui::ModifierFlags::Shift);
  EXPECT_EQ(window_->firstResponder(), sheet()->snippetTextView()->textView().get());
  sheet()->okButtonClick();
  advance(200);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sign"}));
}

TEST_F(SnippetsTest, DeleteConfirmationWithoutSelectionChangesNothing) {
  add("sig", "Best regards");
  list().tableView()->deselectAll();
  page_->deleteButtonClick();
  advance(200);
  ASSERT_NE(page_->shownAlert(), nullptr);
  page_->shownAlert()->okButtonClick();
  advance(200);
  EXPECT_EQ(aliases(), (std::vector<std::string>{"sig"}));
}

// Another process changes the snippets through the shared settings and tells us on the distributed
// centre; the page merges the change list and shows the result.
class SnippetsExchangeTest : public SnippetsTest {
 protected:
  void SetUp() override {
    centre_ = std::make_unique<DistributedNotificationCenter>(home_.path() + "/dnc");
    centre_->setDeliveryExecutor(
        [](std::function<void()> f) { dispatch::Queue::main()->async(std::move(f)); });
    exchangeCenter_ = std::make_unique<VLAppNotifcationCenter>(*centre_);
    exchangeCenter_->setSnippetsStore(std::make_shared<VLEngineSnippetsStore>());
    exchange_.center = centre_.get();
    exchange_.merge = [this] { return exchangeCenter_->mergeSnippets(); };
    exchange_.publish = [this] { exchangeCenter_->saveSnippets(); };
    SnippetsTest::SetUp();
  }
  void TearDown() override {
    SnippetsTest::TearDown();
    exchangeCenter_.reset();
    centre_.reset();
  }
  // Waits for the other process's notice to have been handled, as a run loop would.
  bool waitForRows(const std::vector<std::string>& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      dispatch::MainLoop::runUntilIdle();
      if (aliases() == expected) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  std::unique_ptr<DistributedNotificationCenter> centre_;
  std::unique_ptr<VLAppNotifcationCenter> exchangeCenter_;
};

TEST_F(SnippetsExchangeTest, ChangesFromAnotherProcessShowInTheList) {
  add("sig", "Best regards");
  add("tel", "555 0100");
  // What we change is written back for the other side.
  page_->addButtonClick();
  advance(200);
  sheet()->setAlais("addr");
  sheet()->setSnippet("1 Main Street");
  sheet()->okButtonClick();
  advance(200);
  const Json mirror = VLConfig::shared().getValueOfKey(VLConfig::kSnippetsMirror).value_or(Json());
  ASSERT_TRUE(mirror.is_array());
  ASSERT_EQ(mirror.size(), 3u);
  EXPECT_EQ(mirror[0]["name"], "addr");

  const std::string telSig = list().rows()[1]->sig();
  VLConfig::shared().setValueOfKey(
      VLConfig::kSnippetsMirror, Json::array({{{"action", "del"}, {"digest", telSig}},
                                              {{"action", "add"}, {"content", "Cheers"}, {"name", "bye"}}}));
  VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  DistributedNotificationCenter other(home_.path() + "/dnc");
  ASSERT_TRUE(
      other.post(VLAppNotifcationCenter::getUpdateNameOfGroupUserDefaultsKey(VLConfig::kSnippetsMirror),
                 kPreferencesAppId));
  EXPECT_TRUE(waitForRows({"bye", "addr", "sig"}));
  EXPECT_EQ(VLEngine::shared().getChunkBySig(telSig, kClipboardPinTabId), nullptr);
}

// The preferences window looks at the settings every second. What the page wrote there itself keeps the
// list as the user left it (filter and choice); a change list of another process is merged and read.
TEST_F(SnippetsExchangeTest, ItsOwnWriteBackKeepsTheFilterAndTheChoice) {
  add("b1", "one");
  add("b2", "two");
  add("b3", "three");
  add("a1", "four");
  page_->toolbar()->searchTextField()->setText("b");
  list().reloadDataBySearchText("b");
  list().selectRow(1);
  page_->deleteButtonClick();
  advance(200);
  page_->shownAlert()->okButtonClick();
  advance(200);
  ASSERT_EQ(aliases(), (std::vector<std::string>{"b3", "b1"}));
  page_->settingsChanged();
  EXPECT_EQ(aliases(), (std::vector<std::string>{"b3", "b1"}));
  EXPECT_EQ(list().selectedRow(), 1);
  EXPECT_EQ(preview(), "one");

  advance(1000);
  VLConfig::shared().setValueOfKey(VLConfig::kSnippetsMirror,
                                   Json::array({{{"action", "add"}, {"content", "five"}, {"name", "b0"}}}));
  VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  page_->settingsChanged();
  EXPECT_EQ(aliases(), (std::vector<std::string>{"b0", "a1", "b3", "b1"}));
  EXPECT_FALSE(VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge));

  // A change list still waiting when the page writes back is merged by that write: news at the next look.
  advance(1000);
  VLConfig::shared().setValueOfKey(VLConfig::kSnippetsMirror,
                                   Json::array({{{"action", "add"}, {"content", "six"}, {"name", "b00"}}}));
  VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  list().selectRow(0);
  page_->deleteButtonClick();
  advance(200);
  page_->shownAlert()->okButtonClick();
  advance(200);
  page_->settingsChanged();
  EXPECT_EQ(aliases(), (std::vector<std::string>{"b00", "a1", "b3", "b1"}));
}

// A list longer than its frame, scrolled to cut a row at each edge, draws nothing outside that frame.
TEST_F(SnippetsTest, AScrolledListStaysInsideItsFrame) {
  for (int i = 0; i < 24; ++i) add("alias" + std::to_string(i), "text " + std::to_string(i));
  page_->reload();
  auto& scroll = list();
  ASSERT_GT(scroll.documentView()->frame().height(), scroll.contentSize().height + 60);
  EXPECT_EQ(test::pixelsChangedOutsideWhenScrolled(*window_, scroll, {0, 47}), 0);
}

TEST_F(SnippetsTest, GalleryOfThePageAndTheSheet) {
  test::DesktopPaintingScope painting;
  // The preferences window that will hold the page paints the themed background behind it.
  setBackgroundColorAssetKey(*window_, std::string("vellistoBackgroundColorSystem11"));
  add("sig", "Best regards,\nSam");
  add("addr", "1 Main Street\nSpringfield");
  add("tel", "555 0100");
  page_->reload();
  list().selectRow(1);
  EXPECT_EQ(test::writeGallery(*window_, "snippets-page").size(), 2u);
  list().rowDoubleClick();
  advance(200);
  const auto sheetPaths = test::writeGallery(*window_, "snippets-sheet");
  ASSERT_EQ(sheetPaths.size(), 2u);
  // Field text is as dark as the labels beside it, not a hairline face that reads as grey.
  auto probe = test::PixelProbe::fromPng(sheetPaths[0]);
  ASSERT_TRUE(probe);
  for (ui::View* field : {static_cast<ui::View*>(sheet()->aliasTextField().get()),
                          static_cast<ui::View*>(sheet()->snippetTextView().get())}) {
    const ui::Rect r = field->convertRectToView(field->bounds(), nullptr).insetBy(3, 3);
    const test::Pixel background = probe->at({r.maxX() - 1, r.minY() + 1});
    EXPECT_GT(probe->inkIn(r, background, 212).count, 0) << r.origin.x << "," << r.origin.y;
  }
  sheet()->setAlais(" ");
  sheet()->okButtonClick();
  EXPECT_EQ(test::writeGallery(*window_, "snippets-sheet-refused").size(), 2u);
}

}  // namespace
}  // namespace vl
