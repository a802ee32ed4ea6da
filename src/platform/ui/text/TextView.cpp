// TextView: content, attributes, layout, selection, drawing and the mouse. Editing lives in
// TextViewEditing.cpp.
#include "platform/ui/text/TextView.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/SystemColors.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

TextView::TextView(const Rect& frame) : View(frame), minSize_(frame.size) {}

// --- content --------------------------------------------------------------------------------------------

void TextView::setString(const std::string& text) { setAttributedString(AttributedString(text)); }

void TextView::setAttributedString(const AttributedString& text) {
  // Assigned, not made anew: the storage's memory is used again for a text of a like size.
  storage_ = text;
  textReplaced();
}

void TextView::setAttributedString(AttributedString&& text) {
  storage_ = std::move(text);
  textReplaced();
}

void TextView::textReplaced() {
  undoManager_.removeAllActions();
  typingRecord_.reset();
  selection_ = {storage_.length(), 0};
  anchor_ = selection_.location;
  if (highlighted_.found() && highlighted_.end() > storage_.length()) highlighted_ = {};
  textChanged(false);
}

void TextView::textChanged(bool byUser) {
  invalidateLayout();
  if (verticallyResizable_) sizeToFit();
  setNeedsDisplay(true);
  if (!byUser) return;
  std::shared_ptr<TextViewDelegate> d = delegate();
  if (!editedInSession_) {
    editedInSession_ = true;
    if (d) d->textDidBeginEditing(*this);
  }
  if (d) d->textDidChange(*this);
}

void TextView::invalidateLayout() {
  layout_.reset();
  setNeedsDisplay(true);
}

// --- attributes -----------------------------------------------------------------------------------------

void TextView::setFont(const Font& font) {
  font_ = font;
  storage_.removeAttribute(TextAttribute::Font, {0, storage_.length()});
  textChanged(false);
}

Color TextView::textColor() const { return textColor_.value_or(SystemColors::text()); }

Color TextView::backgroundColor() const { return backgroundColor_.value_or(SystemColors::textBackground()); }

void TextView::setTextColor(const Color& c) {
  textColor_ = c;
  storage_.removeAttribute(TextAttribute::ForegroundColor, {0, storage_.length()});
  setNeedsDisplay(true);
}

void TextView::setDefaultTextColor() {
  textColor_.reset();
  storage_.removeAttribute(TextAttribute::ForegroundColor, {0, storage_.length()});
  setNeedsDisplay(true);
}

void TextView::setBackgroundColor(const Color& c) {
  backgroundColor_ = c;
  setNeedsDisplay(true);
}

void TextView::setDrawsBackground(bool v) {
  drawsBackground_ = v;
  setNeedsDisplay(true);
}

void TextView::setAlignment(TextAlignment a) {
  alignment_ = a;
  invalidateLayout();
}

void TextView::setEditable(bool v) {
  editable_ = v;
  if (v) selectable_ = true;
  setNeedsDisplay(true);
}

void TextView::setSelectable(bool v) {
  selectable_ = v;
  if (!v) editable_ = false;
  setNeedsDisplay(true);
}

void TextView::setDisplaysBullets(bool v) {
  bullets_ = v;
  invalidateLayout();
}

void TextView::setMaximumNumberOfLines(std::size_t n) {
  maximumLines_ = n;
  textChanged(false);
}

void TextView::setLineBreakMode(LineBreakMode m) {
  lineBreakMode_ = m;
  textChanged(false);
}

void TextView::setTextContainerInset(Size inset) {
  if (!std::isfinite(inset.width) || !std::isfinite(inset.height)) return;
  inset_ = {std::max(0.0, inset.width), std::max(0.0, inset.height)};
  textChanged(false);
}

void TextView::setLineFragmentPadding(double p) {
  if (!std::isfinite(p)) return;
  padding_ = std::max(0.0, p);
  textChanged(false);
}

void TextView::setVerticallyResizable(bool v) {
  verticallyResizable_ = v;
  if (v) sizeToFit();
}

// --- selection ------------------------------------------------------------------------------------------

void TextView::setSelectedRange(Range range) {
  std::size_t len = storage_.length();
  std::size_t loc = range.found() ? std::min(range.location, len) : len;
  std::size_t end = std::min(len, loc + std::min(range.length, len - loc));
  // Whole characters only: a range inside a surrogate pair widens to it.
  Range r = {loc, end - loc};
  if (r.length > 0) {
    ByteRange bytes = byteRangeOfRange(storage_.string(), r);
    r = rangeOfByteRange(storage_.string(), bytes);
  } else {
    r.location = utf16IndexOfByteOffset(storage_.string(), byteOffsetOfUtf16Index(storage_.string(), loc));
  }
  anchor_ = r.location;
  if (r == selection_) return;
  selection_ = r;
  notifySelection();
}

void TextView::notifySelection() {
  typingRecord_.reset();  // typing after a move starts a new undo step
  setNeedsDisplay(true);
  if (auto d = delegate()) d->textViewDidChangeSelection(*this);
}

void TextView::moveSelection(std::size_t focus, bool extend) {
  focus = std::min(focus, storage_.length());
  Range r = extend ? Range{std::min(anchor_, focus), std::max(anchor_, focus) - std::min(anchor_, focus)}
                   : Range{focus, 0};
  if (!extend) anchor_ = focus;
  if (r == selection_) return;
  selection_ = r;
  notifySelection();
}

std::size_t TextView::caretIndex() const {
  // The moving end of the selection.
  return selection_.location == anchor_ ? selection_.end() : selection_.location;
}

void TextView::setHighlightedRange(Range range) {
  highlighted_ = range.found() && range.location <= storage_.length() ? range : Range{};
  setNeedsDisplay(true);
}

void TextView::setHighlightColor(const Color& c) {
  highlightColor_ = c;
  setNeedsDisplay(true);
}

ClipView* TextView::enclosingClip() const { return dynamic_cast<ClipView*>(superview()); }

void TextView::scrollRangeToVisible(Range range) {
  ClipView* clip = enclosingClip();
  if (!clip) return;
  Rect target = firstRectForCharacterRange(range);
  target.size.width = std::max(target.size.width, 1.0);
  Rect visible = visibleRect();
  if (visible.isEmpty()) visible = clip->documentVisibleRect();
  Point origin = clip->bounds().origin;
  // The text view is flipped, so document y grows downward as clip coordinates do.
  if (target.minY() < visible.minY()) {
    origin.y = target.minY();
  } else if (target.maxY() > visible.maxY()) {
    origin.y = target.maxY() - visible.height();
  }
  if (target.minX() < visible.minX()) {
    origin.x = target.minX();
  } else if (target.maxX() > visible.maxX()) {
    origin.x = target.maxX() - visible.width();
  }
  clip->scrollToPoint(origin);
}

// --- layout ---------------------------------------------------------------------------------------------

double TextView::containerWidth() const {
  return std::max(0.0, frame().size.width - 2 * inset_.width - 2 * padding_);
}

BlockLayout& TextView::layout() const {
  double width = containerWidth();
  if (!layout_ || width != layoutWidth_) {
    layoutWidth_ = width;
    layout_.reset();
    if (bullets_) {
      // One bullet per UTF-16 unit keeps every index of the real text valid in the shown one.
      std::string shown;
      for (std::size_t i = 0; i < storage_.length(); ++i) shown += "\xE2\x80\xA2";
      bulletText_ = AttributedString(shown);
    }
    layout_ =
        std::make_unique<BlockLayout>(bullets_ ? bulletText_ : storage_, font_, fieldEditor_ ? 0 : width,
                                      maximumLines_, lineBreakMode_, alignment_);
  }
  return *layout_;
}

Rect TextView::firstRectForCharacterRange(Range range) const {
  BlockLayout& l = layout();
  std::size_t start = std::min(range.found() ? range.location : 0, storage_.length());
  std::size_t end = std::min(storage_.length(), start + range.length);
  Point o = textContainerOrigin();
  Rect caret = l.caretRect(start);
  double endX = caret.minX();
  if (end > start) {
    // Only the part on the first line.
    const LineFragment line = l.lineAt(start);
    std::size_t lineEnd = std::min(end, line.range.end());
    endX = lineEnd > start && l.lineAt(lineEnd).y == line.y ? l.offsetOfCharacterIndex(lineEnd)
                                                            : line.x + line.width;
  }
  return {o.x + caret.minX(), o.y + caret.minY(), std::max(0.0, endX - caret.minX()), caret.height()};
}

std::size_t TextView::characterIndexForPoint(Point p) const {
  Point o = textContainerOrigin();
  return layout().characterIndexForPoint({p.x - o.x, p.y - o.y});
}

Rect TextView::usedRect() const {
  Size used = layout().usedSize();
  Point o = textContainerOrigin();
  return {o.x, o.y, used.width, used.height};
}

void TextView::sizeToFit() {
  double height = layout().usedSize().height + 2 * inset_.height;
  double minHeight = minSize_.height;
  if (ClipView* clip = enclosingClip()) minHeight = std::max(minHeight, clip->bounds().size.height);
  Size target{frame().size.width, std::max(height, minHeight)};
  if (target != frame().size) View::setFrameSize(target);
}

void TextView::setFrameSize(Size size) {
  bool widthChanged = size.width != frame().size.width;
  View::setFrameSize(size);
  if (widthChanged) {
    invalidateLayout();
    if (verticallyResizable_) sizeToFit();
  }
}

void TextView::viewDidMoveToSuperview() {
  if (ClipView* clip = enclosingClip()) clipViewFrameDidChange(*clip);
}

void TextView::clipViewFrameDidChange(ClipView& clip) {
  // The text wraps at the width of what is visible.
  Size target{clip.bounds().size.width, frame().size.height};
  if (target.width != frame().size.width) setFrameSize(target);
  if (verticallyResizable_) sizeToFit();
}

// --- responder ------------------------------------------------------------------------------------------

bool TextView::becomeFirstResponder() {
  isFirstResponder_ = true;
  editedInSession_ = false;
  setNeedsDisplay(true);
  return true;
}

bool TextView::resignFirstResponder() {
  isFirstResponder_ = false;
  setNeedsDisplay(true);
  if (editable_) endEditingSession();
  return true;
}

void TextView::endEditingSession() {
  typingRecord_.reset();
  editedInSession_ = false;
  if (auto d = delegate()) d->textDidEndEditing(*this);
}

void TextView::mouseDown(const Event& event) {
  if (!selectable_) {
    View::mouseDown(event);
    return;
  }
  std::size_t index = characterIndexForPoint(event.locationInView(*this));
  if (event.clickCount() >= 2) {
    // A double click selects the word, a triple click the paragraph.
    std::size_t from = index, to = index;
    if (event.clickCount() >= 3) {
      from = paragraphStart(index);
      to = paragraphEnd(index);
    } else {
      const std::u16string text = toUtf16(storage_.string());
      auto isWordChar = [&](std::size_t i) {
        char16_t c = text[i];
        return c != u' ' && c != u'\t' && c != u'\n' && c != u'\r';
      };
      while (from > 0 && isWordChar(from - 1)) --from;
      while (to < text.size() && isWordChar(to)) ++to;
    }
    anchor_ = from;
    moveSelection(to, true);
    return;
  }
  moveSelection(index, (event.modifierFlags() & ModifierFlags::Shift) != 0);
}

void TextView::mouseDragged(const Event& event) {
  if (!selectable_) {
    View::mouseDragged(event);
    return;
  }
  moveSelection(characterIndexForPoint(event.locationInView(*this)), true);
}

// --- drawing --------------------------------------------------------------------------------------------

Rect TextView::drawnRect(const Rect& dirtyRect) const {
  // A text view in a scroll view is as tall as its text: only what shows is ever drawn.
  const Rect visible = visibleRect();
  if (visible.isEmpty()) return {};
  const double top = std::max(dirtyRect.minY(), visible.minY());
  const double bottom = std::min(dirtyRect.maxY(), visible.maxY());
  return {dirtyRect.minX(), top, dirtyRect.width(), std::max(0.0, bottom - top)};
}

void TextView::drawRect(const Rect& dirtyRect) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  if (const Color background = backgroundColor(); drawsBackground_ && background.alpha > 0) {
    ctx->fillRect(bounds(), background);
  }
  const Point o = textContainerOrigin();
  const Rect band = drawnRect(dirtyRect);
  BlockLayout& l = layout();
  const std::vector<BlockLayout::Line> lines = l.linesIn(band.minY() - o.y, band.maxY() - o.y);
  // The part of a range on each line drawn: `local` ranges are counted in the line's block.
  // The part of a range on one line, in view coordinates; empty when the range is not on it.
  auto rectOnLine = [&](const BlockLayout::Line& line, std::size_t from, std::size_t to) {
    const LineFragment& f = line.fragment;
    from = std::max(from, f.range.location);
    to = std::min(to, f.range.end());
    if (from >= to) return Rect{};
    const double x0 = line.layout->offsetOfCharacterIndex(from - line.textStart);
    const double x1 =
        to >= f.range.end() ? f.x + f.width : line.layout->offsetOfCharacterIndex(to - line.textStart);
    return x1 > x0 ? Rect{o.x + x0, o.y + f.y, x1 - x0, f.height} : Rect{};
  };
  auto fillOnLine = [&](const BlockLayout::Line& line, std::size_t from, std::size_t to, const Color& c) {
    if (const Rect r = rectOnLine(line, from, to); !r.isEmpty()) ctx->fillRect(r, c);
  };
  auto fillRange = [&](Range r, const Color& c) {
    if (!r.found() || r.length == 0) return;
    for (const auto& line : lines) fillOnLine(line, r.location, r.end(), c);
  };
  // Highlights in the text's own attributes (search matches) lie under everything else.
  for (const auto& line : lines) {
    const Range local{line.fragment.range.location - line.textStart,
                      line.drawnEnd - line.fragment.range.location};
    for (const auto& run : line.text->runsInRange(local)) {
      if (run.attributes.backgroundColor) {
        fillOnLine(line, run.range.location + line.textStart, run.range.end() + line.textStart,
                   *run.attributes.backgroundColor);
      }
    }
  }
  fillRange(highlighted_, highlightColor_);
  if (isFirstResponder_) fillRange(selection_, SystemColors::selectedTextBackground());
  drawTextLines(lines);
  // A found word's text in an ink that reads on its highlight, whatever colour the text has elsewhere.
  if (highlighted_.found() && highlighted_.length > 0) {
    const Color ink = SystemColors::textOn(highlightColor_);
    for (const auto& line : lines) {
      const Rect r = rectOnLine(line, highlighted_.location, highlighted_.end());
      if (r.isEmpty()) continue;
      ctx->pushClip(BezierPath::rect(r));
      drawTextLines({line}, ink);
      ctx->popClip();
    }
  }
  if (isFirstResponder_ && editable_ && selection_.length == 0) {
    Rect caret = firstRectForCharacterRange(selection_);
    ctx->fillRect({caret.minX(), caret.minY(), 1, caret.height()}, textColor());
  }
  // Blocks laid out for this drawing replaced their estimated heights: the view fits its text again once
  // the drawing is done.
  if (l.takeHeightChanged() && verticallyResizable_) {
    std::weak_ptr<View> weak = self();
    dispatch::Queue::main()->async([weak] {
      if (auto view = std::static_pointer_cast<TextView>(weak.lock())) view->sizeToFit();
    });
  }
}

void TextView::drawTextLines(const std::vector<BlockLayout::Line>& lines, std::optional<Color> ink) {
  GraphicsContext* ctx = GraphicsContext::current();
  Point o = textContainerOrigin();
  for (const BlockLayout::Line& line : lines) {
    const LineFragment& f = line.fragment;
    // Counted in the line's block, whose text is short: a long text is never walked from its start.
    const Range local{f.range.location - line.textStart, line.drawnEnd - f.range.location};
    // One drawing step per attribute run on the line, so colours and fonts are kept.
    for (const auto& run : line.text->runsInRange(local)) {
      std::string text = bullets_ ? std::string() : substringWithRange(line.text->string(), run.range);
      if (bullets_) {
        for (std::size_t i = 0; i < run.range.length; ++i) text += "\xE2\x80\xA2";
      }
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      if (text.empty()) continue;
      double x0 = line.layout->offsetOfCharacterIndex(run.range.location);
      double x1 = run.range.end() + line.textStart >= f.range.end()
                      ? f.x + f.width
                      : line.layout->offsetOfCharacterIndex(run.range.end());
      const TextAttributes& a = run.attributes;
      const Font& font = a.font ? *a.font : font_;
      Color c = ink ? *ink : a.foregroundColor.value_or(a.link ? linkColor_ : textColor());
      // Text on a background of its own (a match's highlight) in a colour that does not read there (the
      // view's text colour, set again for a change of look, drops the run's own) takes an ink that does.
      if (!ink && a.backgroundColor && a.backgroundColor->alpha > 0.5 &&
          SystemColors::contrastRatio(c, *a.backgroundColor) < 4.5) {
        c = SystemColors::textOn(*a.backgroundColor);
      }
      UnderlineStyle underline =
          a.underlineStyle.value_or(a.link ? UnderlineStyle::Single : UnderlineStyle::None);
      ctx->drawText(text, {o.x + x0, o.y + f.y, std::max(0.0, x1 - x0), f.height}, font, c, underline,
                    a.strikethroughStyle.value_or(UnderlineStyle::None));
    }
  }
}

}  // namespace vl::ui
