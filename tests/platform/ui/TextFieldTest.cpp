#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/EventDriver.h"

namespace vl::ui {
namespace {

using test::ActionRecorder;

// Notes what a field tells its delegate; can answer commands.
class FieldJournal : public TextFieldDelegate {
 public:
  void controlTextDidBeginEditing(TextField&) override { events.push_back("begin"); }
  void controlTextDidChange(TextField& f) override { events.push_back("change:" + f.stringValue()); }
  void controlTextDidEndEditing(TextField& f) override { events.push_back("end:" + f.stringValue()); }
  bool controlTextViewDoCommandBySelector(TextField&, TextView& editor, const std::string& command) override {
    commands.push_back(command);
    editorSeen = &editor;
    return handled.count(command) > 0;
  }
  std::vector<std::string> events;
  std::vector<std::string> commands;
  std::set<std::string> handled;
  TextView* editorSeen = nullptr;
};

class TextFieldTest : public test::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    field_ = TextField::create({20, 20, 200, 24});
    journal_ = std::make_shared<FieldJournal>();
    field_->setDelegate(journal_);
    add(field_);
  }
  void focus() { ASSERT_TRUE(window_->makeFirstResponder(field_.get())); }

  std::shared_ptr<TextField> field_;
  std::shared_ptr<FieldJournal> journal_;
  EventDriver keys_;
};

TEST_F(TextFieldTest, TypedKeysReachTheDelegateOneChangeEach) {
  focus();
  field_->setStringValue("code");  // a value set by code tells no one
  EXPECT_EQ(field_->currentEditor()->string(), "code");
  EXPECT_TRUE(journal_->events.empty());
  field_->setStringValue("");
  keys_.typeText("Hi!");
  EXPECT_EQ(field_->stringValue(), "Hi!");
  EXPECT_EQ(journal_->events, (std::vector<std::string>{"begin", "change:H", "change:Hi", "change:Hi!"}));
  keys_.typeKey(KeyCode::Delete);
  EXPECT_EQ(journal_->events.back(), "change:Hi");
  // Leaving the field ends editing and keeps the text.
  window_->makeFirstResponder(nullptr);
  EXPECT_FALSE(field_->isEditing());
  EXPECT_EQ(journal_->events.back(), "end:Hi");
  EXPECT_EQ(field_->stringValue(), "Hi");
}

TEST_F(TextFieldTest, ReturnIsOfferedAsInsertNewlineThenSendsTheAction) {
  auto target = std::make_shared<ActionRecorder>();
  field_->setTarget(target);
  field_->setAction("enterPaste:");
  focus();
  keys_.typeText("ab");
  keys_.typeKey(KeyCode::Return);
  EXPECT_EQ(journal_->commands, (std::vector<std::string>{"insertNewline:"}));
  EXPECT_EQ(journal_->editorSeen, field_->currentEditor());
  EXPECT_EQ(target->actions, (std::vector<std::string>{"enterPaste:"}));
  EXPECT_EQ(target->senders.front(), field_.get());
  EXPECT_EQ(field_->stringValue(), "ab");  // no newline in a one-line field
  EXPECT_EQ(journal_->events.back(), "end:ab");
  // A delegate that takes Return keeps the action from being sent.
  journal_->handled.insert("insertNewline:");
  keys_.typeKey(KeyCode::Return);
  EXPECT_EQ(target->actions.size(), 1u);
}

TEST_F(TextFieldTest, ArrowsAndEscapeAreOfferedByName) {
  journal_->handled = {"moveUp:", "moveDown:"};
  focus();
  keys_.typeText("abc");
  keys_.typeKey(KeyCode::UpArrow);
  keys_.typeKey(KeyCode::DownArrow);
  keys_.typeKey(KeyCode::Escape);
  EXPECT_EQ(journal_->commands, (std::vector<std::string>{"moveUp:", "moveDown:", "cancelOperation:"}));
  // Handled moves did nothing: the caret is still at the end.
  EXPECT_EQ(field_->currentEditor()->selectedRange(), (Range{3, 0}));
}

TEST_F(TextFieldTest, CommandKeysSelectAllCopyPasteAndUndo) {
  focus();
  keys_.typeText("hello");
  keys_.typeKey(KeyCode::A, ModifierFlags::Command);
  EXPECT_EQ(field_->currentEditor()->selectedRange(), (Range{0, 5}));
  keys_.typeKey(KeyCode::C, ModifierFlags::Command);
  EXPECT_EQ(TextPasteboard::current()->readString(), "hello");
  keys_.typeKey(KeyCode::RightArrow);  // to the end
  keys_.typeKey(KeyCode::V, ModifierFlags::Command);
  EXPECT_EQ(field_->stringValue(), "hellohello");
  EXPECT_EQ(journal_->events.back(), "change:hellohello");
  keys_.typeKey(KeyCode::Z, ModifierFlags::Command);  // undoes the paste
  EXPECT_EQ(field_->stringValue(), "hello");
  keys_.typeKey(KeyCode::Z, ModifierFlags::Command);  // the typing was one step
  EXPECT_EQ(field_->stringValue(), "");
  keys_.typeKey(KeyCode::Z, ModifierFlags::Command | ModifierFlags::Shift);
  EXPECT_EQ(field_->stringValue(), "hello");
  keys_.typeKey(KeyCode::X, ModifierFlags::Command);  // nothing selected: nothing cut
  EXPECT_EQ(field_->stringValue(), "hello");
  keys_.typeKey(KeyCode::A, ModifierFlags::Command);
  keys_.typeKey(KeyCode::X, ModifierFlags::Command);
  EXPECT_EQ(field_->stringValue(), "");
  EXPECT_EQ(TextPasteboard::current()->readString(), "hello");
  // Pasted line ends become spaces in a one-line field.
  TextPasteboard::current()->writeString("one\r\ntwo\nthree");
  keys_.typeKey(KeyCode::V, ModifierFlags::Command);
  EXPECT_EQ(field_->stringValue(), "one two three");
}

// Lets digits through; anything else is refused with the alert sound, as an integer field wants.
class DigitsOnly : public Formatter {
 public:
  bool isPartialStringValid(const std::string& partial, std::string* suggestion, std::string*) override {
    std::string digits;
    for (char c : partial) {
      if (c >= '0' && c <= '9') digits += c;
    }
    if (digits == partial) return true;
    if (trimmed) *suggestion = digits;
    beep();
    return false;
  }
  bool trimmed = false;
};

TEST_F(TextFieldTest, TheFormatterSeesEveryEdit) {
  auto formatter = std::make_shared<DigitsOnly>();
  field_->setFormatter(formatter);
  focus();
  keys_.typeText("4a2");
  EXPECT_EQ(field_->stringValue(), "42");
  EXPECT_EQ(beepCount(), 1u);
  TextPasteboard::current()->writeString("7x");
  keys_.typeKey(KeyCode::V, ModifierFlags::Command);  // refused as a whole
  EXPECT_EQ(field_->stringValue(), "42");
  formatter->trimmed = true;  // a formatter may offer its own text instead
  keys_.typeKey(KeyCode::V, ModifierFlags::Command);
  EXPECT_EQ(field_->stringValue(), "427");
}

TEST_F(TextFieldTest, PlaceholderAndDisplayWhenNotEditing) {
  field_->setPlaceholderString("Search");
  window_->display();
  auto texts = window_->displayList().ofKind(DrawCommand::Kind::DrawText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Search");
  field_->setStringValue("abc");
  window_->display();
  EXPECT_EQ(window_->displayList().ofKind(DrawCommand::Kind::DrawText)[0].text, "abc");
}

TEST_F(TextFieldTest, ClickingFocusesAndPlacesTheCaret) {
  EventDriver mouse;
  field_->setStringValue("abcdef");
  // x 20 is the field's left edge; the editor pads its text by 2 points, each character is 7.15 points.
  mouse.click(window_, {20 + 2 + 7.15 * 2 + 1, 30});
  ASSERT_EQ(window_->firstResponder(), field_.get());
  EXPECT_EQ(field_->currentEditor()->selectedRange(), (Range{2, 0}));
  keys_.typeText("X");
  EXPECT_EQ(field_->stringValue(), "abXcdef");
}

TEST_F(TextFieldTest, ReadOnlyFieldsAnswerCommandKeysThemselves) {
  auto label = TextField::labelWithString("label");
  add(label);
  EXPECT_FALSE(label->acceptsFirstResponder());
  auto target = std::make_shared<ActionRecorder>();
  target->accepts = {"copy:"};
  window_->setNextResponder(target);  // nothing is first responder: the chain is the window and on
  keys_.typeKey(KeyCode::C, ModifierFlags::Command);  // not selectable: no answer of its own
  EXPECT_TRUE(target->actions.empty());
  label->setSelectable(true);
  keys_.typeKey(KeyCode::C, ModifierFlags::Command);
  EXPECT_EQ(target->actions, (std::vector<std::string>{"copy:"}));
  keys_.typeKey(KeyCode::Q, ModifierFlags::Command);  // outside the table: untouched
  EXPECT_EQ(target->actions.size(), 1u);
}

TEST_F(TextFieldTest, SecureFieldsShowBulletsAndNeverCopy) {
  auto secure = SecureTextField::create({20, 60, 200, 24});
  add(secure);
  ASSERT_TRUE(window_->makeFirstResponder(secure.get()));
  keys_.typeText("pw1");
  EXPECT_EQ(secure->stringValue(), "pw1");
  keys_.typeKey(KeyCode::A, ModifierFlags::Command);
  keys_.typeKey(KeyCode::C, ModifierFlags::Command);
  keys_.typeKey(KeyCode::X, ModifierFlags::Command);
  EXPECT_FALSE(TextPasteboard::current()->readString().has_value());
  EXPECT_EQ(secure->stringValue(), "pw1");
  window_->makeFirstResponder(nullptr);
  window_->display();
  bool sawBullets = false;
  for (const auto& c : window_->displayList().ofKind(DrawCommand::Kind::DrawText)) {
    EXPECT_EQ(c.text.find("pw"), std::string::npos);
    sawBullets = sawBullets || c.text == "\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2";
  }
  EXPECT_TRUE(sawBullets);
}

TEST_F(TextFieldTest, DisablingEndsEditingAndRefusesTheFocus) {
  focus();
  keys_.typeText("a");
  field_->setEnabled(false);
  EXPECT_FALSE(field_->isEditing());
  EXPECT_NE(window_->firstResponder(), field_.get());
  EXPECT_FALSE(window_->makeFirstResponder(field_.get()));
  EXPECT_EQ(field_->stringValue(), "a");
}

}  // namespace
}  // namespace vl::ui
