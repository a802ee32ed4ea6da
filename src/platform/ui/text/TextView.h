#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/controls/ClipView.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/BlockLayout.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/text/UndoManager.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

class TextView;

// Told of a text view's edits; every method is optional. Held weakly.
class TextViewDelegate {
 public:
  virtual ~TextViewDelegate() = default;
  // The first change after the view became first responder.
  virtual void textDidBeginEditing(TextView&) {}
  virtual void textDidChange(TextView&) {}
  // The view gave up first responder (or a field editor's editing ended).
  virtual void textDidEndEditing(TextView&) {}
  virtual void textViewDidChangeSelection(TextView&) {}
  // An editing command by name ("insertNewline:", "moveUp:", "cancelOperation:"); true when the delegate
  // handled it, and the view then does nothing more.
  virtual bool textViewDoCommandBySelector(TextView&, const std::string& /*command*/) { return false; }
  // Asked before every edit by the user (typing, deleting, pasting); false refuses it.
  virtual bool textViewShouldChangeTextInRange(TextView&, Range, const std::string& /*replacement*/) {
    return true;
  }
};

// Multi-line text that can be selectable and editable, plain or attributed. Text is laid out by TextLayout
// in the width inside the container inset and the line fragment padding; y grows downward (the view is
// flipped). As a document view it takes its clip view's width and grows to fit its text.
//
// Keys: a key press becomes an editing command ("insertNewline:", "deleteBackward:", "moveLeft:" ...),
// offered to the delegate first, or typed text. Command-key editing commands (select all, undo, cut, copy,
// paste, line ends) are answered as key equivalents by every text view and sent along the responder chain,
// as there is no Edit menu. Cut, copy and paste go through TextPasteboard; each edit can be undone (typing
// in one run is one step). Main thread only.
class TextView : public View, public ScrollClient {
 public:
  explicit TextView(const Rect& frame = {});
  static std::shared_ptr<TextView> create(const Rect& frame = {}) {
    return std::make_shared<TextView>(frame);
  }

  // --- content --------------------------------------------------------------------------------------
  const std::string& string() const { return storage_.string(); }
  // Replaces the text by code: the selection goes to the end, undo history is cleared, the delegate is not
  // told.
  void setString(const std::string& text);
  const AttributedString& textStorage() const { return storage_; }
  void setAttributedString(const AttributedString& text);
  // The same, taking the text over: a long one is not copied.
  void setAttributedString(AttributedString&& text);
  std::size_t length() const { return storage_.length(); }

  // --- attributes -----------------------------------------------------------------------------------
  const Font& font() const { return font_; }
  // The font of all the text: attributes that name another font are dropped.
  void setFont(const Font& font);
  // Until set, the desktop's text colours of the moment, light or dark (SystemColors).
  Color textColor() const;
  void setTextColor(const Color& c);
  // Back to the desktop's text colour (a field editor that serves fields of both kinds).
  void setDefaultTextColor();
  Color backgroundColor() const;
  void setBackgroundColor(const Color& c);
  bool drawsBackground() const { return drawsBackground_; }
  void setDrawsBackground(bool v);
  TextAlignment alignment() const { return alignment_; }
  void setAlignment(TextAlignment a);

  bool isEditable() const { return editable_; }
  // Editable text is selectable too.
  void setEditable(bool v);
  bool isSelectable() const { return selectable_; }
  // Not selectable also means not editable.
  void setSelectable(bool v);
  void setRichText(bool v) { richText_ = v; }
  void setImportsGraphics(bool v) { importsGraphics_ = v; }
  // A field editor works for a one-line text field: Return, Tab and Escape are left to its delegate.
  void setFieldEditor(bool v) { fieldEditor_ = v; }
  // Shows every character as a bullet and refuses to copy or cut (secure text fields).
  void setDisplaysBullets(bool v);

  // 0 is no limit.
  void setMaximumNumberOfLines(std::size_t n);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode m);
  Size textContainerInset() const { return inset_; }
  void setTextContainerInset(Size inset);
  double lineFragmentPadding() const { return padding_; }
  void setLineFragmentPadding(double p);
  void setVerticallyResizable(bool v);
  Size minSize() const { return minSize_; }

  // --- selection ------------------------------------------------------------------------------------
  Range selectedRange() const { return selection_; }
  // Clamped to the text and to whole characters.
  void setSelectedRange(Range range);
  // A range shown with a highlight behind it (a found word); NotFound for none.
  Range highlightedRange() const { return highlighted_; }
  void setHighlightedRange(Range range);
  void setHighlightColor(const Color& c);
  // The colour of links that do not set their own.
  const Color& linkColor() const { return linkColor_; }
  // Scrolls the enclosing clip view the least needed to show the range's first line.
  void scrollRangeToVisible(Range range);

  // --- layout ---------------------------------------------------------------------------------------
  // The width lines are laid out in.
  double containerWidth() const;
  // Laid out a block at a time as it is asked about: a long text costs what is shown of it.
  BlockLayout& layout() const;
  std::size_t lineIndexForCharacterIndex(std::size_t index) const {
    return layout().lineIndexForCharacterIndex(index);
  }
  // Where the text starts in the view.
  Point textContainerOrigin() const { return {inset_.width + padding_, inset_.height}; }
  // The rectangle of the range's first line part (a caret for an empty range), in view coordinates.
  Rect firstRectForCharacterRange(Range range) const;
  std::size_t characterIndexForPoint(Point pointInView) const;
  // The text's extent in view coordinates.
  Rect usedRect() const;
  // Height to fit the text (within the minimum size).
  void sizeToFit();

  // --- editing --------------------------------------------------------------------------------------
  // Types text at the selection, as the keyboard does (the delegate may refuse; runs of typing undo as one).
  void insertText(const std::string& text);
  // A user edit of the range: asks the delegate, registers undo, tells the delegate. False when refused.
  bool replaceCharactersByUser(Range range, const std::string& text,
                               const std::string& actionName = "Typing");
  // Offers the command to the delegate, then performs it; commands the view does not know go up the
  // responder chain (cancelOperation: reaches a popover or panel).
  void doCommandBySelector(const std::string& command);
  // Runs a built-in editing command without asking the delegate; false when it is not one or does not
  // apply now (paste into read-only text).
  bool performEditingCommand(const std::string& command);
  UndoManager& undoManager() { return undoManager_; }

  // The editing command a key press means ("" when it types text or is no command).
  static std::string commandForKeyEvent(const Event& event);
  // The Command-key editing table; "" when the press is not one of its keys.
  static std::string keyEquivalentCommand(const Event& event);

  std::shared_ptr<TextViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<TextViewDelegate>& d) { delegate_ = d; }

  // --- responder ------------------------------------------------------------------------------------
  bool isFlipped() const override { return true; }
  bool acceptsFirstResponder() const override { return selectable_; }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  void keyDown(const Event& event) override;
  bool performKeyEquivalent(const Event& event) override;
  void mouseDown(const Event& event) override;
  void mouseDragged(const Event& event) override;
  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ActionTarget* sender) override;
  void drawRect(const Rect& dirtyRect) override;
  void setFrameSize(Size size) override;
  void viewDidMoveToSuperview() override;
  void clipViewFrameDidChange(ClipView& clip) override;

  // A field editor's session: the hosting field starts and ends it.
  void beginEditingSession() { editedInSession_ = false; }
  void endEditingSession();

 private:
  struct EditRecord;
  struct EditingCommand;
  static const EditingCommand* editingCommand(const std::string& name);
  static bool performMove(TextView& view, const std::string& name);
  bool removeByUser(Range range, const char* actionName = "Delete");
  // Removes the selection, or else the text between the caret and `to`.
  bool deleteToward(std::size_t to);
  // Where the word before `index` starts (ICU word breaks), blanks between them included.
  std::size_t wordStartBefore(std::size_t index) const;
  void textChanged(bool byUser);
  // After the whole text was set by code: no undo, the caret at the end.
  void textReplaced();
  void invalidateLayout();
  void applyChange(Range range, const std::string& text);
  void moveSelection(std::size_t focus, bool extend);
  std::size_t previousBoundary(std::size_t index) const;
  std::size_t nextBoundary(std::size_t index) const;
  std::size_t paragraphStart(std::size_t index) const;
  std::size_t paragraphEnd(std::size_t index) const;
  std::size_t caretIndex() const;
  void notifySelection();
  ClipView* enclosingClip() const;
  void copySelection();
  // `ink`, when given, in place of every run's own colour.
  void drawTextLines(const std::vector<BlockLayout::Line>& lines, std::optional<Color> ink = std::nullopt);
  // The part of the view a drawing needs: the dirty rect, within what is visible.
  Rect drawnRect(const Rect& dirtyRect) const;

  AttributedString storage_;
  Font font_ = Font::systemFont(13);
  std::optional<Color> textColor_;
  std::optional<Color> backgroundColor_;
  bool drawsBackground_ = true;
  TextAlignment alignment_ = TextAlignment::Natural;
  bool editable_ = true;
  bool selectable_ = true;
  bool richText_ = true;
  bool importsGraphics_ = false;
  bool fieldEditor_ = false;
  bool bullets_ = false;
  std::size_t maximumLines_ = 0;
  LineBreakMode lineBreakMode_ = LineBreakMode::WordWrapping;
  Size inset_;
  double padding_ = 5;
  bool verticallyResizable_ = true;
  Size minSize_;
  Range selection_{0, 0};
  std::size_t anchor_ = 0;  // the fixed end of a selection being extended
  Range highlighted_;
  Color highlightColor_ = Color::rgba(1, 0.9, 0.2, 1);
  Color linkColor_ = Color::rgba(0.05, 0.35, 0.85, 1);
  mutable std::unique_ptr<BlockLayout> layout_;
  mutable double layoutWidth_ = -1;
  // What a secure field lays out: a bullet for each unit of the text.
  mutable AttributedString bulletText_;
  UndoManager undoManager_;
  std::shared_ptr<EditRecord> typingRecord_;
  std::uint64_t typingToken_ = 0;
  bool editedInSession_ = false;
  bool isFirstResponder_ = false;
  std::weak_ptr<TextViewDelegate> delegate_;
};

}  // namespace vl::ui
