// TextView: editing commands, key handling, undo and the pasteboard.
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_map>

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
    logDebugf("%s: the text is not editable; edit refused", className().c_str());
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
    logDebug("secure text is never copied");
    return;
  }
  if (selection_.length == 0) return;
  TextPasteboard::current()->writeString(substringWithRange(storage_.string(), selection_));
}

// --- commands -------------------------------------------------------------------------------------------

// A command by its selector name: commands that write need an editable text, the others a selectable one.
struct TextView::EditingCommand {
  bool writes;
  bool (*run)(TextView& view, const std::string& name);
};

namespace {

constexpr std::string_view kModifySuffix = "AndModifySelection:";

bool endsWithModify(const std::string& name) {
  return name.size() > kModifySuffix.size() &&
         name.compare(name.size() - kModifySuffix.size(), kModifySuffix.size(), kModifySuffix) == 0;
}

}  // namespace

const TextView::EditingCommand* TextView::editingCommand(const std::string& name) {
  using Run = bool (*)(TextView&, const std::string&);
  // The moves; each also comes as "...AndModifySelection:", which extends the selection from its anchor.
  static const char* const kMoves[] = {"moveLeft:",
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
                                       "moveToEndOfDocument:"};
  static const std::unordered_map<std::string, EditingCommand> table = [] {
    std::unordered_map<std::string, EditingCommand> t;
    auto reads = [&t](std::initializer_list<const char*> names, Run run) {
      for (const char* n : names) t.emplace(n, EditingCommand{false, run});
    };
    auto writes = [&t](std::initializer_list<const char*> names, Run run) {
      for (const char* n : names) t.emplace(n, EditingCommand{true, run});
    };
    reads({"selectAll:"}, [](TextView& v, const std::string&) {
      v.anchor_ = 0;
      v.moveSelection(v.storage_.length(), true);
      v.anchor_ = 0;
      return true;
    });
    reads({"copy:"}, [](TextView& v, const std::string&) {
      v.copySelection();
      return true;
    });
    writes({"cut:"}, [](TextView& v, const std::string&) {
      if (v.bullets_) {
        logDebug("secure text is never cut");
        return true;
      }
      v.copySelection();
      return v.removeByUser(v.selection_, "Cut");
    });
    writes({"paste:"}, [](TextView& v, const std::string&) {
      std::optional<std::string> text = TextPasteboard::current()->readString();
      if (!text) {
        logDebug("paste: the pasteboard holds no text");
        return true;
      }
      v.replaceCharactersByUser(v.selection_, v.fieldEditor_ ? withoutLineEnds(*text) : *text, "Paste");
      return true;
    });
    writes({"undo:", "redo:"}, [](TextView& v, const std::string& c) {
      v.typingRecord_.reset();
      const bool undo = c == "undo:";
      if (!(undo ? v.undoManager_.undo() : v.undoManager_.redo()))
        logDebugf("%s: nothing to %s", v.className().c_str(), undo ? "undo" : "redo");
      return true;
    });
    // A field editor leaves Return and Tab to its field.
    writes({"insertNewline:", "insertParagraphSeparator:"}, [](TextView& v, const std::string&) {
      if (!v.fieldEditor_) v.insertText("\n");
      return true;
    });
    writes({"insertNewlineIgnoringFieldEditor:", "insertLineBreak:"}, [](TextView& v, const std::string&) {
      v.insertText("\n");
      return true;
    });
    writes({"insertTab:"}, [](TextView& v, const std::string&) {
      if (!v.fieldEditor_) v.insertText("\t");
      return true;
    });
    writes({"insertTabIgnoringFieldEditor:"}, [](TextView& v, const std::string&) {
      v.insertText("\t");
      return true;
    });
    writes({"insertBacktab:"}, [](TextView&, const std::string&) { return true; });
    // Deletions take the selection when there is one, else the span from the caret to `to`.
    writes({"deleteBackward:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.previousBoundary(v.selection_.location));
    });
    writes({"deleteForward:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.nextBoundary(v.selection_.location));
    });
    writes({"deleteToBeginningOfLine:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.layout().lineStart(v.selection_.location));
    });
    writes({"deleteToEndOfLine:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.layout().lineEnd(v.selection_.location));
    });
    writes({"deleteToEndOfParagraph:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.paragraphEnd(v.selection_.location));
    });
    writes({"deleteWordBackward:"}, [](TextView& v, const std::string&) {
      return v.deleteToward(v.wordStartBefore(v.selection_.location));
    });
    // Scrolling leaves the selection alone.
    reads({"scrollToBeginningOfDocument:", "scrollToEndOfDocument:", "scrollPageUp:", "scrollPageDown:"},
          [](TextView& v, const std::string& c) {
            if (ClipView* clip = v.enclosingClip()) {
              Point o = clip->bounds().origin;
              const double page = clip->bounds().size.height;
              if (c == "scrollToBeginningOfDocument:") o.y = 0;
              if (c == "scrollToEndOfDocument:") o.y = v.frame().size.height;
              if (c == "scrollPageUp:") o.y -= page;
              if (c == "scrollPageDown:") o.y += page;
              clip->scrollToPoint(o);
            }
            return true;
          });
    for (const char* move : kMoves) {
      const std::string base = move;
      t.emplace(base, EditingCommand{false, &TextView::performMove});
      t.emplace(base.substr(0, base.size() - 1) + std::string(kModifySuffix),
                EditingCommand{false, &TextView::performMove});
    }
    return t;
  }();
  auto it = table.find(name);
  return it == table.end() ? nullptr : &it->second;
}

bool TextView::removeByUser(Range range, const char* actionName) {
  if (range.length > 0) replaceCharactersByUser(range, "", actionName);
  return true;
}

bool TextView::deleteToward(std::size_t to) {
  const Range sel = selection_;
  if (sel.length > 0) return removeByUser(sel);
  const std::size_t from = std::min(to, sel.location), end = std::max(to, sel.location);
  return removeByUser({from, end - from});
}

std::size_t TextView::wordStartBefore(std::size_t index) const {
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(storage_.string());
  const auto end = static_cast<std::int32_t>(std::min<std::size_t>(index, text.length()));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> words(icu::BreakIterator::createWordInstance(icu::Locale(), status));
  if (U_FAILURE(status) || !words) return previousBoundary(index);
  words->setText(text);
  // Blank segments before the caret go with the word before them, as in every text field.
  std::int32_t segmentEnd = end;
  for (std::int32_t start = words->preceding(end); start != icu::BreakIterator::DONE;
       start = words->previous()) {
    bool blank = true;
    for (std::int32_t i = start; i < segmentEnd && blank; i = text.moveIndex32(i, 1))
      blank = u_isUWhiteSpace(text.char32At(i));
    if (!blank) return static_cast<std::size_t>(start);
    segmentEnd = start;
  }
  return 0;
}

bool TextView::performMove(TextView& v, const std::string& name) {
  const bool extend = endsWithModify(name);
  const std::string base = extend ? name.substr(0, name.size() - kModifySuffix.size()) + ":" : name;
  const Range sel = v.selection_;
  const std::size_t caret = extend ? v.caretIndex() : sel.location;
  const std::size_t after = extend ? caret : sel.end();
  std::size_t focus = 0;
  if (base == "moveLeft:") {
    focus = !extend && sel.length > 0 ? sel.location : v.previousBoundary(caret);
  } else if (base == "moveRight:") {
    focus = !extend && sel.length > 0 ? sel.end() : v.nextBoundary(after);
  } else if (base == "moveUp:" || base == "moveDown:") {
    const bool up = base == "moveUp:";
    if (v.fieldEditor_) {
      focus = up ? 0 : v.storage_.length();
    } else {
      const std::size_t from = extend ? caret : (up ? sel.location : sel.end());
      focus = v.layout().indexOnAdjacentLine(from, v.layout().offsetOfCharacterIndex(from), up);
    }
  } else if (base == "moveToBeginningOfLine:" || base == "moveToLeftEndOfLine:") {
    focus = v.layout().lineStart(caret);
  } else if (base == "moveToEndOfLine:" || base == "moveToRightEndOfLine:") {
    focus = v.layout().lineEnd(after);
  } else if (base == "moveToBeginningOfParagraph:") {
    focus = v.paragraphStart(caret);
  } else if (base == "moveToEndOfParagraph:") {
    focus = v.paragraphEnd(after);
  } else if (base == "moveToEndOfDocument:") {
    focus = v.storage_.length();
  }
  v.moveSelection(focus, extend);
  v.scrollRangeToVisible({focus, 0});
  return true;
}

bool TextView::performEditingCommand(const std::string& c) {
  const EditingCommand* command = editingCommand(c);
  if (!command || !(command->writes ? editable_ : selectable_)) return false;
  std::shared_ptr<View> keep = self();
  return command->run(*this, c);
}

void TextView::doCommandBySelector(const std::string& command) {
  std::shared_ptr<View> keep = self();
  if (auto d = delegate(); d && d->textViewDoCommandBySelector(*this, command)) return;
  if (performEditingCommand(command)) return;
  // Not an editing command here (Escape's cancelOperation:, or an edit of read-only text): someone up the
  // chain may want it.
  if (Responder* next = nextResponder(); next && next->tryToPerform(command, this)) return;
  logDebugf("%s: command %s not handled", className().c_str(), command.c_str());
}

bool TextView::respondsToAction(const std::string& action) const {
  if (ActionTarget::respondsToAction(action)) return true;
  const EditingCommand* command = editingCommand(action);
  return command && (command->writes ? editable_ : selectable_);
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
  // The plain arrows are no key equivalents: they go to the text that has the keyboard as typed keys, where
  // its owner has a say (a field whose arrows a shortcut took leaves its caret).
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
