#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Main/preview/FileView.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Main/preview/SpaceControl.h"
#include "core/VLDevice.h"
#include "core/keys/LocalShortcutsManager.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Date.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"
#include "ui/alert/Alert.h"
#include "ui/panels/EscStack.h"

namespace vl {
namespace {

double at(const std::string& when) { return *date::parse(when, "yyyy-MM-dd HH:mm:ss"); }

std::shared_ptr<Alert> alertIn(ui::View& host) {
  for (const auto& v : host.subviews()) {
    if (auto a = std::dynamic_pointer_cast<Alert>(v)) return a;
  }
  return nullptr;
}

// The record list, the column beside it and the store under one private HOME.
class PreviewColumnTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    test::WidgetTest::SetUp();
    date::setDefaultTimeZone("UTC");
    LocalShortcutsManager::shared().removeAllReceiversForTesting();
    EscStack::shared().resetForTesting();
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    column_ = Complement::create();
    HintTableHooks hooks;
    hooks.preview = [this](const PreviewNotice& n) { column_->show(n); };
    hooks.clearPreview = [this] { column_->clear(); };
    hooks.previewOff = [] { return SpaceControl::shared().previewOff(); };
    list_ = HintTable2::create(hooks);
    window_->setFrame({100, 100, 680, 420}, false);
    list_->setFrame({0, 0, SpaceControl::kListNarrow, 384});
    column_->setFrameOrigin({SpaceControl::kPreviewX, 0});
    add(list_);
    add(column_);
    PreviewColumnHooks columnHooks;
    columnHooks.list = [this] { return list_; };
    columnHooks.previewArea = [this] { return column_; };
    columnHooks.alertHost = [this] { return window_->contentView().get(); };
    columnHooks.pinTabIds = [this] { return tabs_; };
    PreviewColumnHooks::install(columnHooks);
  }
  void TearDown() override {
    PreviewColumnHooks::install({});
    ContextualMenu::factory().resetForTesting();
    EscStack::shared().resetForTesting();
    list_.reset();
    column_.reset();
    VLEngine::resetForTesting();
    date::setDefaultTimeZone("");
    test::WidgetTest::TearDown();
  }

  // Stores the records and lists them, newest first, with the first one selected.
  void show(const std::vector<std::pair<std::string, std::optional<Json>>>& records) {
    DisplayRows rows;
    for (const auto& [text, json] : records) {
      VLEngine::shared().append(text, std::nullopt, json, kClipboardPinTabId);
      auto row = DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont());
      row->setJson(json);
      row->setTimestamp(clock_->now());
      rows.push_back(row);
    }
    list_->refreshDataSource(rows, false);
    list_->reload();
    select(0);
  }
  void select(long row) {
    list_->tableView()->multipleDeselect();
    list_->tableView()->selectRowIndexes(ui::IndexSet{row}, true);
    list_->update();
  }
  bool stored(const std::string& text) {
    return VLEngine::shared().getChunkByContext(text, std::nullopt, kClipboardPinTabId) != nullptr;
  }
  std::vector<std::string> listed() const {
    std::vector<std::string> out;
    for (const auto& r : list_->getDataSource()) out.push_back(r->string());
    return out;
  }
  std::string previewText() const { return column_->preview()->textView()->string(); }
  ui::View& host() { return *window_->contentView(); }
  void settle() { dispatch::MainLoop::advance(500); }

  std::shared_ptr<HintTable2> list_;
  std::shared_ptr<Complement> column_;
  std::vector<std::string> tabs_{kClipboardPinTabId};
};

TEST_F(PreviewColumnTest, InfobarNamesTheDayOfTheCopy) {
  struct Case {
    const char* now;
    const char* copied;
    std::string shown;
  };
  // 2026-12-10 is a Thursday; 2026-12-13 a Sunday, whose week starts that day.
  const std::vector<Case> cases = {
      {"2026-12-10 15:30:00", "2026-12-10 09:05:03", "Today 09:05:03"},
      {"2026-12-10 15:30:00", "2026-12-10 00:00:00", "Today 00:00:00"},
      {"2026-12-10 15:30:00", "2026-12-09 23:59:59", "Yesterday"},
      {"2026-12-10 15:30:00", "2026-12-09 00:00:00", "Yesterday"},
      {"2026-12-10 15:30:00", "2026-12-07 10:00:00", "Monday"},
      {"2026-12-10 15:30:00", "2026-12-06 00:00:00", "Sunday"},
      {"2026-12-10 15:30:00", "2026-12-05 23:59:59", "2026-12-05"},
      {"2026-12-10 15:30:00", "1999-01-02 08:00:00", "1999-01-02"},
      {"2026-12-13 08:00:00", "2026-12-12 08:00:00", "Yesterday"},
      {"2026-12-13 08:00:00", "2026-12-11 08:00:00", "2026-12-11"},
  };
  for (const Case& c : cases) {
    clock_->setNow(at(c.now));
    EXPECT_EQ(Infobar::timeString(at(c.copied)), c.shown) << c.now << " / " << c.copied;
  }
  EXPECT_EQ(Infobar::weekDayDesc(0), "");
  EXPECT_EQ(Infobar::weekDayDesc(8), "");

  clock_->setNow(at("2026-12-10 15:30:00"));
  const double copied = at("2026-12-10 09:05:03");
  const auto& bar = column_->infobar();
  bar->setTime(copied, Json{{"sync_device_id", "phone-1"}, {"sync_device_name", "Phone"}});
  EXPECT_TRUE(bar->info()->isHidden());
  EXPECT_EQ(bar->syncInfoView()->text(), "Synced from Phone Today 09:05:03");
  bar->setTime(copied, Json{{"sync_device_id", VLDevice::uuid()}, {"sync_device_name", "This one"}});
  EXPECT_TRUE(bar->syncInfoView()->isHidden());
  EXPECT_EQ(bar->info()->string(), "Copied Today 09:05:03");
}

// A row that is no record (the web search of the query, the tip of an empty pin tab) was never copied,
// has no name to give and nothing to delete: the column shows no copy time, no name field and no delete
// button for it, nor under an action's result that the thinking bar shows over it, and the delete press
// leaves it. The record shown next has all of them again.
TEST_F(PreviewColumnTest, ARowThatIsNoRecordShowsNothingOfARecord) {
  struct Case {
    const char* name;
    std::string text;
    Json json;
  };
  const std::vector<Case> cases = {
      {"web search", "Search the web for 'q'",
       Json{{"search", true}, {"custom_view", "EmbededWebview"}, {"search_context", "q"}}},
      {"pin tab tip", "Records you pin to \"Links\" show up here", Json{{"default_tip", "1"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VLEngine::shared().append("alpha", std::nullopt, std::nullopt, kClipboardPinTabId);
    // The tip is stored in its tab as a record is; the web-search row is only listed.
    if (c.json.contains("default_tip"))
      VLEngine::shared().append(c.text, std::nullopt, c.json, kClipboardPinTabId);
    DisplayRows rows;
    for (const auto& [text, json] : std::vector<std::pair<std::string, std::optional<Json>>>{
             {"alpha", std::nullopt}, {c.text, c.json}}) {
      rows.push_back(DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont()));
      rows.back()->setJson(json);
      rows.back()->setTimestamp(clock_->now());
    }
    list_->refreshDataSource(rows, false);
    list_->reload();
    select(0);
    const auto& toolbar = column_->toolbar();
    toolbar->aliasText()->setText("greet");
    select(1);
    const auto nothingOfARecord = [&](const char* when) {
      EXPECT_EQ(column_->infobar()->info()->string(), "") << when;
      EXPECT_TRUE(toolbar->aliasText()->isHidden()) << when;
      EXPECT_EQ(toolbar->aliasText()->text(), "") << when;
      EXPECT_TRUE(toolbar->delItemButton()->isHidden()) << when;
    };
    nothingOfARecord("chosen");
    toolbar->enableAlaisText(true);  // the program became active again
    EXPECT_FALSE(toolbar->aliasText()->isEnabled());
    // The thinking bar shows an action's result over the row, with the time it ran.
    column_->setText(ui::AttributedString("Q"), PreviewView2::kTextViewClass, false, clock_->now(),
                     Json::object());
    nothingOfARecord("under an action's result");
    EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("historyDel"));
    settle();
    EXPECT_EQ(listed(), (std::vector<std::string>{"alpha", c.text}));
    EXPECT_TRUE(stored("alpha"));
    if (c.json.contains("default_tip")) {
      EXPECT_NE(VLEngine::shared().getChunkByContext(c.text, c.json, kClipboardPinTabId), nullptr);
    }

    select(0);
    EXPECT_NE(column_->infobar()->info()->string(), "");
    EXPECT_FALSE(toolbar->aliasText()->isHidden());
    EXPECT_TRUE(toolbar->aliasText()->isEnabled());
    EXPECT_FALSE(toolbar->delItemButton()->isHidden());
    EXPECT_TRUE(toolbar->delItemButton()->enabled());
  }
}

TEST_F(PreviewColumnTest, AliasEditsGoToTheStoreAsTyped) {
  show({{"alpha", std::nullopt}, {"beta", std::nullopt}});
  const auto& bar = column_->toolbar();
  auto aliasOf = [](const std::string& text) {
    auto c = VLEngine::shared().getChunkByContext(text, std::nullopt, kClipboardPinTabId);
    return c && c->alias() ? *c->alias() : std::string("<none>");
  };
  struct Case {
    long row;
    std::string typed;
    std::string alphaAlias, betaAlias;
  };
  // An empty alias leaves the name; a blank one and another record's name are names like any other.
  const std::vector<Case> cases = {
      {0, "greet", "greet", "<none>"}, {0, "", "greet", "<none>"},
      {0, " ", " ", "<none>"},         {1, " ", " ", " "},
      {1, "bye", " ", "bye"},          {0, "bye", "bye", "bye"},
  };
  for (const Case& c : cases) {
    select(c.row);
    bar->aliasText()->setText(c.typed);
    bar->textFieldDidChangeText(*bar->aliasText(), c.typed);
    EXPECT_EQ(aliasOf("alpha"), c.alphaAlias) << c.typed;
    EXPECT_EQ(aliasOf("beta"), c.betaAlias) << c.typed;
  }
  EXPECT_EQ(ui::beepCount(), 0u);
  EXPECT_EQ(VLEngine::shared().getHasAliasChunks().size(), 2u);
  select(1);
  EXPECT_EQ(bar->aliasText()->text(), "bye");
}

TEST_F(PreviewColumnTest, DeletingTakesTheRecordsFromTheStoreAtOnce) {
  for (const bool fromMenu : {false, true}) {
    const std::string tag = fromMenu ? "menu" : "toolbar";
    const std::string one = tag + " one", two = tag + " two", three = tag + " three";
    show({{one, std::nullopt}, {two, std::nullopt}, {three, std::nullopt}});
    select(1);
    if (fromMenu) {
      EXPECT_TRUE(ContextualMenu::factory().getHintTableMenu()->performActionForItemAtIndex(1)) << tag;
    } else {
      column_->toolbar()->delItemButton()->getButtonControl()->performClick();
    }
    settle();
    EXPECT_EQ(alertIn(host()), nullptr) << tag << ": nothing asks first";
    EXPECT_FALSE(stored(two)) << tag;
    EXPECT_EQ(listed(), std::vector<std::string>({one, three})) << tag;
    EXPECT_EQ(previewText(), three) << tag;
    EXPECT_TRUE(stored(one) && stored(three)) << tag;
  }

  // The delete shortcut takes every selected row, with the search field kept from editing meanwhile.
  std::vector<bool> editable;
  PreviewColumnHooks hooks = PreviewColumnHooks::current();
  hooks.setSearchEditable = [&](bool e) { editable.push_back(e); };
  PreviewColumnHooks::install(hooks);
  show({{"k1", std::nullopt}, {"k2", std::nullopt}, {"k3", std::nullopt}});
  list_->tableView()->selectRowIndexes(ui::IndexSet{2}, true);
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("historyDel"));
  EXPECT_EQ(editable, (std::vector<bool>{false, true}));
  settle();
  EXPECT_EQ(listed(), std::vector<std::string>{"k2"});
  EXPECT_FALSE(stored("k1") || stored("k3"));

  // The last record gone, nothing is left to preview.
  show({{"only", std::nullopt}});
  column_->toolbar()->setAlias("kept");
  column_->toolbar()->delItem();
  settle();
  EXPECT_FALSE(stored("only"));
  EXPECT_EQ(previewText(), "");
  EXPECT_EQ(column_->toolbar()->aliasText()->text(), "");
}

TEST_F(PreviewColumnTest, PreviewSwitchSlidesTheListEdge) {
  std::vector<Json> posted;
  auto observer = VLNotificationCenter::addObserver(
      this, [&](const Notification& n) { posted.push_back(n.userInfo); },
      "kNotificationChunkContentModeDidChange");
  SpaceControl& control = SpaceControl::shared();
  control.resetForTesting();
  ASSERT_FALSE(control.previewOff());
  control.setPreviewOff(false);
  EXPECT_TRUE(posted.empty());

  struct Case {
    bool off;
    double listWidth, previewX;
  };
  for (const Case& c : std::vector<Case>{{true, 676, 680}, {false, 340, 344}}) {
    control.setPreviewOff(c.off);
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), (Json{{"isFull", c.off}}));
    dispatch::MainLoop::advance(100);
    const double midway = list_->layer()->presentationSize().width;
    EXPECT_GT(midway, 340 + 10) << c.off;
    EXPECT_LT(midway, 676 - 10) << c.off;
    dispatch::MainLoop::advance(150);
    EXPECT_EQ(list_->frame().width(), c.listWidth);
    EXPECT_EQ(column_->frame().minX(), c.previewX);
    EXPECT_EQ(list_->scroller()->frame().minX(), c.listWidth);
    EXPECT_EQ(UserDefaults::standard().boolValue("preview_off"), c.off);
  }
  EXPECT_EQ(posted.size(), 2u);
  VLNotificationCenter::removeObserver(this);
  (void)observer;
}

TEST_F(PreviewColumnTest, PreviewPicksTheViewForEachKind) {
  struct Case {
    const char* name;
    std::optional<Json> json;
    const char* docClass;
  };
  const std::vector<Case> cases = {
      {"plain text", std::nullopt, "TextView"},
      {"file", Json{{"custom_view", "FileView"}, {"file", "file:///home/u/report.pdf"}}, "FileView"},
      {"permission", Json{{"system", "PermissionView"}}, "PermissionView"},
      {"empty", Json{{"system", "EmptyView"}}, "EmptyView"},
      {"unknown class", Json{{"custom_view", "NoSuchView"}}, "TextView"},
      {"second file", Json{{"custom_view", "FileView"}, {"file", "file:///home/u/b.png"}}, "FileView"},
  };
  std::shared_ptr<ui::View> firstFileView;
  for (const Case& c : cases) {
    show({{c.name, c.json}});
    const auto doc = column_->preview()->documentView();
    ASSERT_NE(doc, nullptr) << c.name;
    EXPECT_EQ(doc->className(), c.docClass) << c.name;
    if (std::string(c.docClass) == "TextView") {
      EXPECT_EQ(previewText(), c.name);
    }
    if (auto file = std::dynamic_pointer_cast<FileView>(doc)) {
      if (!firstFileView) firstFileView = file;
      EXPECT_EQ(file, firstFileView) << "one file view serves every file record";
      EXPECT_TRUE(file->label()->string().starts_with(std::string(c.name) == "file" ? "report.pdf" : "b.png"))
          << file->label()->string();
    }
  }
  EXPECT_TRUE(test::logContains("NoSuchView"));

  // A match far down the text scrolls into view; one near the top does not.
  for (const long line : {25L, 40L}) {
    std::string text;
    for (long i = 0; i < 60; ++i) text += (i == line ? "needle" : "line " + std::to_string(i)) + "\n";
    auto row = DisplayAttributedString::resultRow(text, {Range(text.find("needle"), 6)}, VLFont::mainFont());
    list_->refreshDataSource({row}, false);
    list_->reload();
    select(0);
    EXPECT_EQ(column_->preview()->calcGlyphsIndexOfFirstHighlighted(previewTextOf(*row)), line);
    EXPECT_EQ(column_->preview()->documentVisibleRect().minY() > 0, line >= 26) << line;
  }
}

TEST_F(PreviewColumnTest, WhileAPanelIsUpTheColumnOnlyShowsTheArrow) {
  show({{"text", std::nullopt}});
  const auto& preview = column_->preview();
  preview->setSelection(false);
  EXPECT_EQ(preview->cursorView()->superview(), column_.get());
  EXPECT_EQ(preview->cursorView()->frame(), column_->bounds());
  EXPECT_EQ(preview->cursorView()->menuForEvent(ui::Event()), nullptr);
  EXPECT_FALSE(preview->textView()->isSelectable());
  preview->setSelection(true);
  EXPECT_EQ(preview->cursorView()->superview(), nullptr);
  EXPECT_TRUE(preview->textView()->isSelectable());
}

TEST_F(PreviewColumnTest, PinTabMenusOfferTheMovesTheirPlaceAllows) {
  struct Case {
    std::vector<std::string> tabs;
    std::string tab;
    bool forward, backward;
  };
  const std::vector<Case> cases = {
      {{kClipboardPinTabId, "a", "b", "c"}, "a", false, true},
      {{kClipboardPinTabId, "a", "b", "c"}, "b", true, true},
      {{kClipboardPinTabId, "a", "b", "c"}, "c", true, false},
      {{kClipboardPinTabId, "a"}, "a", false, false},
  };
  for (const Case& c : cases) {
    tabs_ = c.tabs;
    auto menu = ContextualMenu::factory().getPinTabMenu(c.tab);
    EXPECT_EQ(menu->title(), c.tab);
    EXPECT_EQ(menu->itemWithTitle("Move left") != nullptr, c.forward) << c.tab;
    EXPECT_EQ(menu->itemWithTitle("Move right") != nullptr, c.backward) << c.tab;
    // Without a move to offer, no separator is left hanging under the last row.
    EXPECT_FALSE(menu->shownItems().back()->isSeparatorItem()) << c.tab;
  }

  // With the clipboard tab alone, pinning explains itself; Escape closes the explanation.
  tabs_ = {kClipboardPinTabId};
  show({{"one", std::nullopt}});
  ContextualMenu::factory().getHintTableMenu()->performActionForItemAtIndex(0);
  settle();
  ASSERT_NE(alertIn(host()), nullptr);
  EscStack::shared().pop(false);
  settle();
  EXPECT_EQ(alertIn(host()), nullptr);
}

}  // namespace
}  // namespace vl
