#include "Windows/Main/preview/PreviewView2.h"

#include "Windows/Main/preview/FileView.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"
#include "ui/ArrowCursor.h"

namespace vl {

void PreviewCursorView::mouseMoved(const ui::Event&) { arrow_cursor::set(); }
void PreviewCursorView::cursorUpdate(const ui::Event&) { arrow_cursor::set(); }
void PreviewCursorView::resetCursorRects() { arrow_cursor::resetCursorRects(*this); }
std::shared_ptr<ui::Menu> PreviewCursorView::menuForEvent(const ui::Event&) { return nullptr; }

std::shared_ptr<PreviewView2> PreviewView2::create() {
  auto preview = std::make_shared<PreviewView2>();
  setBackgroundColorAssetKey(*preview->textView_, "clear");
  setTextColorAssetKey(*preview->textView_, "fontNormalColor");
  return preview;
}

PreviewView2::PreviewView2() : VLVisualEffectScrollView({0, 0, kWidth, kHeight}) {
  setHasVerticalScroller(true);
  textView_ = ui::TextView::create({0, 0, kWidth, kHeight});
  textView_->setEditable(false);
  textView_->setSelectable(true);
  textView_->setDrawsBackground(false);
  textView_->setFont(ui::Font::systemFont(13));
  textView_->setTextContainerInset({5, 5});
  setDocumentView(textView_);
}

const std::shared_ptr<PreviewCursorView>& PreviewView2::cursorView() {
  if (!cursorView_) cursorView_ = std::make_shared<PreviewCursorView>();
  return cursorView_;
}

std::shared_ptr<CustomView> PreviewView2::cachedView(const std::string& viewCls) const {
  auto it = customViewDic_.find(viewCls);
  return it == customViewDic_.end() ? nullptr : it->second;
}

void PreviewView2::alternateView(const std::string& viewCls, const std::string& context,
                                 const std::optional<Json>& json) {
  const bool custom = viewCls != kTextViewClass && !viewCls.empty();
  std::shared_ptr<CustomView> view;
  if (custom) {
    view = cachedView(viewCls);
    if (!view) {
      view = CustomView::make(viewCls, {0, 0, kWidth, kHeight});
      if (view) {
        customViewDic_[viewCls] = view;
      } else {
        // A record from another device or a newer version may name a view we do not have.
        logWarning("preview: no view class \"" + viewCls + "\", showing the text");
      }
    }
  }
  customViewNeedLoad_ = view != nullptr;
  if (view) {
    setDocumentView(view);
    view->setJsonData(json, context);
  } else {
    setDocumentView(textView_);
    // The caller's text follows only for the text class; a fallback shows the plain text at once.
    if (custom) setText(ui::AttributedString(context));
  }
  scrollToPoint({0, 0});
}

long PreviewView2::calcGlyphsIndexOfFirstHighlighted(const ui::AttributedString& text) const {
  const Range first = text.firstRangeWhere([](const ui::TextAttributes& a) { return a.hasBackground(); });
  if (first.location == Range::NotFound) return 0;
  // Laid out as the preview shows it, so the line is the one the user sees. The text view shows this
  // very text at the document view's width already; a copy laid out beside it would cost a long text
  // twice.
  if (documentView().get() == textView_.get() && textView_->textStorage() == text)
    return static_cast<long>(textView_->lineIndexForCharacterIndex(first.location));
  ui::TextView scratch({0, 0, documentView() ? documentView()->frame().width() : kWidth, kHeight});
  scratch.setFont(textView_->font());
  scratch.setTextContainerInset(textView_->textContainerInset());
  scratch.setAttributedString(text);
  return static_cast<long>(scratch.lineIndexForCharacterIndex(first.location));
}

void PreviewView2::setText(const ui::AttributedString& text) {
  if (customViewNeedLoad_) return;
  textView_->setRichText(false);
  textView_->setImportsGraphics(false);
  textView_->setAttributedString(text);
  const long n = calcGlyphsIndexOfFirstHighlighted(text);
  if (n < kLinesShownFromTop) {
    scrollToPoint({0, 0});
    return;
  }
  const Range first = text.firstRangeWhere([](const ui::TextAttributes& a) { return a.hasBackground(); });
  scrollToPoint({0, textView_->firstRectForCharacterRange({first.location, 0}).minY()});
}

void PreviewView2::clear() {
  if (customViewNeedLoad_) {
    setDocumentView(nullptr);
  } else {
    textView_->setString("");
  }
}

void PreviewView2::setSelection(bool selection) {
  if (!selection) {
    if (ui::View* column = superview()) {
      cursorView()->setFrame(column->bounds());
      column->addSubview(cursorView());
    }
  } else if (cursorView_) {
    cursorView_->removeFromSuperview();
  }
  if (customViewNeedLoad_) {
    if (auto view = std::dynamic_pointer_cast<CustomView>(documentView())) view->setSelection(selection);
  } else {
    textView_->setSelectable(selection);
  }
}

void PreviewView2::refreshCustomViewIfNeeded() {
  if (auto view = std::dynamic_pointer_cast<CustomView>(documentView())) view->refresh();
}

bool PreviewView2::isFileViewShown() const {
  return std::dynamic_pointer_cast<FileView>(documentView()) != nullptr;
}

void PreviewView2::resizeSubviewsWithOldSize(ui::Size oldSize) {
  VLVisualEffectScrollView::resizeSubviewsWithOldSize(oldSize);
  if (textView_) textView_->setFrameSize(frame().size);
}

}  // namespace vl
