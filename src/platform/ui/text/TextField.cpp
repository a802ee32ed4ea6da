#include "platform/ui/text/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/SystemColors.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

namespace {
constexpr double kTextInset = 2;
}  // namespace

// Connects the field editor back to its field: edits pass the formatter, changes and commands reach the
// field's delegate.
class TextField::EditorDelegate : public TextViewDelegate {
 public:
  explicit EditorDelegate(TextField* field) : field_(field) {}
  void detach() { field_ = nullptr; }

  bool textViewShouldChangeTextInRange(TextView& editor, Range range,
                                       const std::string& replacement) override {
    if (!field_ || !field_->formatter_ || applyingSuggestion_) return true;
    std::string candidate = editor.string();
    ByteRange bytes = byteRangeOfRange(candidate, range);
    candidate.replace(bytes.offset, bytes.length, replacement);
    std::string suggestion, error;
    std::shared_ptr<Formatter> formatter = field_->formatter_;
    if (formatter->isPartialStringValid(candidate, &suggestion, &error)) return true;
    if (!suggestion.empty() && suggestion != editor.string()) {
      // The formatter offers a text of its own: show that instead of the refused edit.
      applyingSuggestion_ = true;
      editor.replaceCharactersByUser({0, editor.length()}, suggestion, "Typing");
      applyingSuggestion_ = false;
    } else {
      logDebugf("%s: the formatter refused the edit%s%s", field_->className().c_str(),
                error.empty() ? "" : ": ", error.c_str());
    }
    return false;
  }
  void textDidBeginEditing(TextView&) override {
    if (!field_) return;
    if (auto d = field_->delegate()) d->controlTextDidBeginEditing(*field_);
  }
  void textDidChange(TextView&) override {
    if (field_) field_->editorTextChanged();
  }
  bool textViewDoCommandBySelector(TextView& editor, const std::string& command) override {
    return field_ && field_->handleCommand(editor, command);
  }

 private:
  TextField* field_;
  bool applyingSuggestion_ = false;
};

TextField::TextField(const Rect& frame) : Control(frame) { setLineBreakMode(LineBreakMode::Clipping); }

TextField::~TextField() {
  if (editorDelegate_) editorDelegate_->detach();
}

std::shared_ptr<TextField> TextField::labelWithString(const std::string& text) {
  auto f = create();
  f->setStringValue(text);
  f->setEditable(false);
  f->setSelectable(false);
  f->setBezeled(false);
  f->setBordered(false);
  f->setDrawsBackground(false);
  f->sizeToFit();
  return f;
}

// --- attributes -----------------------------------------------------------------------------------------

void TextField::setEditable(bool v) {
  editable_ = v;
  if (v) selectable_ = true;
  if (editor_) editor_->setEditable(v);
  setNeedsDisplay(true);
}

void TextField::setSelectable(bool v) {
  selectable_ = v;
  if (!v) editable_ = false;
  if (editor_) editor_->setSelectable(v);
  setNeedsDisplay(true);
}

void TextField::setBordered(bool v) {
  bordered_ = v;
  setNeedsDisplay(true);
}

void TextField::setBezeled(bool v) {
  bezeled_ = v;
  setNeedsDisplay(true);
}

void TextField::setDrawsBackground(bool v) {
  drawsBackground_ = v;
  setNeedsDisplay(true);
}

Color TextField::backgroundColor() const { return backgroundColor_.value_or(SystemColors::textBackground()); }

Color TextField::textColor() const { return textColor_.value_or(SystemColors::text()); }

void TextField::setBackgroundColor(const Color& c) {
  backgroundColor_ = c;
  setNeedsDisplay(true);
}

void TextField::setTextColor(const Color& c) {
  textColor_ = c;
  if (editor_) editor_->setTextColor(c);
  setNeedsDisplay(true);
}

void TextField::setPlaceholderString(std::string s) {
  placeholder_ = std::move(s);
  setNeedsDisplay(true);
}

void TextField::setPlaceholderAttributedString(std::optional<AttributedString> s) {
  placeholderAttributed_ = std::move(s);
  setNeedsDisplay(true);
}

void TextField::setFont(const Font& font) {
  Control::setFont(font);
  if (editor_) editor_->setFont(font);
  layoutEditor();
}

void TextField::setAlignment(TextAlignment alignment) {
  Control::setAlignment(alignment);
  if (editor_) editor_->setAlignment(alignment);
}

void TextField::setEnabled(bool enabled) {
  if (!enabled && editing_ && window()) window()->makeFirstResponder(nullptr);
  Control::setEnabled(enabled);
}

// --- value ----------------------------------------------------------------------------------------------

std::string TextField::stringValue() const { return editing_ ? editor_->string() : Control::stringValue(); }

void TextField::setStringValue(const std::string& value) {
  Control::setStringValue(value);
  if (editing_) editor_->setString(value);
}

void TextField::setAttributedStringValue(const AttributedString& value) {
  Control::setAttributedStringValue(value);
  if (editing_) editor_->setString(value.string());
}

void TextField::editorTextChanged() {
  std::shared_ptr<View> keep = self();
  storeValue(AttributedString(editor_->string()));
  setNeedsDisplay(true);
  if (auto d = delegate()) d->controlTextDidChange(*this);
}

std::string TextField::displayString() const {
  std::string text = Control::stringValue();
  if (!showsBullets()) return text;
  std::string bullets;
  for (std::size_t i = 0; i < utf16Length(text); ++i) bullets += "\xE2\x80\xA2";
  return bullets;
}

// --- editing --------------------------------------------------------------------------------------------

bool TextField::acceptsFirstResponder() const { return isEnabled() && (editable_ || selectable_); }

bool TextField::becomeFirstResponder() {
  beginEditing();
  return true;
}

bool TextField::resignFirstResponder() {
  endEditing();
  return true;
}

void TextField::selectText() {
  if (Window* w = window(); w && w->firstResponder() != this) w->makeFirstResponder(this);
  if (editing_) editor_->performEditingCommand("selectAll:");
}

void TextField::beginEditing() {
  if (editing_) return;
  if (!editor_) {
    editor_ = TextView::create();
    editorDelegate_ = std::make_shared<EditorDelegate>(this);
    editor_->setFieldEditor(true);
    editor_->setRichText(false);
    editor_->setVerticallyResizable(false);
    editor_->setDrawsBackground(false);
    editor_->setLineFragmentPadding(kTextInset);
    editor_->setDelegate(editorDelegate_);
  }
  editor_->setFont(font());
  if (textColor_) {
    editor_->setTextColor(*textColor_);
  } else {
    editor_->setDefaultTextColor();
  }
  editor_->setAlignment(alignment());
  editor_->setEditable(editable_);
  editor_->setSelectable(selectable_);
  editor_->setDisplaysBullets(showsBullets());
  editor_->setString(Control::stringValue());
  editing_ = true;
  addSubview(editor_);
  layoutEditor();
  editor_->becomeFirstResponder();
  editor_->beginEditingSession();
  editor_->performEditingCommand("selectAll:");
  setNeedsDisplay(true);
}

void TextField::endEditing() {
  if (!editing_) return;
  std::shared_ptr<View> keep = self();
  storeValue(AttributedString(editor_->string()));
  editing_ = false;
  std::shared_ptr<TextView> editor = editor_;
  editor->removeFromSuperview();
  editor->setDelegate(nullptr);  // the editor's own end notice is not the field's
  editor->resignFirstResponder();
  editor->setDelegate(editorDelegate_);
  editor->undoManager().removeAllActions();
  setNeedsDisplay(true);
  if (auto d = delegate()) d->controlTextDidEndEditing(*this);
}

void TextField::layoutEditor() {
  if (!editor_ || !editing_) return;
  Rect b = bounds();
  editor_->setFrame(b);
  double lineHeight = font().lineHeight();
  editor_->setTextContainerInset({0, std::max(0.0, (b.height() - lineHeight) / 2)});
}

void TextField::setFrameSize(Size size) {
  Control::setFrameSize(size);
  layoutEditor();
}

bool TextField::handleCommand(TextView& editor, const std::string& command) {
  std::shared_ptr<View> keep = self();
  if (auto d = delegate(); d && d->controlTextViewDoCommandBySelector(*this, editor, command)) return true;
  if (command == "insertNewline:") {
    // Return ends this round of editing and sends the action; the field keeps the focus with its text
    // selected, ready for the next round.
    storeValue(AttributedString(editor.string()));
    if (auto d = delegate()) d->controlTextDidEndEditing(*this);
    editor.beginEditingSession();
    sendAction();
    if (editing_) editor.performEditingCommand("selectAll:");
    return true;
  }
  if (command == "insertTab:" || command == "insertBacktab:") {
    // No key-view loop here: Tab gives the focus back to the window, which ends editing.
    if (Window* w = window()) w->makeFirstResponder(nullptr);
    return true;
  }
  return false;
}

// --- events ---------------------------------------------------------------------------------------------

View* TextField::hitTest(Point pointInSuperview) {
  View* hit = Control::hitTest(pointInSuperview);
  // Clicks on the editor belong to the field, which stays the first responder.
  return hit == editor_.get() && hit ? this : hit;
}

void TextField::keyDown(const Event& event) {
  if (editing_) {
    std::shared_ptr<TextView> editor = editor_;
    editor->keyDown(event);
    return;
  }
  Control::keyDown(event);
}

bool TextField::performKeyEquivalent(const Event& event) {
  if (!editable_ && selectable_) {
    // A read-only field answers the editing keys itself (the editor of an editable one does).
    std::string command = TextView::keyEquivalentCommand(event);
    if (!command.empty()) {
      std::shared_ptr<View> keep = self();
      Application::shared().sendAction(command, nullptr, this);
      return true;
    }
  }
  return Control::performKeyEquivalent(event);
}

bool TextField::respondsToAction(const std::string& action) const {
  if (Control::respondsToAction(action)) return true;
  return editing_ && editor_->respondsToAction(action);
}

bool TextField::performAction(const std::string& action, ActionTarget* sender) {
  if (Control::performAction(action, sender)) return true;
  if (!editing_) return false;
  std::shared_ptr<TextView> editor = editor_;
  return editor->performAction(action, sender);
}

void TextField::mouseDown(const Event& event) {
  if (editing_) editor_->mouseDown(event);
}

void TextField::mouseDragged(const Event& event) {
  if (editing_) editor_->mouseDragged(event);
}

// --- drawing --------------------------------------------------------------------------------------------

Size TextField::intrinsicContentSize() const {
  Size text = TextMetrics::sizeOfString(displayString(), font());
  return {std::ceil(text.width + 2 * kTextInset + 2), std::ceil(text.height + 4)};
}

void TextField::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  const Rect b = bounds();
  if (const Color background = backgroundColor(); drawsBackground_ && background.alpha > 0) {
    ctx->fillRect(b, background);
  }
  if (bordered_ || bezeled_) {
    BezierPath border = BezierPath::rect(b.insetBy(0.5, 0.5));
    border.setLineWidth(1);
    ctx->strokePath(border, SystemColors::controlBorder());
  }
  if (editing_) return;  // the editor draws the text
  const double lineHeight = font().lineHeight();
  const Rect textRect{kTextInset, (b.height() - lineHeight) / 2, std::max(0.0, b.width() - 2 * kTextInset),
                      lineHeight};
  std::string text = displayString();
  Color color = isEnabled() ? textColor() : SystemColors::disabledText();
  if (text.empty()) {
    if (placeholderAttributed_ && !placeholderAttributed_->empty()) {
      text = placeholderAttributed_->string();
      const TextAttributes& a = placeholderAttributed_->runs().front().attributes;
      color = a.foregroundColor.value_or(SystemColors::placeholderText());
      ctx->drawText(TextMetrics::truncateTail(text, a.font.value_or(font()), textRect.width()), textRect,
                    a.font.value_or(font()), color);
      return;
    }
    text = placeholder_;
    color = SystemColors::placeholderText();
  }
  if (text.empty()) return;
  if (lineBreakMode() == LineBreakMode::TruncatingTail)
    text = TextMetrics::truncateTail(text, font(), textRect.width());
  double width = TextMetrics::widthOfString(text, font());
  double x = textRect.minX();
  if (alignment() == TextAlignment::Right) x = textRect.maxX() - width;
  if (alignment() == TextAlignment::Center) x = textRect.minX() + (textRect.width() - width) / 2;
  ctx->drawText(text, {x, textRect.minY(), width, lineHeight}, font(), color);
}

}  // namespace vl::ui
