#include "ui/view/VLImageAspectFillView.h"

namespace vl {

void VLImageAspectFillView::setImage(ui::ImageRef image) {
  auto layer = ui::Layer::create();
  layer->setContentsGravity(ui::ContentsGravity::ResizeAspect);
  layer->setContents(std::move(image));
  setLayer(std::move(layer));
}

}  // namespace vl
