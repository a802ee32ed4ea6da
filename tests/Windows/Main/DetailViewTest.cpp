#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/detail/DetailView.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/ui/view/Appearance.h"
#include "theme/VLFont.h"
#include "theme/VLThemeManager.h"
#include "ui/WidgetTestSupport.h"
#include "ui/panels/EscStack.h"

namespace vl {
namespace {

class DetailViewTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    test::WidgetTest::SetUp();
    EscStack::shared().resetForTesting();
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    host_ = ui::View::create({0, 0, 680, 420});
    add(host_);
    list_ = HintTable2::create({});
    PreviewColumnHooks hooks;
    hooks.list = [this] { return list_; };
    PreviewColumnHooks::install(hooks);
    detail_ = DetailView::create({0, 0, 680, 0});
  }
  void TearDown() override {
    PreviewColumnHooks::install({});
    EscStack::shared().resetForTesting();
    detail_.reset();
    list_.reset();
    VLEngine::resetForTesting();
    test::WidgetTest::TearDown();
  }
  // Stores the record and selects its row, with "needle" matched when the text has it.
  void select(const std::string& text, const std::optional<Json>& json) {
    VLEngine::shared().append(text, std::nullopt, json, kClipboardPinTabId);
    std::vector<Range> matches;
    if (auto at = text.find("needle"); at != std::string::npos) matches.emplace_back(at, 6);
    auto row = DisplayAttributedString::resultRow(text, matches, VLFont::mainFont());
    row->setJson(json);
    list_->refreshDataSource({row}, false);
    list_->reload();
    list_->tableView()->selectRowIndexes(ui::IndexSet{0}, false);
  }
  std::string shown() const { return detail_->textView()->string(); }

  std::shared_ptr<ui::View> host_;
  std::shared_ptr<HintTable2> list_;
  std::shared_ptr<DetailView> detail_;
};

TEST_F(DetailViewTest, SlidesUpLoadsTheTextAndSlidesAwayOnEscape) {
  select("plain words", std::nullopt);
  detail_->show(host_);
  EXPECT_TRUE(detail_->isShown());
  EXPECT_EQ(detail_->frame().height(), 420);
  dispatch::MainLoop::advance(150);
  EXPECT_EQ(shown(), "") << "the text waits for the slide to end";
  dispatch::MainLoop::advance(200);
  EXPECT_EQ(shown(), "plain words");
  EXPECT_EQ(detail_->findView()->frame().maxY(), 420) << "the find field sits on the top edge";

  std::weak_ptr<DetailView> weak = detail_;
  EscStack::shared().push([weak](bool) {
    if (auto d = weak.lock()) d->dismiss();
    return true;
  });
  EXPECT_TRUE(EscStack::shared().resolvedShortcutKey("esc"));
  EXPECT_FALSE(detail_->isShown());
  EXPECT_EQ(detail_->superview(), host_.get()) << "still sliding";
  dispatch::MainLoop::advance(350);
  EXPECT_EQ(detail_->superview(), nullptr);
}

TEST_F(DetailViewTest, ShowsRichTextThenHtmlThenThePlainTextAtTheLargerSize) {
  const std::string rtf = R"({\rtf1\ansi{\fonttbl{\f0 Serif;}}\f0 Plain \b bold\b0\par})";
  struct Case {
    const char* name;
    Json json;
    std::string text;
    bool bold;
  };
  const std::vector<Case> cases = {
      {"rich text", Json{{"rich_text", rtf}, {"html", "<p>not this</p>"}}, "Plain bold\n", true},
      {"html", Json{{"html", "<p>Hi <b>there</b><img src=\"http://127.0.0.1:9/x.png\"></p>"}}, "Hi there",
       true},
      {"rich text that does not read", Json{{"rich_text", "plain, not rtf"}}, "row needle text", false},
      {"nothing but text", Json::object(), "row needle text", false},
  };
  for (const Case& c : cases) {
    detail_->showRecord(ui::AttributedString("row needle text"), c.json);
    EXPECT_EQ(shown(), c.text) << c.name;
    const auto& runs = detail_->textView()->textStorage().runs();
    const bool bold = std::any_of(runs.begin(), runs.end(), [](const auto& r) {
      return r.attributes.font && r.attributes.font->weight() >= ui::Font::WeightBold;
    });
    EXPECT_EQ(bold, c.bold) << c.name;
  }
  EXPECT_EQ(detail_->textView()->font().pointSize(), DetailView::kFontSize);

  // The text's own colours outlive a change to dark.
  detail_->showRecord({}, Json{{"rich_text", R"({\rtf1{\colortbl ;\red255\green0\blue0;}\cf1 red\par})"}});
  ui::SystemAppearance::shared().setDark(true);
  EXPECT_EQ(detail_->textView()->textStorage().attributesAt(0).foregroundColor, ui::Color::rgba(1, 0, 0, 1));
  ui::SystemAppearance::shared().setDark(false);

  // The row's text keeps its matches but not the list's smaller font.
  select("one needle here", std::nullopt);
  detail_->loadText();
  const auto& storage = detail_->textView()->textStorage();
  EXPECT_TRUE(storage.attributesAt(4).hasBackground());
  for (const auto& run : storage.runs()) EXPECT_FALSE(run.attributes.font);

  // Its themed colours follow a change to dark, as the view's own colour does: light text on the dark
  // background, never the light theme's dark text.
  auto themed = [&](std::size_t at) {
    const ui::TextAttributes a = detail_->textView()->textStorage().attributesAt(at);
    return std::make_pair(a.foregroundColor, a.backgroundColor);
  };
  auto theme = [](const char* text, const char* background) {
    return std::make_pair(VLThemeManager::shared().colorForKey(text),
                          VLThemeManager::shared().colorForKey(background));
  };
  const auto lightText = theme("fontNormalColor", "recordMatchedColor");
  EXPECT_EQ(themed(0).first, lightText.first);
  ui::SystemAppearance::shared().setDark(true);
  const auto darkText = theme("fontNormalColor", "recordMatchedColor");
  ASSERT_NE(darkText.first, lightText.first);
  EXPECT_EQ(themed(0).first, darkText.first);
  EXPECT_EQ(themed(4).second, darkText.second);
  ui::SystemAppearance::shared().setDark(false);
  EXPECT_EQ(themed(0).first, lightText.first);
}

TEST_F(DetailViewTest, FindMatchesLiterallyAnyCaseAndWrapsBothWays) {
  detail_->showRecord(ui::AttributedString("a.b xx A.B axb a.b"), std::nullopt);
  detail_->shouldFindText("a.b");
  ASSERT_EQ(detail_->matches(), (std::vector<Range>{{0, 3}, {7, 3}, {15, 3}}));
  EXPECT_EQ(detail_->textView()->highlightedRange(), Range(0, 3));
  struct Step {
    bool forward;
    std::size_t at;
  };
  for (const Step& s : {Step{true, 1}, Step{true, 2}, Step{true, 0}, Step{false, 2}, Step{false, 1}}) {
    detail_->findNext(s.forward);
    EXPECT_EQ(detail_->currentMatch(), s.at);
    EXPECT_EQ(detail_->textView()->highlightedRange(), detail_->matches()[s.at]);
  }
  detail_->shouldFindText("zzz");
  EXPECT_TRUE(detail_->matches().empty());
  EXPECT_FALSE(detail_->textView()->highlightedRange().found());
  detail_->findNext(true);
  EXPECT_EQ(shown(), "a.b xx A.B axb a.b");
}

// Ctrl+F and words typed at once after the view was asked for: the search that ran while it slid in
// found no text yet, so the words are looked for again once the record's text is there.
TEST_F(DetailViewTest, WordsTypedWhileTheViewSlidesInAreFoundInTheRecord) {
  select("a needle, another needle", std::nullopt);
  detail_->show(host_);
  detail_->showFind();
  auto field = detail_->findView()->textField();
  field->setStringValue("needle");
  detail_->findView()->controlTextDidChange(*field);
  dispatch::MainLoop::advance(250);
  EXPECT_EQ(shown(), "") << "the text waits for the slide to end";
  EXPECT_TRUE(detail_->matches().empty());
  dispatch::MainLoop::advance(100);
  EXPECT_EQ(shown(), "a needle, another needle");
  EXPECT_EQ(detail_->matches().size(), 2u);
}

TEST_F(DetailViewTest, TypingQuicklySearchesOnceAfterThePause) {
  struct Counting : FindViewDelegate {
    std::vector<std::string> searched;
    int moves = 0;
    bool shouldFindText(const std::string& text) override {
      searched.push_back(text);
      return true;
    }
    bool findNext(bool) override { return ++moves > 0; }
  };
  auto counting = std::make_shared<Counting>();
  auto find = detail_->findView();
  find->setDelegage(counting);
  for (const char* typed : {"n", "ne", "nee"}) {
    find->textField()->setStringValue(typed);
    find->controlTextDidChange(*find->textField());
    dispatch::MainLoop::advance(100);
  }
  EXPECT_TRUE(counting->searched.empty());
  dispatch::MainLoop::advance(150);
  EXPECT_EQ(counting->searched, std::vector<std::string>{"nee"});

  // Return right after typing searches at once instead of moving through stale matches.
  find->textField()->setStringValue("need");
  find->controlTextDidChange(*find->textField());
  ui::TextView editor;
  EXPECT_TRUE(find->controlTextViewDoCommandBySelector(*find->textField(), editor, "insertNewline:"));
  EXPECT_EQ(counting->searched.back(), "need");
  EXPECT_EQ(counting->moves, 0);
  EXPECT_TRUE(find->controlTextViewDoCommandBySelector(*find->textField(), editor, "insertNewline:"));
  EXPECT_EQ(counting->moves, 1);
  dispatch::MainLoop::advance(300);
  EXPECT_EQ(counting->searched.size(), 2u);
}

}  // namespace
}  // namespace vl
