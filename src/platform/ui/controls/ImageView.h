#pragma once

#include <memory>
#include <optional>

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Image.h"

namespace vl::ui {

enum class ImageScaling {
  ProportionallyDown = 0,      // shrink to fit, keeping proportions; never enlarge
  AxesIndependently = 1,       // fill the bounds, proportions ignored
  None = 2,                    // natural size, centred (and clipped)
  ProportionallyUpOrDown = 3,  // fit the bounds, keeping proportions
};

// Shows one image in its bounds, scaled as asked and centred. Main thread only.
class ImageView : public Control {
 public:
  // The names the toolkit's users think in.
  static constexpr ImageScaling Fit = ImageScaling::ProportionallyUpOrDown;
  static constexpr ImageScaling Fill = ImageScaling::AxesIndependently;

  explicit ImageView(const Rect& frame = {});
  static std::shared_ptr<ImageView> create(const Rect& frame = {}) {
    return std::make_shared<ImageView>(frame);
  }

  const ImageRef& image() const { return image_; }
  virtual void setImage(ImageRef image);
  void setImageScaling(ImageScaling s);
  // Template images draw in this colour when set.
  const std::optional<Color>& contentTintColor() const { return tint_; }
  void setContentTintColor(std::optional<Color> c);
  bool isEditable() const { return editable_; }
  void setEditable(bool v) { editable_ = v; }

  // Where the image is drawn in the bounds; empty without a valid image.
  Rect imageRect() const;
  Size intrinsicContentSize() const override;
  void drawRect(const Rect& dirtyRect) override;

 private:
  ImageRef image_;
  ImageScaling scaling_ = ImageScaling::ProportionallyDown;
  std::optional<Color> tint_;
  bool editable_ = false;
};

}  // namespace vl::ui
