#pragma once

#include <memory>

#include "ui/PassthroughImageView.h"
#include "ui/PassthroughTextView.h"
#include "ui/controls/Button2.h"

namespace vl {

// A Button2 with a 23-point image centred above its title; the base of the tab items.
class ImageTextButton : public Button2 {
 public:
  explicit ImageTextButton(const ui::Rect& frame = {});
  static std::shared_ptr<ImageTextButton> create(const ui::Rect& frame = {}) {
    return std::make_shared<ImageTextButton>(frame);
  }

  const std::shared_ptr<ui::TextView>& titleView() override;
  const std::shared_ptr<ui::ImageView>& imageView() override;
  ui::TextView* getTitleView() const override { return titleView_.get(); }
  void viewWillMoveToSuperview(ui::View* newSuperview) override;

 private:
  std::shared_ptr<ui::TextView> titleView_;
  std::shared_ptr<ui::ImageView> imageView_;
};

}  // namespace vl
