#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/EventDriver.h"

namespace vl::ui {
namespace {

class TextJournal : public TextViewDelegate {
 public:
  void textDidBeginEditing(TextView&) override { events.push_back("begin"); }
  void textDidChange(TextView& v) override { events.push_back("change:" + v.string()); }
  void textDidEndEditing(TextView&) override { events.push_back("end"); }
  bool textViewDoCommandBySelector(TextView&, const std::string& c) override {
    commands.push_back(c);
    return false;
  }
  bool textViewShouldChangeTextInRange(TextView&, Range, const std::string& replacement) override {
    return replacement.find('#') == std::string::npos;
  }
  std::vector<std::string> events;
  std::vector<std::string> commands;
};

class TextViewTest : public test::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    view_ = TextView::create({0, 0, 200, 100});
    view_->setFont(Font::systemFont(10));
    journal_ = std::make_shared<TextJournal>();
    view_->setDelegate(journal_);
    add(view_);
    ASSERT_TRUE(window_->makeFirstResponder(view_.get()));
  }
  void command(const std::string& c) { view_->doCommandBySelector(c); }

  std::shared_ptr<TextView> view_;
  std::shared_ptr<TextJournal> journal_;
  EventDriver keys_;
};

TEST_F(TextViewTest, EditingCommandsTable) {
  struct Step {
    const char* command;
    const char* text;  // after the command
    Range selection;
  };
  view_->setString("ab\ncd");
  view_->setSelectedRange({4, 0});  // between c and d
  const Step steps[] = {
      {"moveToBeginningOfLine:", "ab\ncd", {3, 0}},
      {"moveUp:", "ab\ncd", {0, 0}},
      {"moveToEndOfLine:", "ab\ncd", {2, 0}},
      {"moveRight:", "ab\ncd", {3, 0}},
      {"deleteBackward:", "abcd", {2, 0}},
      {"insertNewline:", "ab\ncd", {3, 0}},
      {"deleteForward:", "ab\nd", {3, 0}},
      {"moveToEndOfDocument:", "ab\nd", {4, 0}},
      {"moveLeftAndModifySelection:", "ab\nd", {3, 1}},
      {"moveUpAndModifySelection:", "ab\nd", {0, 4}},
      {"moveLeft:", "ab\nd", {0, 0}},  // collapses to the start
      {"moveDown:", "ab\nd", {3, 0}},
      {"deleteToBeginningOfLine:", "ab\nd", {3, 0}},  // nothing before the caret on its line
      {"selectAll:", "ab\nd", {0, 4}},
      {"deleteBackward:", "", {0, 0}},
      {"deleteBackward:", "", {0, 0}},  // at the start: nothing
  };
  for (const auto& s : steps) {
    command(s.command);
    EXPECT_EQ(view_->string(), s.text) << s.command;
    EXPECT_EQ(view_->selectedRange(), s.selection) << s.command;
  }
}

TEST_F(TextViewTest, WordDeletionFollowsWordBreaksNotOnlySpaces) {
  struct Case {
    const char* text;  // the caret at its end
    const char* after;
  };
  const Case cases[] = {
      {"hello world", "hello "},
      {"hello world  ", "hello "},  // the blanks go with the word before them
      {"a, b", "a, "},
      {"tab\tword", "tab\t"},
      {"\xE4\xBD\xA0\xE5\xA5\xBD", ""},  // one two-character word
      {"x \xF0\x9F\x98\x80", "x "},      // an emoji is a segment of its own
      {"   ", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    view_->setString(c.text);
    view_->setSelectedRange({view_->string().size() + 10, 0});  // clamped to the end
    command("deleteWordBackward:");
    EXPECT_EQ(view_->string(), c.after) << c.text;
  }
  // A selection is deleted whole, and the caret in the middle deletes only what is before it.
  view_->setString("one two three");
  view_->setSelectedRange({4, 3});
  command("deleteWordBackward:");
  EXPECT_EQ(view_->string(), "one  three");
  view_->setSelectedRange({5, 0});
  command("deleteWordBackward:");
  EXPECT_EQ(view_->string(), "three");
}

TEST_F(TextViewTest, KeysBecomeCommandsOfferedToTheDelegate) {
  keys_.typeText("a#b");  // the delegate refuses the "#"
  keys_.typeKey(KeyCode::Return);
  keys_.typeKey(KeyCode::Tab);
  keys_.typeKey(KeyCode::Delete);
  keys_.typeKey(KeyCode::UpArrow, ModifierFlags::Shift);
  EXPECT_EQ(journal_->commands, (std::vector<std::string>{"insertNewline:", "insertTab:", "deleteBackward:",
                                                          "moveUpAndModifySelection:"}));
  EXPECT_EQ(view_->string(), "ab\n");
  EXPECT_EQ(journal_->events.front(), "begin");
  EXPECT_EQ(journal_->events.back(), "change:ab\n");
  // Escape is no text command: it goes up the chain to whoever cancels.
  auto closer = std::make_shared<test::ActionRecorder>();
  closer->accepts = {"cancelOperation:"};
  window_->contentView()->setNextResponder(closer);
  keys_.typeKey(KeyCode::Escape);
  EXPECT_EQ(closer->actions, (std::vector<std::string>{"cancelOperation:"}));
  // Command-arrows go to the line ends.
  view_->setString("first line\nsecond");
  view_->setSelectedRange({3, 0});
  keys_.typeKey(KeyCode::RightArrow, ModifierFlags::Command);
  EXPECT_EQ(view_->selectedRange(), (Range{10, 0}));
  keys_.typeKey(KeyCode::LeftArrow, ModifierFlags::Command);
  EXPECT_EQ(view_->selectedRange(), (Range{0, 0}));
  window_->makeFirstResponder(nullptr);
  EXPECT_EQ(journal_->events.back(), "end");
}

TEST_F(TextViewTest, SurrogatePairsMoveAndDeleteWhole) {
  view_->setString(
      "a\xF0\x9F\x98\x80"
      "b");
  view_->setSelectedRange({3, 0});
  command("moveLeft:");
  EXPECT_EQ(view_->selectedRange(), (Range{1, 0}));
  command("deleteForward:");
  EXPECT_EQ(view_->string(), "ab");
  view_->setSelectedRange({2, 1});  // inside nothing: clamped to the end
  EXPECT_EQ(view_->selectedRange(), (Range{2, 0}));
}

TEST_F(TextViewTest, TypingUndoesAsOneStepAndMovesEndIt) {
  keys_.typeText("abc");
  command("moveLeft:");
  keys_.typeText("X");
  EXPECT_EQ(view_->string(), "abXc");
  EXPECT_EQ(view_->undoManager().undoCount(), 2u);
  command("undo:");
  EXPECT_EQ(view_->string(), "abc");
  EXPECT_EQ(view_->selectedRange(), (Range{2, 0}));
  command("undo:");
  EXPECT_EQ(view_->string(), "");
  command("redo:");
  command("redo:");
  EXPECT_EQ(view_->string(), "abXc");
  command("undo:");
  keys_.typeText("Z");  // a new edit drops what could be redone
  EXPECT_FALSE(view_->undoManager().canRedo());
  // Undo and redo tell the delegate as any change does.
  EXPECT_EQ(journal_->events.back(), "change:abZc");
}

TEST_F(TextViewTest, ReadOnlyTextSelectsAndCopiesButNeverChanges) {
  view_->setString("read only");
  view_->setEditable(false);
  keys_.typeText("x");
  keys_.typeKey(KeyCode::A, ModifierFlags::Command);
  keys_.typeKey(KeyCode::C, ModifierFlags::Command);
  keys_.typeKey(KeyCode::V, ModifierFlags::Command);
  keys_.typeKey(KeyCode::Delete);
  EXPECT_EQ(view_->string(), "read only");
  EXPECT_EQ(TextPasteboard::current()->readString(), "read only");
  view_->setSelectable(false);
  EXPECT_FALSE(view_->acceptsFirstResponder());
}

TEST_F(TextViewTest, MouseSelectsWordsAndExtendsWithShift) {
  EventDriver mouse;
  view_->setString("aaaaa bbbb ccccc");
  Point origin = view_->textContainerOrigin();
  // The view is flipped at the window's bottom; the first line is at its top.
  auto at = [&](double x) { return view_->convertPointToView({origin.x + x, origin.y + 5}, nullptr); };
  mouse.click(window_, at(5.5 * 7), 0, 2);  // inside "bbbb"
  EXPECT_EQ(view_->selectedRange(), (Range{6, 4}));
  mouse.click(window_, at(1));
  mouse.click(window_, at(5.5 * 3 + 1), ModifierFlags::Shift);
  EXPECT_EQ(view_->selectedRange(), (Range{0, 3}));
}

TEST_F(TextViewTest, GrowsInItsScrollViewAndScrollsRangesIntoView) {
  auto scroll = ScrollView::create({0, 0, 200, 50});
  auto text = TextView::create();
  text->setFont(Font::systemFont(10));
  scroll->setDocumentView(text);
  add(scroll);
  EXPECT_DOUBLE_EQ(text->frame().size.width, 200);
  EXPECT_DOUBLE_EQ(text->frame().size.height, 50);  // at least the visible height
  std::string lines;
  for (int i = 0; i < 20; ++i) lines += "line " + std::to_string(i) + "\n";
  text->setString(lines);
  EXPECT_DOUBLE_EQ(text->frame().size.height, 21 * 12.5);
  std::size_t line15 = lines.find("line 15");
  text->scrollRangeToVisible({line15, 4});
  // Line 15 spans 187.5...200: the least scroll shows its bottom at the clip's bottom.
  EXPECT_DOUBLE_EQ(scroll->contentView()->bounds().origin.y, 200 - 50);
  text->scrollRangeToVisible({0, 1});
  EXPECT_DOUBLE_EQ(scroll->contentView()->bounds().origin.y, 0);
}

// A record of megabytes in a scroll view: showing it, scrolling to its end and drawing there lay out
// the lines in sight, not the whole text (which took minutes for ten megabytes).
TEST_F(TextViewTest, AHugeTextLaysOutWhatIsShown) {
  auto scroll = ScrollView::create({0, 0, 200, 100});
  auto text = TextView::create();
  text->setFont(Font::systemFont(10));
  scroll->setDocumentView(text);
  add(scroll);
  std::string lines;
  for (int i = 0; lines.size() < (4u << 20); ++i) lines += "line " + std::to_string(i) + " of the record\n";
  text->setString(lines);
  EXPECT_GT(text->frame().size.height, 100000);
  window_->display();
  EXPECT_FALSE(window_->displayList()
                   .filter([](const DrawCommand& c) { return c.kind == DrawCommand::Kind::DrawText; })
                   .empty());
  EXPECT_LE(text->layout().laidOutUnits(), 2 * BlockLayout::kBlockUnits);
  text->scrollRangeToVisible({text->textStorage().length() - 1, 1});
  window_->display();
  EXPECT_GT(scroll->contentView()->bounds().origin.y, 100000);
  EXPECT_LE(text->layout().laidOutUnits(), 5 * BlockLayout::kBlockUnits);
}

TEST_F(TextViewTest, MaximumLinesAndHighlightedRange) {
  view_->setMaximumNumberOfLines(1);
  view_->setString("one\ntwo\nthree");
  EXPECT_EQ(view_->layout().lineCount(), 1u);
  view_->setHighlightedRange({4, 3});
  view_->setHighlightColor(Color::rgb24(0xFFFF00));
  EXPECT_EQ(view_->highlightedRange(), (Range{4, 3}));
  view_->setMaximumNumberOfLines(0);
  window_->display();
  auto fills = window_->displayList().filter([](const DrawCommand& c) {
    return c.kind == DrawCommand::Kind::FillRect && c.color == Color::rgb24(0xFFFF00);
  });
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_DOUBLE_EQ(fills[0].rect.minY(), 12.5);  // the second line
}

// A found word is drawn again over its highlight, clipped to it, in an ink that reads there: dark on a
// yellow highlight even where the text is light (dark mode), white on a dark highlight.
TEST_F(TextViewTest, AHighlightedWordReadsOnItsHighlight) {
  struct Case {
    Color text, highlight, ink;
  };
  for (const Case& c : {Case{Color::rgb24(0xECECEE), Color::rgb24(0xFFE58F), Color::rgb24(0x1D1D1F)},
                        Case{Color::black(), Color::rgb24(0x203A70), Color::whiteColor()}}) {
    view_->setString("find the word here");
    view_->setTextColor(c.text);
    view_->setHighlightColor(c.highlight);
    view_->setHighlightedRange({9, 4});
    window_->display();
    const auto& steps = window_->displayList().commands();
    std::optional<Rect> clip;
    std::string inked;
    for (const auto& d : steps) {
      if (d.kind == DrawCommand::Kind::PushClip) clip = d.rect;
      if (d.kind == DrawCommand::Kind::PopClip) clip.reset();
      if (d.kind == DrawCommand::Kind::DrawText && d.color == c.ink && clip) inked += d.text;
    }
    EXPECT_NE(inked.find("word"), std::string::npos) << c.ink.description();
  }
}

// A run with a background of its own keeps a colour that reads on it, even after the view's text colour
// was set again (a change of look) and took the run's own colour away.
TEST_F(TextViewTest, TextOnItsOwnBackgroundStaysReadable) {
  AttributedString text("the match here");
  TextAttributes marked;
  marked.foregroundColor = Color::rgb24(0x1D1D1F);
  marked.backgroundColor = Color::rgb24(0xF2C94C);
  text.setAttributes(marked, {4, 5});
  view_->setAttributedString(text);
  view_->setTextColor(Color::rgb24(0xECECEE));  // as a change to dark does
  window_->display();
  for (const auto& d : window_->displayList().ofKind(DrawCommand::Kind::DrawText)) {
    if (d.text.find("match") == std::string::npos) continue;
    EXPECT_EQ(d.color, Color::rgb24(0x1D1D1F)) << d.text;
  }
}

TEST_F(TextViewTest, LinksAndStruckTextDrawWithTheirLines) {
  AttributedString text("go here now");
  TextAttributes link, struck;
  link.link = "https://example.org/";
  struck.strikethroughStyle = UnderlineStyle::Single;
  text.addAttributes(link, {3, 4});
  text.addAttributes(struck, {8, 3});
  view_->setAttributedString(text);
  window_->display();
  std::vector<std::string> drawn;
  for (const auto& c : window_->displayList().ofKind(DrawCommand::Kind::DrawText)) {
    drawn.push_back(c.text + (c.underline != UnderlineStyle::None ? " underline" : "") +
                    (c.strikethrough != UnderlineStyle::None ? " strike" : "") +
                    (c.color == view_->linkColor() ? " link-colour" : ""));
  }
  EXPECT_EQ(drawn, (std::vector<std::string>{"go ", "here underline link-colour", " ", "now strike"}));
}

}  // namespace
}  // namespace vl::ui
