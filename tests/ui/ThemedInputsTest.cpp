#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "platform/ui/text/TextPasteboard.h"
#include "platform/ui/view/EventDriver.h"
#include "theme/VLThemeCategories.h"
#include "ui/VLScrollTextView.h"
#include "ui/VLTextField.h"

namespace vl {
namespace {

namespace KeyCode = ui::KeyCode;
namespace ModifierFlags = ui::ModifierFlags;

constexpr std::uint64_t kCtrl = ModifierFlags::Command;  // Ctrl on Linux carries the Command flag

class Changes : public VLTextFieldDelegate {
 public:
  void textFieldDidChangeText(VLTextField&, const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

class ThemedInputsTest : public test::WidgetTest {
 protected:
  std::shared_ptr<VLTextField> addField() {
    auto field = VLTextField::create({20, 200, 200, 30});
    add(field);
    return field;
  }
  ui::EventDriver driver_;
};

struct LookKeys {
  AssetKey border, background, text;
  double width;
};

LookKeys lookOf(VLTextField& field) {
  return {borderColorAssetKey(*field.layer()), backgroundColorAssetKey(*field.layer()),
          textColorAssetKey(*field.textField()), field.layer()->borderWidth()};
}

void expectLook(const LookKeys& actual, const LookKeys& expected, const char* when) {
  SCOPED_TRACE(when);
  EXPECT_EQ(actual.border, expected.border);
  EXPECT_EQ(actual.background, expected.background);
  EXPECT_EQ(actual.text, expected.text);
  EXPECT_EQ(actual.width, expected.width);
}

TEST_F(ThemedInputsTest, FieldSwitchesBetweenNormalAndEditLook) {
  struct Case {
    const char* name;
    bool editKeys;  // the edit keys set, or left to be filled from the normal ones
    double borderWidth;
    LookKeys normal, editing;
  };
  const Case cases[] = {
      {"every key",
       true,
       1.5,
       {"hotkeyTextFieldBorderColor", "searchInputBackgroundColor", "searchInputFontColor", 1.5},
       {"accentColor", "alaisTextFieldSelectedBackgroundColor", "fontHeadColor", 2}},
      // Only the width tells editing apart, and the edit text colour is never filled in.
      {"normal keys only",
       false,
       0,
       {"hotkeyTextFieldBorderColor", "searchInputBackgroundColor", "searchInputFontColor", 0},
       {"hotkeyTextFieldBorderColor", "searchInputBackgroundColor", std::nullopt, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto field = VLTextField::create({20, 200, 200, 30});
    field->setBorderColorAssetKey(c.normal.border);
    field->setTextFieldBackgroundColorAssetKey(c.normal.background);
    field->setNormalTextColorAssetKey(c.normal.text);
    field->setBorderWidth(c.borderWidth);
    if (c.editKeys) {
      field->setBorderEditColorAssetKey(c.editing.border);
      field->setTextFieldEditBackgroundColorAssetKey(c.editing.background);
      field->setEditTextColorAssetKey(c.editing.text);
    }
    add(field);
    expectLook(lookOf(*field), c.normal, "joined");
    EXPECT_EQ(field->layer()->backgroundColor(), colorOf(*c.normal.background));
    driver_.click(window_, {120, 215});
    ASSERT_EQ(window_->firstResponder(), field->textField().get());
    expectLook(lookOf(*field), c.editing, "editing");
    window_->makeFirstResponder(nullptr);
    LookKeys after = c.normal;
    after.width = 1;  // from the first edit on
    expectLook(lookOf(*field), after, "after editing");
    field->removeFromSuperview();
  }
}

TEST_F(ThemedInputsTest, FieldKeysArrowsReturnAndChanges) {
  auto field = addField();
  auto search = ui::TextField::create({20, 20, 200, 24});
  add(search);
  VLTextField::setSearchInputProvider([&] { return search; });
  auto changes = std::make_shared<Changes>();
  field->setDelegate(changes);
  window_->makeFirstResponder(field->textField().get());
  driver_.typeText("ab");
  EXPECT_EQ(changes->texts, (std::vector<std::string>{"a", "ab"}));
  driver_.typeKey(KeyCode::LeftArrow);
  driver_.typeKey(KeyCode::UpArrow);  // the list's keys: the caret stays
  driver_.typeKey(KeyCode::DownArrow);
  EXPECT_EQ(field->textField()->currentEditor()->selectedRange(), (Range{1, 0}));
  driver_.typeKey(KeyCode::Return);
  EXPECT_EQ(window_->firstResponder(), search.get());
  EXPECT_EQ(field->text(), "ab");
  VLTextField::setSearchInputProvider(nullptr);
  window_->makeFirstResponder(field->textField().get());
  driver_.typeKey(KeyCode::Return);  // nowhere to go: handled, nothing else
  EXPECT_EQ(window_->firstResponder(), field->textField().get());
}

// The Command-key editing table, run through a field and a text view alike.
TEST_F(ThemedInputsTest, EditingCommandsReachBothInputs) {
  struct Input {
    const char* name;
    std::function<void()> make;
    std::function<std::string()> text;
    std::function<Range()> selection;
  };
  std::shared_ptr<VLTextField> field;
  std::shared_ptr<VLScrollTextView> area;
  const Input inputs[] = {
      {"text field",
       [&] {
         field = addField();
         window_->makeFirstResponder(field->textField().get());
       },
       [&] { return field->text(); }, [&] { return field->textField()->currentEditor()->selectedRange(); }},
      {"text view",
       [&] {
         area = VLScrollTextView::create({20, 60, 300, 100});
         add(area);
         window_->makeFirstResponder(area->textView().get());
       },
       [&] { return area->text(); }, [&] { return area->textView()->selectedRange(); }},
  };
  struct Step {
    std::uint16_t key;
    std::uint64_t flags;
    const char* text;
    Range selection;
  };
  const Step steps[] = {
      {KeyCode::A, kCtrl, "hello world", {0, 11}},
      {KeyCode::C, kCtrl, "hello world", {0, 11}},
      {KeyCode::X, kCtrl, "", {0, 0}},
      {KeyCode::V, kCtrl, "hello world", {11, 0}},
      {KeyCode::Z, kCtrl, "", {0, 0}},
      {KeyCode::Z, kCtrl | ModifierFlags::Shift, "hello world", {11, 0}},
      {KeyCode::LeftArrow, kCtrl, "hello world", {0, 0}},
      {KeyCode::RightArrow, kCtrl, "hello world", {11, 0}},
      {KeyCode::LeftArrow, 0, "hello world", {10, 0}},
      {KeyCode::RightArrow, 0, "hello world", {11, 0}},
      {KeyCode::Q, kCtrl, "hello world", {11, 0}},  // outside the table: untouched
  };
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.name);
    ui::TextPasteboard::install(nullptr);
    input.make();
    driver_.typeText("hello world");
    for (const auto& s : steps) {
      SCOPED_TRACE(std::to_string(s.key) + " flags " + std::to_string(s.flags));
      driver_.typeKey(s.key, s.flags);
      EXPECT_EQ(input.text(), s.text);
      EXPECT_EQ(input.selection(), s.selection);
    }
    EXPECT_EQ(ui::TextPasteboard::current()->readString(), "hello world");
  }
}

TEST_F(ThemedInputsTest, TextViewEditLookKeepsTheTextColour) {
  auto area = VLScrollTextView::create({20, 60, 300, 100});
  area->setTextColorAssetKey("fontNormalColor");
  area->setTextViewBackgroundColorAssetKey("searchInputBackgroundColor");
  area->setBorderColorAssetKey("hotkeyTextFieldBorderColor");
  area->setBorderEditColorAssetKey("accentColor");
  area->setText("a long text " + std::string(5000, 'x'));  // longer than the view: it scrolls
  add(area);
  ui::Layer& layer = *area->layer();
  EXPECT_EQ(borderColorAssetKey(layer), "hotkeyTextFieldBorderColor");
  EXPECT_EQ(layer.borderWidth(), 0);
  window_->makeFirstResponder(area->textView().get());
  EXPECT_EQ(borderColorAssetKey(layer), "accentColor");
  EXPECT_EQ(backgroundColorAssetKey(layer), "searchInputBackgroundColor");  // filled from the normal key
  EXPECT_EQ(layer.borderWidth(), 2);
  EXPECT_EQ(textColorAssetKey(*area->textView()), "fontNormalColor");
  window_->makeFirstResponder(nullptr);
  EXPECT_EQ(borderColorAssetKey(layer), "hotkeyTextFieldBorderColor");
  EXPECT_EQ(layer.borderWidth(), 1);
  EXPECT_GT(area->textView()->frame().height(), area->frame().height());
}

}  // namespace
}  // namespace vl
