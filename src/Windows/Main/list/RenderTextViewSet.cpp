#include "Windows/Main/list/RenderTextViewSet.h"

#include <algorithm>
#include <cmath>

#include "VLEngine/search/DisplayAttributedString.h"
#include "platform/ui/text/TextMetrics.h"

namespace vl {

void RenderTextViewSet::convert(const std::shared_ptr<DisplayAttributedString>& row) {
  currentNormalCount_ = 0;
  currentMatchedCount_ = 0;
  if (!row) {
    renderTextList_.clear();
    return;
  }
  renderTextList_ = renderTextsOf(row->string(), row->rangeList(),
                                  static_cast<std::size_t>(std::max<std::int64_t>(0, renderTextMaxLen_)));
  for (const RenderText& run : renderTextList_) ++(run.matched ? currentMatchedCount_ : currentNormalCount_);
}

void RenderTextViewSet::setText(const std::shared_ptr<DisplayAttributedString>& row) {
  if (row == displayString_ && row) return;
  displayString_ = row;
  renderTextList_.clear();
  convert(row);
  layoutRuns();
}

void RenderTextViewSet::layoutRuns() {
  // Pills are drawn over their neighbours: a new plain view goes below the first pill.
  while (static_cast<std::int64_t>(normalList_.size()) < currentNormalCount_) {
    auto view = RenderTextViewFactory::normal();
    view->setSelected(selected_);
    if (matchedList_.empty()) {
      addSubview(view);
    } else {
      addSubview(view, Ordering::Below, matchedList_.front().get());
    }
    normalList_.push_back(std::move(view));
  }
  while (static_cast<std::int64_t>(matchedList_.size()) < currentMatchedCount_) {
    auto view = RenderTextViewFactory::matched();
    addSubview(view);
    matchedList_.push_back(std::move(view));
  }
  while (static_cast<std::int64_t>(normalList_.size()) > currentNormalCount_) {
    normalList_.back()->removeFromSuperview();
    normalList_.pop_back();
  }
  while (static_cast<std::int64_t>(matchedList_.size()) > currentMatchedCount_) {
    matchedList_.back()->removeFromSuperview();
    matchedList_.pop_back();
  }

  double x = 0;
  std::size_t nextNormal = 0, nextMatched = 0;
  const RenderText* previous = nullptr;
  for (const RenderText& run : renderTextList_) {
    if (previous) {
      // Pills overlap the spare width of their neighbours by these amounts.
      if (run.matched) {
        x += previous->matched ? 2 : -7;
      } else {
        x -= 5;
      }
    }
    RenderTextView& view = run.matched ? static_cast<RenderTextView&>(*matchedList_[nextMatched++])
                                       : static_cast<RenderTextView&>(*normalList_[nextNormal++]);
    view.setText(run.string);
    view.setFrameOrigin({x, (bounds().height() - view.frame().height()) / 2});
    const double width = view.frame().width();
    // Runs end at the set's edge, whatever the font makes of the length limit.
    view.setHidden(x >= bounds().width());
    if (x + width > bounds().width() && x < bounds().width()) {
      view.setText(ui::TextMetrics::truncateTail(run.string, view.font(), bounds().width() - x - 10));
      view.setFrameSize({std::min(view.frame().width(), bounds().width() - x), view.frame().height()});
    }
    x = std::trunc(x + width);
    previous = &run;
  }
  setNeedsDisplay(true);
}

void RenderTextViewSet::setFrameSize(ui::Size size) {
  const bool wider = size.width != frame().width();
  ui::View::setFrameSize(size);
  if (wider) layoutRuns();
}

void RenderTextViewSet::setSelected(bool selected) {
  selected_ = selected;
  for (auto& view : normalList_) view->setSelected(selected);
  for (auto& view : matchedList_) view->setSelected(selected);
}

}  // namespace vl
