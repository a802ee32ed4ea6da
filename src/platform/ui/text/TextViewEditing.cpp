// TextView: editing commands, key handling, undo and the pasteboard.
#include <algorithm>
#include <set>

#include "platform/foundation/Log.h"
#include "platform/ui/text/TextPasteboard.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/window/Application.h"

namespace vl::ui {

// One undoable edit: `removed` was replaced by `inserted` at `location`.
struct TextView::EditRecord {
  std::size_t location;
  std::string inserted;
  std::string removed;
  Range selectionBefore;
};

namespace {

const std::set<std::string>& readOnlyCommands() {
  static const std::set<std::string> names = {"selectAll:",
                                              "copy:",
                                              "moveLeft:",
                                              "moveRight:",
                                              "moveUp:",
                                              "moveDown:",
                                              "moveToBeginningOfLine:",
                                              "moveToEndOfLine:",
                                              "moveToLeftEndOfLine:",
                                              "moveToRightEndOfLine:",
                                              "moveToBeginningOfParagraph:",
                                              "moveToEndOfParagraph:",
                                              "moveToBeginningOfDocument:",
                                              "moveToEndOfDocument:",
                                              "moveLeftAndModifySelection:",
                                              "moveRightAndModifySelection:",
                                              "moveUpAndModifySelection:",
                                              "moveDownAndModifySelection:",
                                              "moveToBeginningOfLineAndModifySelection:",
                                              "moveToEndOfLineAndModifySelection:",
                                              "moveToLeftEndOfLineAndModifySelection:",
                                              "moveToRightEndOfLineAndModifySelection:",
                                              "moveToBeginningOfDocumentAndModifySelection:",
                                              "moveToEndOfDocumentAndModifySelection:",
                                              "scrollToBeginningOfDocument:",
                                              "scrollToEndOfDocument:",
                                              "scrollPageUp:",
                                              "scrollPageDown:"};
  return names;
}

const std::set<std::string>& writingCommands() {
  static const std::set<std::string> names = {"cut:",
                                              "paste:",
                                              "undo:",
                                              "redo:",
                                              "insertNewline:",
                                              "insertNewlineIgnoringFieldEditor:",
                                              "insertLineBreak:",
                                              "insertParagraphSeparator:",
                                              "insertTab:",
                                              "insertTabIgnoringFieldEditor:",
                                              "insertBacktab:",
                                              "deleteBackward:",
                                              "deleteForward:",
                                              "deleteToBeginningOfLine:",
                                              "deleteToEndOfLine:",
                                              "deleteToEndOfParagraph:",
                                              "deleteWordBackward:"};
  return names;
}

bool isPrintable(char32_t c) { return c >= 0x20 && c != 0x7F && !(c >= 0xF700 && c <= 0xF8FF); }

std::string withoutLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
  }
  return out;
}

}  // namespace

// --- boundaries -----------------------------------------------------------------------------------------

std::size_t TextView::previousBoundary(std::size_t index) const {
  const std::string& s = storage_.string();
  std::size_t b = byteOffsetOfUtf16Index(s, index);
  if (b == 0) return 0;
  --b;
  while (b > 0 && (static_cast<unsigned char>(s[b]) & 0xC0) == 0x80) --b;
  return utf16IndexOfByteOffset(s, b);
}

std::size_t TextView::nextBoundary(std::size_t index) const {
  const std::string& s = storage_.string();
  std::size_t b = byteOffsetOfUtf16Index(s, index);
  if (b >= s.size()) return storage_.length();
  ++b;
  while (b < s.size() && (static_cast<unsigned char>(s[b]) & 0xC0) == 0x80) ++b;
  return utf16IndexOfByteOffset(s, b);
}

std::size_t TextView::paragraphStart(std::size_t index) const {
  const std::u16string text = toUtf16(storage_.string());
  index = std::min(index, text.size());
  while (index > 0 && text[index - 1] != u'\n' && text[index - 1] != u'\r') --index;
  return index;
}

std::size_t TextView::paragraphEnd(std::size_t index) const {
  const std::u16string text = toUtf16(storage_.string());
  index = std::min(index, text.size());
  while (index < text.size() && text[index] != u'\n' && text[index] != u'\r') ++index;
  return index;
}

// --- edits ----------------------------------------------------------------------------------------------

void TextView::applyChange(Range range, const std::string& text) { storage_.replaceCharacters(range, text); }

bool TextView::replaceCharactersByUser(Range range, const std::string& text, const std::string& actionName) {
  if (!editable_) {
    logf("%s: the text is not editable; edit refused", className().c_str());
    return false;
  }
  std::shared_ptr<View> keep = self();
  auto clamp = [&](Range r) {
    std::size_t len = storage_.length();
    std::size_t loc = r.found() ? std::min(r.location, len) : len;
    Range out{loc, std::min(r.length, len - loc)};
    if (out.length == 0 || (loc == 0 && out.length == len) || len == storage_.string().size()) return out;
    return rangeOfByteRange(storage_.string(), byteRangeOfRange(storage_.string(), out));
  };
  Range r = clamp(range);
  const std::string clean = isValidUtf8(text) ? text : sanitizeUtf8(text);
  if (auto d = delegate(); d && !d->textViewShouldChangeTextInRange(*this, r, clean)) return false;
  r = clamp(r);  // the delegate may have changed the text while it was asked

  const ByteRange removed = storage_.bytesOf(r);
  auto rec = std::make_shared<EditRecord>(
      EditRecord{r.location, clean, storage_.string().substr(removed.offset, removed.length), selection_});
  applyChange(r, clean);
  const std::size_t insertedLength = utf16Length(clean);
  selection_ = {r.location + insertedLength, 0};
  anchor_ = selection_.location;

  const bool typing = actionName == "Typing";
  if (typing && r.length == 0 && typingRecord_ && undoManager_.topUndoToken() == typingToken_ &&
      typingRecord_->location + utf16Length(typingRecord_->inserted) == r.location) {
    typingRecord_->inserted += clean;
  } else {
    typingToken_ = undoManager_.registerUndo(
        actionName,
        [this, rec] {
          applyChange({rec->location, utf16Length(rec->inserted)}, rec->removed);
          Range before = rec->selectionBefore;
          selection_ = {
              std::min(before.location, storage_.length()),
              std::min(before.length, storage_.length() - std::min(before.location, storage_.length()))};
          anchor_ = selection_.location;
          typingRecord_.reset();
          textChanged(true);
        },
        [this, rec] {
          applyChange({rec->location, utf16Length(rec->removed)}, rec->inserted);
          selection_ = {rec->location + utf16Length(rec->inserted), 0};
          anchor_ = selection_.location;
          typingRecord_.reset();
          textChanged(true);
        });
    typingRecord_ = typing ? rec : nullptr;
  }
  textChanged(true);
  if (auto d = delegate()) d->textViewDidChangeSelection(*this);
  scrollRangeToVisible(selection_);
  return true;
}

void TextView::insertText(const std::string& text) {
  if (text.empty()) return;
  replaceCharactersByUser(selection_, text, "Typing");
}

void TextView::copySelection() {
  if (bullets_) {
    log("secure text is never copied");
    return;
  }
  if (selection_.length == 0) return;
  TextPasteboard::current()->writeString(substringWithRange(storage_.string(), selection_));
}

// --- commands -------------------------------------------------------------------------------------------

bool TextView::performEditingCommand(const std::string& c) {
  std::shared_ptr<View> keep = self();
  const std::size_t len = storage_.length();
  const Range sel = selection_;
  auto remove = [&](Range r, const char* name) {
    if (r.length > 0) replaceCharactersByUser(r, "", name);
    return true;
  };
  auto insert = [&](const std::string& s) {
    if (!editable_) return false;
    insertText(s);
    return true;
  };

  if (writingCommands().count(c) && !editable_) return false;
  if (readOnlyCommands().count(c) && !selectable_) return false;

  if (c == "selectAll:") {
    anchor_ = 0;
    moveSelection(len, true);
    anchor_ = 0;
    return true;
  }
  if (c == "copy:") {
    copySelection();
    return true;
  }
  if (c == "cut:") {
    if (bullets_) {
      log("secure text is never cut");
      return true;
    }
    copySelection();
    return remove(sel, "Cut");
  }
  if (c == "paste:") {
    std::optional<std::string> text = TextPasteboard::current()->readString();
    if (!text) {
      log("paste: the pasteboard holds no text");
      return true;
    }
    replaceCharactersByUser(sel, fieldEditor_ ? withoutLineEnds(*text) : *text, "Paste");
    return true;
  }
  if (c == "undo:" || c == "redo:") {
    typingRecord_.reset();
    if (!(c == "undo:" ? undoManager_.undo() : undoManager_.redo()))
      logf("%s: nothing to %s", className().c_str(), c == "undo:" ? "undo" : "redo");
    return true;
  }
  // A field editor leaves Return and Tab to its field.
  if (c == "insertNewline:" || c == "insertParagraphSeparator:") return fieldEditor_ ? true : insert("\n");
  if (c == "insertNewlineIgnoringFieldEditor:" || c == "insertLineBreak:") return insert("\n");
  if (c == "insertTab:") return fieldEditor_ ? true : insert("\t");
  if (c == "insertTabIgnoringFieldEditor:") return insert("\t");
  if (c == "insertBacktab:") return true;
  if (c == "deleteBackward:") {
    if (sel.length > 0) return remove(sel, "Delete");
    std::size_t from = previousBoundary(sel.location);
    return remove({from, sel.location - from}, "Delete");
  }
  if (c == "deleteForward:") {
    if (sel.length > 0) return remove(sel, "Delete");
    std::size_t to = nextBoundary(sel.location);
    return remove({sel.location, to - sel.location}, "Delete");
  }
  if (c == "deleteToBeginningOfLine:") {
    if (sel.length > 0) return remove(sel, "Delete");
    std::size_t from = layout().lineStart(sel.location);
    return remove({from, sel.location - from}, "Delete");
  }
  if (c == "deleteToEndOfLine:" || c == "deleteToEndOfParagraph:") {
    if (sel.length > 0) return remove(sel, "Delete");
    std::size_t to = c == "deleteToEndOfLine:" ? layout().lineEnd(sel.location) : paragraphEnd(sel.location);
    return remove({sel.location, to - sel.location}, "Delete");
  }
  if (c == "deleteWordBackward:") {
    if (sel.length > 0) return remove(sel, "Delete");
    const std::u16string text = toUtf16(storage_.string());
    std::size_t from = std::min(sel.location, text.size());
    while (from > 0 && (text[from - 1] == u' ' || text[from - 1] == u'\t')) --from;
    while (from > 0 && text[from - 1] != u' ' && text[from - 1] != u'\t' && text[from - 1] != u'\n') --from;
    return remove({from, sel.location - from}, "Delete");
  }

  // Scrolling leaves the selection alone.
  if (c == "scrollToBeginningOfDocument:" || c == "scrollToEndOfDocument:" || c == "scrollPageUp:" ||
      c == "scrollPageDown:") {
    if (ClipView* clip = enclosingClip()) {
      Point o = clip->bounds().origin;
      double page = clip->bounds().size.height;
      if (c == "scrollToBeginningOfDocument:") o.y = 0;
      if (c == "scrollToEndOfDocument:") o.y = frame().size.height;
      if (c == "scrollPageUp:") o.y -= page;
      if (c == "scrollPageDown:") o.y += page;
      clip->scrollToPoint(o);
    }
    return true;
  }

  // Moves: the "AndModifySelection" forms extend from the anchor.
  static const std::string kModify = "AndModifySelection:";
  bool extend =
      c.size() > kModify.size() && c.compare(c.size() - kModify.size(), kModify.size(), kModify) == 0;
  std::string base = extend ? c.substr(0, c.size() - kModify.size()) + ":" : c;
  std::size_t caret = extend ? caretIndex() : sel.location;
  std::optional<std::size_t> focus;
  if (base == "moveLeft:") {
    focus = !extend && sel.length > 0 ? sel.location : previousBoundary(caret);
  } else if (base == "moveRight:") {
    focus = !extend && sel.length > 0 ? sel.end() : nextBoundary(extend ? caret : sel.end());
  } else if (base == "moveUp:" || base == "moveDown:") {
    bool up = base == "moveUp:";
    if (fieldEditor_) {
      focus = up ? 0 : len;
    } else {
      std::size_t from = extend ? caret : (up ? sel.location : sel.end());
      focus = layout().indexOnAdjacentLine(from, layout().offsetOfCharacterIndex(from), up);
    }
  } else if (base == "moveToBeginningOfLine:" || base == "moveToLeftEndOfLine:") {
    focus = layout().lineStart(caret);
  } else if (base == "moveToEndOfLine:" || base == "moveToRightEndOfLine:") {
    focus = layout().lineEnd(extend ? caret : sel.end());
  } else if (base == "moveToBeginningOfParagraph:") {
    focus = paragraphStart(caret);
  } else if (base == "moveToEndOfParagraph:") {
    focus = paragraphEnd(extend ? caret : sel.end());
  } else if (base == "moveToBeginningOfDocument:") {
    focus = 0;
  } else if (base == "moveToEndOfDocument:") {
    focus = len;
  }
  if (!focus) return false;
  moveSelection(*focus, extend);
  scrollRangeToVisible({*focus, 0});
  return true;
}

void TextView::doCommandBySelector(const std::string& command) {
  std::shared_ptr<View> keep = self();
  if (auto d = delegate(); d && d->textViewDoCommandBySelector(*this, command)) return;
  if (performEditingCommand(command)) return;
  // Not an editing command here (Escape's cancelOperation:, or an edit of read-only text): someone up the
  // chain may want it.
  if (Responder* next = nextResponder(); next && next->tryToPerform(command, this)) return;
  logf("%s: command %s not handled", className().c_str(), command.c_str());
}

bool TextView::respondsToAction(const std::string& action) const {
  if (ActionTarget::respondsToAction(action)) return true;
  if (writingCommands().count(action)) return editable_;
  if (readOnlyCommands().count(action)) return selectable_;
  return false;
}

bool TextView::performAction(const std::string& action, ActionTarget* sender) {
  if (ActionTarget::performAction(action, sender)) return true;
  return respondsToAction(action) && performEditingCommand(action);
}

// --- keys -----------------------------------------------------------------------------------------------

std::string TextView::commandForKeyEvent(const Event& event) {
  const std::uint64_t f = event.modifierFlags();
  const bool command = f & ModifierFlags::Command, shift = f & ModifierFlags::Shift;
  const bool option = f & ModifierFlags::Option, control = f & ModifierFlags::Control;
  auto modify = [&](const std::string& name) { return shift ? name + "AndModifySelection:" : name + ":"; };
  switch (event.keyCode()) {
    case KeyCode::Return:
    case KeyCode::KeypadEnter:
      return option ? "insertNewlineIgnoringFieldEditor:" : "insertNewline:";
    case KeyCode::Tab:
      return shift ? "insertBacktab:" : option ? "insertTabIgnoringFieldEditor:" : "insertTab:";
    case KeyCode::Delete:
      // Ctrl+Backspace deletes the word before the caret, as in every text field of a Linux desktop.
      return command || option ? "deleteWordBackward:" : "deleteBackward:";
    case KeyCode::ForwardDelete:
      return "deleteForward:";
    case KeyCode::Escape:
      return "cancelOperation:";
    case KeyCode::LeftArrow:
      return modify(command ? "moveToLeftEndOfLine" : "moveLeft");
    case KeyCode::RightArrow:
      return modify(command ? "moveToRightEndOfLine" : "moveRight");
    case KeyCode::UpArrow:
      return modify(command ? "moveToBeginningOfDocument" : "moveUp");
    case KeyCode::DownArrow:
      return modify(command ? "moveToEndOfDocument" : "moveDown");
    case KeyCode::Home:
      return "scrollToBeginningOfDocument:";
    case KeyCode::End:
      return "scrollToEndOfDocument:";
    case KeyCode::PageUp:
      return "scrollPageUp:";
    case KeyCode::PageDown:
      return "scrollPageDown:";
    default:
      break;
  }
  if (control && !command) {
    switch (event.keyCode()) {
      case KeyCode::A:
        return modify("moveToBeginningOfParagraph");
      case KeyCode::E:
        return modify("moveToEndOfParagraph");
      case KeyCode::K:
        return "deleteToEndOfParagraph:";
      case KeyCode::H:
        return "deleteBackward:";
      case KeyCode::D:
        return "deleteForward:";
      default:
        break;
    }
  }
  return "";
}

std::string TextView::keyEquivalentCommand(const Event& event) {
  if (event.type() != EventType::KeyDown) return "";
  const std::uint64_t f = event.modifierFlags();
  if (f & ModifierFlags::Command) {
    switch (event.keyCode()) {
      case KeyCode::A:
        return "selectAll:";
      // Shift-Command-Z redoes, as on every desktop, rather than undoing a second time.
      case KeyCode::Z:
        return (f & ModifierFlags::Shift) ? "redo:" : "undo:";
      case KeyCode::X:
        return "cut:";
      case KeyCode::C:
        return "copy:";
      case KeyCode::V:
        return "paste:";
      case KeyCode::LeftArrow:
        return "moveToLeftEndOfLine:";
      case KeyCode::RightArrow:
        return "moveToRightEndOfLine:";
      default:
        return "";
    }
  }
  if (!(f & ModifierFlags::Shift) && (f & (ModifierFlags::NumericPad | ModifierFlags::Function))) {
    if (event.keyCode() == KeyCode::LeftArrow) return "moveLeft:";
    if (event.keyCode() == KeyCode::RightArrow) return "moveRight:";
  }
  return "";
}

bool TextView::performKeyEquivalent(const Event& event) {
  std::string command = keyEquivalentCommand(event);
  if (command.empty()) return View::performKeyEquivalent(event);
  std::shared_ptr<View> keep = self();
  Application::shared().sendAction(command, nullptr, this);
  return true;
}

void TextView::keyDown(const Event& event) {
  std::shared_ptr<View> keep = self();
  std::string command = commandForKeyEvent(event);
  if (!command.empty()) {
    doCommandBySelector(command);
    return;
  }
  const std::uint64_t f = event.modifierFlags();
  if (!editable_ || (f & (ModifierFlags::Command | ModifierFlags::Control))) {
    View::keyDown(event);
    return;
  }
  std::string typed;
  Utf8Cursor cur{event.characters()};
  while (!cur.done()) {
    std::size_t from = cur.offset;
    std::uint8_t units;
    if (isPrintable(cur.next(&units))) typed += event.characters().substr(from, cur.offset - from);
  }
  if (typed.empty()) {
    View::keyDown(event);
    return;
  }
  insertText(typed);
}

}  // namespace vl::ui
