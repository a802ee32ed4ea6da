#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/search/DisplayAttributedString.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/ui/view/Event.h"
#include "think/ThinkTestSupport.h"
#include "think/bar/ThinkingBar.h"

namespace vl::test {
namespace {

// What the bar reads and tells, in place of the main window.
struct FakeWindow {
  std::optional<std::string> search;
  std::shared_ptr<DisplayAttributedString> row;
  std::vector<std::string> previews;  // "<text>|<view class>"
  int listStashed = 0;
  int aliasEnded = 0;
  bool panel = false;

  ThinkingBar::Host host() {
    ThinkingBar::Host h;
    h.searchText = [this] { return search; };
    h.selectedRow = [this] { return row; };
    h.stashList = [this] { ++listStashed; };
    h.preview = [this](const std::optional<ui::AttributedString>& text, const std::string& cls, const Json&) {
      previews.push_back((text ? text->string() : "<nil>") + "|" + cls);
    };
    h.endAliasEditing = [this] { ++aliasEnded; };
    h.blocked = [this] { return panel; };
    return h;
  }
  void select(const std::string& text) { row = DisplayAttributedString::initWithString(text); }
};

class ThinkingBarTest : public ThinkTest {
 protected:
  void SetUp() override {
    ThinkTest::SetUp();
    LocalShortcutsManager::shared().removeAllReceiversForTesting();
    bar_ = ThinkingBar::create(window_.host());
    add(bar_);
  }
  void TearDown() override {
    bar_.reset();
    LocalShortcutsManager::shared().removeAllReceiversForTesting();
    ThinkTest::TearDown();
  }
  // Thirteen digits offer three actions: 1700000000k, the hours, the local time.
  void threeButtons() {
    window_.select("1700000000000");
    bar_->refresh();
    ASSERT_EQ(bar_->actionButtons().size(), 3u);
  }
  std::vector<bool> highlighted() const {
    std::vector<bool> out;
    for (const auto& b : bar_->actionButtons()) out.push_back(b->highlighted());
    return out;
  }
  bool offer(const std::string& name) { return LocalShortcutsManager::shared().offerShortcutKey(name); }

  FakeWindow window_;
  std::shared_ptr<ThinkingBar> bar_;
};

TEST_F(ThinkingBarTest, OneButtonPerActionEachWithItsPress) {
  bar_->refresh();
  ASSERT_EQ(bar_->actionButtons().size(), 1u);
  EXPECT_EQ(bar_->actionButtons()[0]->title(), "No predict action  Ctrl+1");

  threeButtons();
  const auto& buttons = bar_->actionButtons();
  EXPECT_EQ(buttons[0]->title(), "1700000000k  Ctrl+1");
  EXPECT_EQ(buttons[2]->title(), "2023-11-15 06:13:20  Ctrl+3");
  double x = 10;
  for (const auto& b : buttons) {
    EXPECT_DOUBLE_EQ(b->frame().minX(), x);
    EXPECT_DOUBLE_EQ(b->frame().minY(), 6);
    EXPECT_DOUBLE_EQ(b->frame().height(), 25);
    x = b->frame().maxX() + 10;
  }
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(bar_->isActive());
}

// The tip of an empty pin tab is no text of the user's: nothing is offered for it (its length, its
// MD5), as for no row at all.
TEST_F(ThinkingBarTest, ATabsTipOffersNoActionOnItsText) {
  window_.select("Records you pin to \"Links\" show up here");
  window_.row->setJson(Json{{"default_tip", "1"}});
  bar_->refresh();
  ASSERT_EQ(bar_->actionButtons().size(), 1u);
  EXPECT_EQ(bar_->actionButtons()[0]->title(), "No predict action  Ctrl+1");
}

TEST_F(ThinkingBarTest, KeysMoveTheSelectionOnlyWhileTheBarHoldsTheKeyboardAndWrapAround) {
  threeButtons();
  EXPECT_FALSE(offer("searchInputEnd"));  // the search field keeps its arrows
  bar_->popStash();
  EXPECT_TRUE(bar_->isActive());
  EXPECT_EQ(window_.aliasEnded, 1);
  EXPECT_EQ(highlighted(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(window_.previews.back(), "1700000000k|NSTextView");
  struct Step {
    const char* name;
    std::int64_t selected;
  };
  for (const Step& step : {Step{"searchInputAhead", 2}, Step{"searchInputAhead", 1},
                           Step{"searchInputEnd", 2}, Step{"searchInputEnd", 0}, Step{"searchInputEnd", 1}}) {
    SCOPED_TRACE(step.name);
    EXPECT_TRUE(offer(step.name));
    EXPECT_EQ(bar_->selectedItem(), step.selected);
    const std::vector<bool> lit = highlighted();
    EXPECT_EQ(std::count(lit.begin(), lit.end(), true), 1);
  }
  EXPECT_EQ(window_.previews.back(), "472222222.2 hours|NSTextView");

  // Back to the list: the selection is kept unseen, and comes back with the keyboard.
  bar_->stash();
  EXPECT_FALSE(bar_->isActive());
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(bar_->stashSelectedIndex(), 1);
  EXPECT_FALSE(offer("searchInputEnd"));
  bar_->popStash();
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, true, false}));

  // A refresh starts over.
  bar_->refresh();
  EXPECT_FALSE(bar_->isActive());
  EXPECT_EQ(bar_->stashSelectedIndex(), 0);
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, false, false}));
}

TEST_F(ThinkingBarTest, PressesRunTheirActionWhetherOrNotTheBarHoldsTheKeyboard) {
  Pasteboard::general()->setString("kept");
  threeButtons();
  EXPECT_TRUE(offer("thinkingBarSelect5"));  // no fifth button: handled, nothing runs
  EXPECT_EQ(clipboard(), "kept");
  EXPECT_TRUE(keys_->postedKeys().empty());
  EXPECT_TRUE(offer("thinkingBarSelect1"));
  EXPECT_EQ(clipboard(), "1700000000k");
  EXPECT_TRUE(pasted());

  keys_->clearPostedKeys();
  window_.panel = true;
  EXPECT_FALSE(offer("thinkingBarSelect2"));
  EXPECT_TRUE(keys_->postedKeys().empty());
}

TEST_F(ThinkingBarTest, TheFirstClickSelectsAndTheSecondRuns) {
  Pasteboard::general()->setString("kept");
  threeButtons();
  bar_->actionButtons()[1]->click();
  EXPECT_TRUE(bar_->isActive());
  EXPECT_EQ(window_.listStashed, 1);
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(clipboard(), "kept");
  // Return in the search field runs the selection too, as the window asks the bar.
  bar_->actionButtons()[1]->click();
  EXPECT_EQ(clipboard(), "472222222.2 hours");
  EXPECT_TRUE(pasted());

  // While a panel covers the window, clicks are dropped.
  window_.panel = true;
  bar_->refresh();
  bar_->actionButtons()[0]->click();
  EXPECT_EQ(highlighted(), (std::vector<bool>{false, false, false}));
}

TEST_F(ThinkingBarTest, TheWheelMovesTheRowAtMostOneStepPerTenthOfASecond) {
  threeButtons();
  bar_->setFrameSize({200, ThinkingBar::kHeight});
  const double end = bar_->actionButtons().back()->frame().maxX();
  ASSERT_GT(end, 200);
  const auto wheel = [&](double dx, double dy) {
    bar_->scrollView()->scrollWheel(ui::Event::scrollEvent({100, 20}, dx, dy));
    return bar_->scrollVisibleRect().minX();
  };
  clock_->advanceMs(1000);
  EXPECT_EQ(wheel(0, 1), 0);    // a wheel up at the start stays there
  EXPECT_EQ(wheel(0, -1), 60);  // a vertical wheel down moves towards the end
  EXPECT_EQ(wheel(0, -1), 60);  // the same direction within 0.1 s: once
  clock_->advanceMs(200);
  EXPECT_EQ(wheel(-1, 0), 120);  // a horizontal wheel the same way
  clock_->advanceMs(200);
  for (int i = 0; i < 20; ++i, clock_->advanceMs(200)) wheel(0, -1);
  // It stops once the last button is in view, never past the end of the row.
  const double last = bar_->scrollVisibleRect().minX();
  EXPECT_GE(bar_->scrollVisibleRect().maxX(), end);
  EXPECT_LE(last, end + 10 - 200);
  EXPECT_EQ(wheel(0, -1), last);
  EXPECT_EQ(wheel(1, 0), last - 60);

  // After a wheel move a selection leaves the row where it is; after a key move it scrolls into view.
  bar_->popStash();
  EXPECT_EQ(bar_->scrollVisibleRect().minX(), last - 60);
  EXPECT_TRUE(offer("searchInputAhead"));  // wraps to the last button
  EXPECT_GE(bar_->scrollVisibleRect().maxX(), end);
  EXPECT_TRUE(offer("searchInputEnd"));  // back to the first
  EXPECT_EQ(bar_->scrollVisibleRect().minX(), 0);
}

TEST_F(ThinkingBarTest, ARefreshFromAnotherThreadIsPostedNotWaitedFor) {
  window_.select("camelCaseName");
  // The main thread runs nothing until the thread is joined: a refresh that waited would never end.
  std::thread([bar = bar_] { bar->refresh(); }).join();
  EXPECT_TRUE(bar_->actionButtons().empty());
  dispatch::MainLoop::runUntilIdle();
  ASSERT_EQ(bar_->actionButtons().size(), 1u);
  EXPECT_EQ(bar_->actionButtons()[0]->title(), "CAMEL_CASE_NAME  Ctrl+1");
}

// A dictionary whose answer arrives later, when the test says so.
class LateDictionary final : public SystemDictionary {
 public:
  DictionaryAnswer lookUp(const std::string& word, std::function<void()> arrived) override {
    if (known) return {DictionaryAnswer::State::Found, "apple n 1: fruit with red or yellow skin"};
    if (arrived) waiting.push_back(std::move(arrived));
    (void)word;
    return {DictionaryAnswer::State::Pending, {}};
  }
  void arrive() {
    known = true;
    for (auto& w : waiting) dispatch::Queue::main()->async(std::move(w));
    waiting.clear();
  }
  bool known = false;
  std::vector<std::function<void()>> waiting;
};

TEST_F(ThinkingBarTest, ADefinitionThatArrivesLaterJoinsTheRow) {
  auto dictionary = std::make_shared<LateDictionary>();
  SystemDictionary::install(dictionary);
  window_.select("apple");
  bar_->refresh();
  ASSERT_EQ(bar_->actionButtons().size(), 1u);  // only the constant's name so far
  dictionary->arrive();
  dispatch::MainLoop::runUntilIdle();
  ASSERT_EQ(bar_->actionButtons().size(), 2u);
  EXPECT_EQ(bar_->actionButtons()[0]->title(), "apple n 1: fruit with  Ctrl+1");
  bar_->popStash();
  EXPECT_EQ(window_.previews.back(), "|TranslateView");
}

}  // namespace
}  // namespace vl::test
