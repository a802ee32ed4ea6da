#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/TextView.h"

namespace vl::ui {

class TextField;

// Told of a text field's editing; every method is optional. Held weakly.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  // The first change of an editing session.
  virtual void controlTextDidBeginEditing(TextField&) {}
  // Every change the user made (each keystroke, cut, paste, undo).
  virtual void controlTextDidChange(TextField&) {}
  // Editing ended: Return, Tab, or the field lost the focus.
  virtual void controlTextDidEndEditing(TextField&) {}
  // A command of the field editor by name ("insertNewline:" for Return, "moveUp:", "cancelOperation:" for
  // Escape); true when the delegate handled it, and the field then does nothing more.
  virtual bool controlTextViewDoCommandBySelector(TextField&, TextView& /*fieldEditor*/,
                                                  const std::string& /*command*/) {
    return false;
  }
};

// Checks each edit of a text field before it is taken.
class Formatter {
 public:
  virtual ~Formatter() = default;
  // `partial` is the whole text the edit would give. False refuses the edit; a refusing formatter may put
  // a text to show instead in *newEditingString. Refusals are silent here: a formatter that wants the
  // alert sound calls beep() itself.
  virtual bool isPartialStringValid(const std::string& /*partial*/, std::string* /*newEditingString*/,
                                    std::string* /*errorDescription*/) {
    return true;
  }
};

// A one-line text input or label. While it is the first responder it edits through its field editor, a
// TextView in field-editor mode laid over it; the field stays the first responder and hands keys, clicks
// and editing actions to the editor. Return sends the field's action (after the delegate saw
// "insertNewline:"), and the text stays selected for more typing. Main thread only.
class TextField : public Control {
 public:
  explicit TextField(const Rect& frame = {});
  ~TextField() override;
  static std::shared_ptr<TextField> create(const Rect& frame = {}) {
    return std::make_shared<TextField>(frame);
  }
  // Not editable, not selectable, no border, no background.
  static std::shared_ptr<TextField> labelWithString(const std::string& text);

  bool isEditable() const { return editable_; }
  void setEditable(bool v);
  bool isSelectable() const { return selectable_; }
  void setSelectable(bool v);
  bool isBordered() const { return bordered_; }
  void setBordered(bool v);
  void setBezeled(bool v);
  bool drawsBackground() const { return drawsBackground_; }
  void setDrawsBackground(bool v);
  // Until set, the desktop's text colours of the moment, light or dark (SystemColors).
  Color backgroundColor() const;
  void setBackgroundColor(const Color& c);
  Color textColor() const;
  void setTextColor(const Color& c);
  const std::string& placeholderString() const { return placeholder_; }
  void setPlaceholderString(std::string s);
  // Shown instead of the plain placeholder when set.
  const std::optional<AttributedString>& placeholderAttributedString() const {
    return placeholderAttributed_;
  }
  void setPlaceholderAttributedString(std::optional<AttributedString> s);
  void setScrollable(bool v) { scrollable_ = v; }
  void setAutomaticTextCompletionEnabled(bool v) { completion_ = v; }

  std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<TextFieldDelegate>& d) { delegate_ = d; }
  const std::shared_ptr<Formatter>& formatter() const { return formatter_; }
  void setFormatter(std::shared_ptr<Formatter> f) { formatter_ = std::move(f); }

  // While editing, the editor's text. Setting by code replaces it without telling the delegate.
  std::string stringValue() const override;
  void setStringValue(const std::string& value) override;
  void setAttributedStringValue(const AttributedString& value) override;
  void setFont(const Font& font) override;
  void setAlignment(TextAlignment alignment) override;
  // Ends editing first when it turns the field off.
  void setEnabled(bool enabled) override;

  bool isEditing() const { return editing_; }
  // The field editor while editing; nullptr otherwise.
  TextView* currentEditor() const { return editing_ ? editor_.get() : nullptr; }
  // Makes the field the first responder and selects all its text.
  void selectText();

  bool acceptsFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  View* hitTest(Point pointInSuperview) override;
  void keyDown(const Event& event) override;
  bool performKeyEquivalent(const Event& event) override;
  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ActionTarget* sender) override;
  void mouseDown(const Event& event) override;
  void mouseDragged(const Event& event) override;
  void setFrameSize(Size size) override;
  Size intrinsicContentSize() const override;
  void drawRect(const Rect& dirtyRect) override;

 protected:
  // Secure fields show bullets.
  virtual bool showsBullets() const { return false; }
  // The text as drawn when not editing.
  std::string displayString() const;

 private:
  class EditorDelegate;
  friend class EditorDelegate;
  void beginEditing();
  void endEditing();
  void layoutEditor();
  void editorTextChanged();
  bool handleCommand(TextView& editor, const std::string& command);

  bool editable_ = true;
  bool selectable_ = true;
  bool bordered_ = false;
  bool bezeled_ = true;
  bool drawsBackground_ = true;
  std::optional<Color> backgroundColor_;
  std::optional<Color> textColor_;
  std::string placeholder_;
  std::optional<AttributedString> placeholderAttributed_;
  bool scrollable_ = true;
  bool completion_ = false;
  std::weak_ptr<TextFieldDelegate> delegate_;
  std::shared_ptr<Formatter> formatter_;
  std::shared_ptr<TextView> editor_;
  std::shared_ptr<EditorDelegate> editorDelegate_;
  bool editing_ = false;
};

// A text field whose text shows as bullets and can be neither copied nor cut.
class SecureTextField : public TextField {
 public:
  explicit SecureTextField(const Rect& frame = {}) : TextField(frame) {}
  static std::shared_ptr<SecureTextField> create(const Rect& frame = {}) {
    return std::make_shared<SecureTextField>(frame);
  }

 protected:
  bool showsBullets() const override { return true; }
};

}  // namespace vl::ui
