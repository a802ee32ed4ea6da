#include "Windows/Main/list/RenderTextView.h"

#include "platform/ui/text/TextMetrics.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

RenderTextView::RenderTextView(const ui::Rect& frame) : PassthroughAndArrowCursorTextView(frame) {
  setMaximumNumberOfLines(1);
  setLineBreakMode(ui::LineBreakMode::Clipping);
  setTextContainerInset({0, 0});
  // A plain run covers the spare width of its neighbour, so it paints its own background.
  setDrawsBackground(true);
}

RenderTextView& RenderTextView::setText(const std::string& text) {
  if (text != string()) setString(text);
  setFrameSize(sizeForTextWidth(ui::TextMetrics::widthOfString(text, font())));
  return *this;
}

void RenderTextView::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  setTextColorAssetKey(*this, selected ? kSelectedTextColorKey : kTextColorKey);
  setBackgroundColorAssetKey(*this, selected ? kSelectedBackgroundKey : kBackgroundKey);
}

NormalRenderTextView::NormalRenderTextView() { setFont(VLFont::mainFont()); }

MatchedRenderTextView::MatchedRenderTextView() {
  // The pill's colour is its layer's; a fill of the text view's own would cover it.
  setDrawsBackground(false);
  setFont(VLFont::matched());
  setTextColor(ui::Color::rgba(69 / 255.0, 65 / 255.0, 66 / 255.0, 1));
}

void MatchedRenderTextView::setSelected(bool) {}

std::shared_ptr<NormalRenderTextView> RenderTextViewFactory::normal() {
  auto view = std::make_shared<NormalRenderTextView>();
  setTextColorAssetKey(*view, RenderTextView::kTextColorKey);
  setBackgroundColorAssetKey(*view, RenderTextView::kBackgroundKey);
  return view;
}

std::shared_ptr<MatchedRenderTextView> RenderTextViewFactory::matched() {
  auto view = std::make_shared<MatchedRenderTextView>();
  view->setWantsLayer(true);
  view->layer()->setCornerRadius(5);
  view->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*view->layer(), MatchedRenderTextView::kBorderKey);
  setBackgroundColorAssetKey(*view->layer(), MatchedRenderTextView::kPillKey);
  return view;
}

}  // namespace vl
