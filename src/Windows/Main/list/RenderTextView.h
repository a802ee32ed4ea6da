#pragma once

#include <memory>
#include <string>

#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

// One run of a row's text on one line. Its colours are asset keys, so theme and light/dark changes
// follow; a selected row turns plain runs white on the accent colour.
class RenderTextView : public PassthroughAndArrowCursorTextView {
 public:
  static constexpr const char* kTextColorKey = "fontNormalColor";
  static constexpr const char* kBackgroundKey = "recordAreaBackgroundColor";
  static constexpr const char* kSelectedTextColorKey = "white";
  static constexpr const char* kSelectedBackgroundKey = "accentColor";

  explicit RenderTextView(const ui::Rect& frame = {});

  // Shows the text and takes the size that fits it.
  RenderTextView& setText(const std::string& text);
  virtual void setSelected(bool selected);
  bool isSelected() const { return selected_; }

 protected:
  // The view's size for text of this width.
  virtual ui::Size sizeForTextWidth(double width) const = 0;

 private:
  bool selected_ = false;
};

class NormalRenderTextView : public RenderTextView {
 public:
  NormalRenderTextView();

 protected:
  ui::Size sizeForTextWidth(double width) const override { return {width + 13, 15}; }
};

// A matched part of the search: a small bordered pill whose colours stay when the row is selected.
class MatchedRenderTextView : public RenderTextView {
 public:
  static constexpr const char* kBorderKey = "recordMatchedBorderColor";
  static constexpr const char* kPillKey = "recordMatchedColor";

  MatchedRenderTextView();
  // Run views join a row only through the factory, which gives the pill its layer.
  void setSelected(bool selected) override;

 protected:
  ui::Size sizeForTextWidth(double width) const override { return {width + 10, 16}; }
};

class RenderTextViewFactory {
 public:
  static std::shared_ptr<NormalRenderTextView> normal();
  static std::shared_ptr<MatchedRenderTextView> matched();
};

}  // namespace vl
