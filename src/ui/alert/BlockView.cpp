#include "ui/alert/BlockView.h"

#include "theme/VLThemeCategories.h"

namespace vl {

std::shared_ptr<BlockView> BlockView::create(const ui::Rect& frame) {
  auto view = std::make_shared<BlockView>(frame);
  view->setWantsLayer(true);
  setBackgroundColorAssetKey(*view->layer(), std::string(kColorKey));
  view->layer()->setOpacity(0);
  view->setHidden(true);
  return view;
}

}  // namespace vl
