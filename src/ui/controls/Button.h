#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughTextView.h"

namespace vl {

// The older view button: the same mechanics as Button2's hover and press, with colour objects chosen by
// the owner instead of asset keys. An unset highlighted colour is its normal colour. Main thread only.
class Button : public ui::View {
 public:
  using OptColor = std::optional<ui::Color>;

  explicit Button(const ui::Rect& frame = {});
  static std::shared_ptr<Button> create(const ui::Rect& frame = {}) {
    return std::make_shared<Button>(frame);
  }

  std::string title() const { return titleView_->string(); }
  void setTitle(const std::string& title) { titleView_->setString(title); }
  const ui::Font& font() const { return font_; }
  void setFont(const ui::Font& font) { font_ = font; }
  void setTextColor(OptColor c) { textColor_ = std::move(c); }
  const OptColor& textColor() const { return textColor_; }
  const OptColor& textHighlightedColor() const { return textHighlightedColor_; }
  void setBackgroundColor(OptColor c) { backgroundColor_ = std::move(c); }
  const OptColor& backgroundColor() const { return backgroundColor_; }
  const OptColor& backgroundHighlightedColor() const { return backgroundHighlightedColor_; }
  void setBorderColor(OptColor c) { borderColor_ = std::move(c); }
  const OptColor& borderColor() const { return borderColor_; }
  const OptColor& borderHighlightedColor() const { return borderHighlightedColor_; }
  void setBorderWidth(double width) { borderWidth_ = width; }
  void setRadius(double radius) { radius_ = radius; }
  // Kept for callers; the width follows the title only through fitWithTitle.
  void setMinWidth(long width) { minWidth_ = width; }
  long minWidth() const { return minWidth_; }
  void setMaxWidth(long width) { maxWidth_ = width; }
  long maxWidth() const { return maxWidth_; }
  void setTarget(const std::shared_ptr<ui::ActionTarget>& target) { target_ = target; }
  void setAction(std::string action) { action_ = std::move(action); }

  double fitWithTitle();
  const std::shared_ptr<PassthroughTextView>& titleView() const { return titleView_; }

  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  void updateTrackingAreas() override;
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;

 private:
  void apply(const OptColor& text, const OptColor& background, const OptColor& border);

  ui::Font font_ = ui::Font::systemFont(13);
  OptColor textColor_, textHighlightedColor_;
  OptColor backgroundColor_, backgroundHighlightedColor_;
  OptColor borderColor_, borderHighlightedColor_;
  double borderWidth_ = 0;
  double radius_ = 0;
  long minWidth_ = 0;
  long maxWidth_ = 0;
  std::weak_ptr<ui::ActionTarget> target_;
  std::string action_;
  std::shared_ptr<PassthroughTextView> titleView_;
  bool trackingAreaAdded_ = false;
};

}  // namespace vl
