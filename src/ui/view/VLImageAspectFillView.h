#pragma once

#include <memory>

#include "platform/ui/controls/ImageView.h"

namespace vl {

// Shows its image through its layer, scaled to fit with the aspect ratio kept and centred. The image is
// the layer's content only: image() answers what the plain image view holds.
class VLImageAspectFillView : public ui::ImageView {
 public:
  explicit VLImageAspectFillView(const ui::Rect& frame = {}) : ui::ImageView(frame) {}
  static std::shared_ptr<VLImageAspectFillView> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLImageAspectFillView>(frame);
  }

  void setImage(ui::ImageRef image) override;
};

}  // namespace vl
