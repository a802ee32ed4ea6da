#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Windows/Main/list/RenderText.h"
#include "Windows/Main/list/RenderTextView.h"
#include "platform/ui/view/View.h"

namespace vl {

class DisplayAttributedString;

// A row's text as one line of runs: plain text views with the matched parts as pills between them.
// Run views are pooled and reused, so a row that is handed a new result row builds no views unless it
// needs more runs than before.
class RenderTextViewSet : public ui::View {
 public:
  static constexpr std::int64_t kMaxLengthWithPreview = 49;
  static constexpr std::int64_t kMaxLengthWithoutPreview = 100;

  explicit RenderTextViewSet(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<RenderTextViewSet> create(const ui::Rect& frame = {}) {
    return std::make_shared<RenderTextViewSet>(frame);
  }

  // Shows the row; the same row object again changes nothing.
  void setText(const std::shared_ptr<DisplayAttributedString>& row);
  // Works out the runs of the row (renderTextList) without laying them out.
  void convert(const std::shared_ptr<DisplayAttributedString>& row);
  // Drops the shown row, so the next setText lays out even the same row again.
  void forget() { displayString_.reset(); }

  void setSelected(bool selected);
  // A new width places the runs again: what does not fit is cut at the edge.
  void setFrameSize(ui::Size size) override;
  bool isSelected() const { return selected_; }
  std::int64_t renderTextMaxLen() const { return renderTextMaxLen_; }
  void setRenderTextMaxLen(std::int64_t length) { renderTextMaxLen_ = length; }

  const std::shared_ptr<DisplayAttributedString>& displayString() const { return displayString_; }
  const std::vector<RenderText>& renderTextList() const { return renderTextList_; }
  std::int64_t currentNormalCount() const { return currentNormalCount_; }
  std::int64_t currentMatchedCount() const { return currentMatchedCount_; }
  const std::vector<std::shared_ptr<NormalRenderTextView>>& normalList() const { return normalList_; }
  const std::vector<std::shared_ptr<MatchedRenderTextView>>& matchedList() const { return matchedList_; }

 private:
  void layoutRuns();

  std::int64_t currentNormalCount_ = 0;
  std::int64_t currentMatchedCount_ = 0;
  bool selected_ = false;
  std::int64_t renderTextMaxLen_ = kMaxLengthWithPreview;
  std::shared_ptr<DisplayAttributedString> displayString_;
  std::vector<RenderText> renderTextList_;
  std::vector<std::shared_ptr<NormalRenderTextView>> normalList_;
  std::vector<std::shared_ptr<MatchedRenderTextView>> matchedList_;
};

}  // namespace vl
